#include "surface/memory_dc.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "platform/errors.h"

namespace glint {
namespace {

using gdi::RGB;

// Every test ends with the handle table as it found it: nothing leaked, nothing deleted twice.
class MemoryDCTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(gdi::LiveHandleCount(), baseline_); }
  const int baseline_ = gdi::LiveHandleCount();
};

// A bitmap of someone else's, painted with one colour: it outlives the surface that made it.
gdi::HBITMAP ForeignBitmap(int w, int h, gdi::COLORREF colour) {
  CMemoryDC maker;
  maker.SetWidth(w);
  maker.SetHeight(h);
  maker.SethBitmap(maker.hBitmap());  // its own again: must not delete it first
  gdi::FillRect(maker.hdc(), 0, 0, w, h, colour);
  maker.SetTerminateKillsBitmap(false);
  return maker.hBitmap();
}

// Width and height writes, refused ones included, and the bitmap that results.
TEST_F(MemoryDCTest, SizesFollowTheBitmapAndRefusedSizesKeepIt) {
  // Writes of 'w'idth or 'h'eight, and the size read back; no bitmap while a side is 0.
  const std::tuple<std::vector<std::pair<char, int>>, int, int> cases[] = {
      {{}, 1, 1},
      {{{'w', 10}, {'h', 20}}, 10, 20},
      {{{'w', 10}, {'h', 20}, {'w', 0}, {'h', 5}}, 10, 20},
      {{{'h', -3}}, 1, 1},
      {{{'w', 10}, {'w', 0}, {'h', 5}, {'w', 7}}, 7, 5}};
  for (const auto& [writes, width, height] : cases) {
    CMemoryDC dc;
    for (auto [side, value] : writes) side == 'w' ? dc.SetWidth(value) : dc.SetHeight(value);
    EXPECT_EQ(std::pair(dc.Width(), dc.Height()), std::pair(width, height)) << writes.size();
    EXPECT_NE(dc.PixelColor(width - 1, height - 1), gdi::CLR_INVALID);
    EXPECT_EQ(dc.PixelColor(width, 0), gdi::CLR_INVALID);
  }
}

// Whatever replaces it, or when the surface goes.
TEST_F(MemoryDCTest, AttachedBitmapsAreNeverDeleted) {
  for (int then : {0, 1, 2}) {  // destroyed; replaced by an own bitmap; by another attached one
    gdi::HBITMAP mine = ForeignBitmap(32, 16, RGB(1, 2, 3)), other = ForeignBitmap(2, 2, 0);
    std::optional<CMemoryDC> dc(std::in_place);
    dc->SethBitmap(mine);
    EXPECT_EQ(std::tuple(dc->Width(), dc->Height(), dc->PixelColor(31, 15)),
              std::tuple(32, 16, RGB(1, 2, 3)));
    if (then == 1) dc->SetWidth(8);
    if (then == 2) dc->SethBitmap(other);
    dc.reset();
    EXPECT_TRUE(gdi::DeleteObject(mine) && gdi::DeleteObject(other)) << then;  // alive, free
  }
}

// A null picture too.
TEST_F(MemoryDCTest, InvalidHandlesRaiseAndChangeNothing) {
  CMemoryDC holder;  // its bitmap is selected into another context
  gdi::HBITMAP deleted = ForeignBitmap(4, 4, 0);
  gdi::DeleteObject(deleted);
  for (gdi::HANDLE bad : {gdi::HANDLE{0}, deleted, holder.hdc(), holder.hBitmap()}) {
    CMemoryDC dc;
    dc.SetWidth(5);
    const gdi::HBITMAP before = dc.hBitmap();
    try {
      dc.SethBitmap(bad);
      ADD_FAILURE() << "no error for handle " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(std::to_string(e.number()) + " " + e.source() + " " + e.description(),
                "-2147221503 CMemoryDC.hBitmap Invalid handle.");
    }
    EXPECT_THROW(dc.SetPicture(nullptr), Error);
    EXPECT_EQ(std::pair(dc.hBitmap(), dc.Width()), std::pair(before, 5));
  }
}

// A picture is a copy of the real size; a surface set from it has a copy of its own.
TEST_F(MemoryDCTest, PicturesAreIndependentCopiesOfTheRealSize) {
  CMemoryDC dc;
  dc.SetWidth(40);
  dc.SetHeight(30);
  gdi::FillRect(dc.hdc(), 0, 0, 40, 30, RGB(10, 20, 30));
  dc.SetPixelColor(39, 29, RGB(200, 0, 0));
  dc.SetWidth(0);  // refused: the picture still has the surface's real size
  PicturePtr picture = dc.Picture();
  ASSERT_TRUE(picture);
  dc.SetPixelColor(39, 29, RGB(0, 0, 0));  // later drawing leaves the picture alone

  CMemoryDC copy;
  copy.SetPicture(picture);
  EXPECT_NE(copy.hBitmap(), picture->Handle());
  picture.reset();  // the picture deletes its bitmap; the copy has its own
  EXPECT_EQ(std::tuple(copy.Width(), copy.Height(), copy.PixelColor(0, 0), copy.PixelColor(39, 29)),
            std::tuple(40, 30, RGB(10, 20, 30), RGB(200, 0, 0)));
}

}  // namespace
}  // namespace glint
