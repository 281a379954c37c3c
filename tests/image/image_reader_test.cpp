// Reading images back into frames: every PNG form and BMP variant, and the palette rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include "image/palette_map.h"
#include "support/image_files.h"
#include "support/sprite_builder.h"

namespace glint::image {
namespace {

using testing::Bytes;
using testing::FormSample;
using ::testing::ThrowsMessage;

TEST(ReadPng, EveryFormGivesItsSamples) {
  for (const testing::PngForm& f : testing::EveryPngForm()) {
    SCOPED_TRACE("type " + std::to_string(f.type) + ", depth " + std::to_string(f.depth));
    const SourceImage image = ReadImage(testing::FormPng(f));
    ASSERT_EQ(std::tuple(image.width, image.height), std::tuple(3, 2));
    const unsigned max = (1u << f.depth) - 1;
    if (f.type == PNG_COLOR_TYPE_PALETTE) {
      for (int i = 0; i < 6; ++i) EXPECT_EQ(image.indices[i], FormSample(i, 0, std::min(max, 5u)));
      ASSERT_EQ(image.palette.size(), std::min(6u, 1u << f.depth));
      EXPECT_EQ(std::pair(image.palette[1], image.palette.back().alpha),
                std::pair(PaletteEntry{40, 215, 1, png_byte(f.trns ? 128 : 255)}, png_byte(255)));
      continue;
    }
    for (int i = 0; i < 6; ++i) {
      const bool grey = !(f.type & PNG_COLOR_MASK_COLOR), ownAlpha = f.type & PNG_COLOR_MASK_ALPHA;
      const auto sample = [&](int j, int c) { return FormSample(j, grey ? 0 : c, max); };
      bool keyed = f.trns;  // a transparency chunk keys pixel 0's colour
      for (int c = 0; c < 3; ++c) keyed = keyed && sample(i, c) == sample(0, c);
      const unsigned alpha = keyed ? 0 : ownAlpha ? FormSample(i, 3, max) : max;
      for (int c = 0; c < 4; ++c) {
        const unsigned s = c == 3 ? alpha : sample(i, c);
        const unsigned got = f.depth == 16 ? image.rgba16[4 * i + c] : image.rgba[4 * i + c];
        EXPECT_EQ(got, f.depth == 16 ? s : s * 255 / max);
      }
    }
  }
}

TEST(ReadBmp, EveryVariantGivesTheSameIndicesAndPalette) {
  // Header size, colours, top down, compressed.
  const int variants[][4] = {
      {40, 256, 0, 0}, {12, 256, 0, 0}, {124, 6, 1, 0}, {108, 16, 0, 1}, {56, 6, 1, 1}};
  for (auto [header, colours, topDown, compressed] : variants) {
    SCOPED_TRACE(std::to_string(header) + " " + std::to_string(colours));
    const SourceImage image = ReadImage(testing::VariantBmp(header, colours, topDown, compressed));
    EXPECT_EQ(image.indices, (Bytes{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(image.palette.size(), static_cast<std::size_t>(colours));
    EXPECT_EQ(image.palette[5], (PaletteEntry{5, 10, 15, 255}));
  }
}

TEST(ReadBmp, UnsupportedCutOrTooLargeIsRefused) {
  Bytes fourBit = testing::VariantBmp(40, 16, false);
  fourBit[28] = 4;
  Bytes cut = testing::VariantBmp(40, 256, false);
  cut.resize(cut.size() - 2);
  for (const Bytes& broken : {fourBit, cut, Bytes{'B', 'M', 0}, Bytes{'P', '6'}})
    EXPECT_THROW(ReadImage(broken), Unreadable);
  EXPECT_THROW(ReadImage(testing::VariantBmp(40, 256, false), {2, 100}), ImageTooLarge);
}

// A run-length stream must set every pixel; the bottom row comes first.
TEST(ReadBmp, RunLengthPixelsLeftUnsetAreRefused) {
  auto withStream = [](const Bytes& stream) {
    Bytes bmp = testing::VariantBmp(40, 256, false, true);
    bmp.resize(bmp[10] | bmp[11] << 8);
    bmp.insert(bmp.end(), stream.begin(), stream.end());
    return bmp;
  };
  // No end marker, but every pixel set.
  EXPECT_EQ(ReadImage(withStream({3, 7, 0, 0, 3, 1})).indices, (Bytes{1, 1, 1, 7, 7, 7}));
  const std::pair<Bytes, std::string> unset[] = {
      {{0, 3, 3, 4, 5, 0, 0, 0, 1, 9}, "(1, 0)"},        // cut
      {{}, "(0, 1)"},                                    // empty
      {{0, 3, 3, 4, 5, 0, 0, 2, 1}, "(0, 0)"},           // cut delta escape
      {{2, 7, 0, 0, 3, 1, 0, 1}, "(2, 1)"},              // early end of row
      {{3, 7, 0, 1, 3, 1}, "(0, 0)"},                    // early end of image
      {{1, 7, 0, 2, 1, 0, 1, 7, 3, 1, 0, 1}, "(1, 1)"},  // a jump over a pixel
  };
  for (const auto& [stream, pixel] : unset)
    EXPECT_THAT([&] { ReadImage(withStream(stream)); },
                ThrowsMessage<Unreadable>("a broken BMP file: the compressed pixels leave pixel " +
                                          pixel + " unset"));
}

// Two pixels a row: 8-bit samples, or 16-bit ones when given.
SourceImage direct(Bytes rgba, std::vector<std::uint16_t> rgba16 = {}) {
  SourceImage i;
  i.width = 2, i.height = int((rgba.size() + rgba16.size()) / 8), i.depth = rgba16.empty() ? 8 : 16;
  i.rgba = std::move(rgba), i.rgba16 = std::move(rgba16);
  return i;
}

// The indices, or which pixel has none and why.
std::string outcome(const SourceImage& image, const spr::Palette& palette, bool transparent) {
  try {
    std::string text;
    for (int i : MapToPalette(image, palette, transparent).pixels) text += std::to_string(i) + " ";
    return text;
  } catch (const UnmappedPixel& e) {
    return "fault " + std::to_string(static_cast<int>(e.kind())) + " at " + std::to_string(e.x()) +
           "," + std::to_string(e.y()) + " " + e.colour();
  }
}

TEST(MapToPalette, ExactlyOrNotAtAll) {
  spr::Palette palette = testing::DistinctPalette();  // entry k: (k, 255 - k, 7k mod 256)
  palette.setColour(9, {3, 252, 21});                 // 9 repeats 3
  SourceImage same;  // the sprite's palette, its repeated colour kept apart by index
  same.width = 4, same.height = 1, same.indexed = true, same.indices = {9, 3, 0, 200};
  for (int k = 0; k < 256; ++k)
    same.palette.push_back({palette[4 * k], palette[4 * k + 1], palette[4 * k + 2], 255});
  SourceImage reordered = same;  // another order of the same colours: mapped by colour
  std::swap(reordered.palette[0], reordered.palette[200]);
  reordered.indices = {9, 3, 200, 0};
  SourceImage keyed = same;  // a transparency chunk
  keyed.palette[3].alpha = 0;
  SourceImage shortPalette = same;
  shortPalette.palette.resize(10);
  const std::tuple<SourceImage, bool, std::string> cases[] = {
      {same, false, "9 3 0 200 "},
      {reordered, false, "3 3 0 200 "},
      {keyed, true, "9 0 0 200 "},
      {keyed, false, "9 3 0 200 "},
      {shortPalette, false, "fault 2 at 3,0 "},  // index 200 beyond 10 entries
      {direct({3, 252, 21, 255, 5, 250, 35, 0}), false, "3 5 "},
      {direct({3, 252, 21, 255, 1, 2, 3, 0}), true, "3 0 "},
      {direct({3, 252, 21, 255, 1, 2, 3, 0}), false, "fault 0 at 1,0 #010203"},
      {direct({3, 252, 21, 255, 0, 0, 0, 0, 3, 252, 21, 254, 0, 0, 0, 0}), true,
       "fault 1 at 0,1 #03FC15"},
      {direct({}, {771, 64764, 5397, 65535, 0, 0, 0, 0}), true, "3 0 "},  // 8-bit colours x 257
      {direct({}, {771, 64764, 5397, 65535, 771, 64764, 5398, 65535}), false,
       "fault 3 at 1,0 #0303FCFC1516"},
      // Only index 0 holds (0, 255, 0): with transparent, an opaque pixel of it has no index.
      {direct({3, 252, 21, 255, 0, 255, 0, 255}), true, "fault 4 at 1,0 #00FF00"},
      {reordered, true, "fault 4 at 2,0 #00FF00"},
  };
  for (const auto& [image, transparent, expected] : cases)
    EXPECT_EQ(outcome(image, palette, transparent), expected);
  spr::Palette shared = palette;  // 7 repeats index 0's colour: opaque pixels of it go there
  shared.setColour(7, {0, 255, 0});
  EXPECT_EQ(outcome(direct({0, 255, 0, 255, 0, 255, 0, 0}), shared, false), "0 0 ");
  EXPECT_EQ(outcome(reordered, shared, true), "3 3 7 200 ");
}

// Entries an image lacks are black; a sprite's reserved bytes are read as 0.
TEST(PaletteFile, MissingEntriesBlackAndReservedBytesZero) {
  SourceImage shortPalette;
  shortPalette.indexed = true, shortPalette.palette.resize(10);
  EXPECT_EQ(SpritePaletteOf(shortPalette).colour(10), spr::Colour{});
  EXPECT_EQ(ReadPaletteFile(testing::SpriteBuilder().build())[4 * 9 + 3], 0);  // reserved byte
}

}  // namespace
}  // namespace glint::image
