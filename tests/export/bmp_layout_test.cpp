#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "export/bmp_layout.h"
#include "export/frame_bmp.h"
#include "spr/frame_codec.h"
#include "support/sprite_builder.h"

namespace glint::bmp {
namespace {

using testing::Bytes;

std::uint32_t at32(const Bytes& b, std::size_t i) {
  return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (static_cast<std::uint32_t>(b[i + 3]) << 24);
}

Bytes frameFile(int width, int height, const Bytes& pixels) {
  spr::FrameRecord frame{static_cast<std::int16_t>(width), static_cast<std::int16_t>(height), 0,
                         testing::EncodePixels(pixels)};
  auto palette = testing::DistinctPalette();
  NoWindow window;
  return *FrameFile(frame, spr::ConvertPalette(palette), window);
}

TEST(BmpLayout, FiveByTwoFrame) {
  Bytes f = frameFile(5, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ASSERT_EQ(f.size(), 1094u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  struct Field {
    std::size_t offset;
    std::uint32_t value;
  };
  for (Field x : {Field{2, 1094}, Field{6, 0}, Field{10, 1078}, Field{14, 40}, Field{18, 5},
                  Field{22, 2}, Field{26, 1 | (8 << 16)}, Field{30, 0}, Field{34, 16}, Field{38, 0},
                  Field{42, 0}, Field{46, 256}, Field{50, 0}})
    EXPECT_EQ(at32(f, x.offset), x.value) << "offset " << x.offset;
  // Bottom row first, then three pad bytes; the top row last.
  EXPECT_EQ(Bytes(f.begin() + 1078, f.end()),
            (Bytes{6, 7, 8, 9, 10, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0}));
}

TEST(BmpLayout, RowPadding) {
  struct Case {
    int width, pad;
  };
  for (Case c : {Case{1, 3}, Case{4, 0}, Case{6, 2}, Case{8, 0}}) {
    Bytes f = frameFile(c.width, 3, Bytes(static_cast<std::size_t>(c.width) * 3, 9));
    EXPECT_EQ(at32(f, 34), 3u * static_cast<std::uint32_t>(c.width + c.pad)) << c.width;
    EXPECT_EQ(f.size(), 1078u + at32(f, 34)) << c.width;
  }
}

TEST(BmpLayout, ColourTableIsThePaletteAsBlueGreenRedZero) {
  std::array<std::uint8_t, 1024> palette{};
  palette[0] = 0x10, palette[1] = 0x20, palette[2] = 0x30, palette[3] = 0x40;
  Bytes f = File(1, 1, spr::ConvertPalette(palette), Bytes{0, 0, 0, 0});
  EXPECT_EQ(Bytes(f.begin() + 54, f.begin() + 58), (Bytes{0x30, 0x20, 0x10, 0x00}));
}

}  // namespace
}  // namespace glint::bmp
