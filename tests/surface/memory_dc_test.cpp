#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "surface/memory_dc.h"

namespace glint {
namespace {

using gdi::RGB;

// Every test ends with the handle table as it found it: nothing leaked, nothing deleted twice.
class MemoryDCTest : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = gdi::LiveHandleCount(); }
  void TearDown() override { EXPECT_EQ(gdi::LiveHandleCount(), baseline_); }

  // A bitmap of someone else's, painted with one colour.
  static gdi::HBITMAP foreignBitmap(int w, int h, gdi::COLORREF colour) {
    CMemoryDC maker;
    maker.SetWidth(w);
    maker.SetHeight(h);
    gdi::FillRect(maker.hdc(), 0, 0, w, h, colour);
    maker.SetTerminateKillsBitmap(false);
    return maker.hBitmap();
  }

  int baseline_ = 0;
};

struct SizeCase {
  const char* name;
  std::vector<std::pair<char, int>> writes;  // 'w' or 'h', value
  int width, height;
};

TEST_F(MemoryDCTest, SizesFollowTheBitmapAndRefusedSizesKeepIt) {
  const std::vector<SizeCase> cases = {
      {"new", {}, 1, 1},
      {"width then height", {{'w', 10}, {'h', 20}}, 10, 20},
      {"zero width keeps the bitmap", {{'w', 10}, {'h', 20}, {'w', 0}}, 10, 20},
      {"then height makes none", {{'w', 10}, {'h', 20}, {'w', 0}, {'h', 5}}, 10, 20},
      {"negative", {{'h', -3}}, 1, 1},
      {"positive again", {{'w', 10}, {'w', 0}, {'h', 5}, {'w', 7}}, 7, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CMemoryDC dc;
    const int live = gdi::LiveHandleCount();  // context, its placeholder, one bitmap
    for (auto [side, value] : c.writes) side == 'w' ? dc.SetWidth(value) : dc.SetHeight(value);
    EXPECT_EQ(dc.Width(), c.width);
    EXPECT_EQ(dc.Height(), c.height);
    EXPECT_EQ(gdi::LiveHandleCount(), live);  // every bitmap made in between is gone
    EXPECT_TRUE(gdi::IsValid(dc.hdc()));
    EXPECT_TRUE(gdi::IsValid(dc.hBitmap()));
    EXPECT_TRUE(dc.TerminateKillsBitmap());
    EXPECT_EQ(dc.WidthBytes(), c.width * 4);
    EXPECT_EQ(dc.BitsPerPixel(), 32);
    EXPECT_EQ(dc.Planes(), 1);
    EXPECT_EQ(dc.bmType(), 0);
    EXPECT_EQ(dc.Bits(), 0u);
  }
}

TEST_F(MemoryDCTest, PixelsReadBackAndWritingTheSameSizeStartsAfresh) {
  CMemoryDC dc;
  dc.SetWidth(10);
  dc.SetHeight(20);
  const gdi::COLORREF colour = RGB(0x12, 0x34, 0x56);
  dc.SetPixelColor(3, 4, colour);
  EXPECT_EQ(dc.PixelColor(3, 4), 0x563412u);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {10, 0}, {0, 20}, {0, -1}}) {
    dc.SetPixelColor(x, y, colour);
    EXPECT_EQ(dc.PixelColor(x, y), gdi::CLR_INVALID);
  }
  dc.SetWidth(10);
  EXPECT_NE(dc.PixelColor(3, 4), colour);
}

TEST_F(MemoryDCTest, AttachedBitmapsAreNeverDeleted) {
  // What happens to the surface after attaching, and whether the attached bitmap survives it.
  const std::vector<std::pair<const char*, std::function<void(std::optional<CMemoryDC>&)>>> then = {
      {"destroyed", [](auto& dc) { dc.reset(); }},
      {"destroyed without TerminateKillsBitmap",
       [](auto& dc) {
         dc->SetTerminateKillsBitmap(false);
         dc.reset();
       }},
      {"resized to an own bitmap",
       [](auto& dc) {
         dc->SetWidth(8);
         EXPECT_EQ(dc->Width(), 8);
         EXPECT_EQ(dc->Height(), 16);
       }},
      {"another attached", [](auto& dc) {
         gdi::HBITMAP other = foreignBitmap(2, 2, 0);
         dc->SethBitmap(other);
         dc.reset();
         EXPECT_TRUE(gdi::DeleteObject(other));
       }}};
  for (const auto& [name, action] : then) {
    SCOPED_TRACE(name);
    gdi::HBITMAP mine = foreignBitmap(32, 16, RGB(1, 2, 3));
    std::optional<CMemoryDC> dc(std::in_place);
    dc->SethBitmap(mine);
    EXPECT_EQ(dc->hBitmap(), mine);
    EXPECT_EQ(dc->Width(), 32);
    EXPECT_EQ(dc->Height(), 16);
    EXPECT_EQ(dc->PixelColor(31, 15), RGB(1, 2, 3));
    action(dc);
    dc.reset();
    EXPECT_TRUE(gdi::IsValid(mine));
    EXPECT_TRUE(gdi::DeleteObject(mine));  // selected nowhere any more
  }
}

TEST_F(MemoryDCTest, InvalidHandlesRaiseAndChangeNothing) {
  CMemoryDC holder;  // its bitmap is selected into another context
  gdi::HBITMAP deleted = foreignBitmap(4, 4, 0);
  gdi::DeleteObject(deleted);
  for (gdi::HANDLE bad : {gdi::HANDLE{0}, deleted, holder.hdc(), holder.hBitmap()}) {
    CMemoryDC dc;
    dc.SetWidth(5);
    const gdi::HBITMAP before = dc.hBitmap();
    try {
      dc.SethBitmap(bad);
      ADD_FAILURE() << "no error for handle " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), -2147221503);
      EXPECT_EQ(e.source(), "CMemoryDC.hBitmap");
      EXPECT_EQ(e.description(), "Invalid handle.");
    }
    EXPECT_EQ(dc.hBitmap(), before);
    EXPECT_EQ(dc.Width(), 5);
    EXPECT_THROW(dc.SetPicture(nullptr), Error);
  }
}

TEST_F(MemoryDCTest, OwnBitmapOutlivesTheSurfaceWhenTerminateKillsBitmapIsFalse) {
  gdi::HBITMAP kept;
  {
    CMemoryDC dc;
    dc.SethBitmap(dc.hBitmap());  // its own bitmap: nothing changes
    dc.SetTerminateKillsBitmap(false);
    kept = dc.hBitmap();
  }
  ASSERT_TRUE(gdi::IsValid(kept));
  EXPECT_TRUE(gdi::DeleteObject(kept));
}

TEST_F(MemoryDCTest, PicturesAreIndependentCopies) {
  CMemoryDC dc;
  dc.SetWidth(40);
  dc.SetHeight(30);
  gdi::FillRect(dc.hdc(), 0, 0, 40, 30, RGB(10, 20, 30));
  dc.SetPixelColor(39, 29, RGB(200, 0, 0));
  PicturePtr picture = dc.Picture();
  ASSERT_TRUE(picture);
  dc.SetPixelColor(39, 29, RGB(0, 0, 0));  // later drawing leaves the picture alone

  CMemoryDC copy;
  copy.SetPicture(picture);
  EXPECT_EQ(copy.Width(), 40);
  EXPECT_EQ(copy.Height(), 30);
  EXPECT_NE(copy.hBitmap(), picture->Handle());
  picture.reset();  // the picture deletes its bitmap; the copy has its own
  EXPECT_EQ(copy.PixelColor(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(copy.PixelColor(39, 29), RGB(200, 0, 0));

  copy.SetWidth(0);  // a refused size: the picture still has the surface's real size
  PicturePtr again = copy.Picture();
  gdi::BITMAP bm;
  ASSERT_NE(gdi::GetObjectA(again->Handle(), gdi::kBitmapRecordSize, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 40);
  EXPECT_EQ(bm.bmHeight, 30);
}

}  // namespace
}  // namespace glint
