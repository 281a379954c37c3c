// Reading images back into frames: every PNG form and BMP variant, and the palette rules.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>

#include "image/palette_map.h"
#include "support/sprite_builder.h"

namespace glint::image {
namespace {

using testing::Bytes;

// Sample c of pixel i at this maximum; the same formula gives what the reader must return.
unsigned sample(int i, int c, unsigned max) { return (i * 37 + c * 71) % 6 * max / 5; }

struct Png {
  int type, depth;
  bool trns = false, interlaced = false;
};

// Six pixels, 3 x 2, written by libpng in the form asked for.
Bytes writePng(const Png& f) {
  const unsigned max = (1u << f.depth) - 1;
  const int channels = f.type == PNG_COLOR_TYPE_RGBA         ? 4
                       : f.type == PNG_COLOR_TYPE_RGB        ? 3
                       : f.type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                             : 1;
  Bytes out, rows[2];
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return {};
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep d, png_size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(png, info, 3, 2, f.depth, f.type, f.interlaced, 0, 0);
  png_color colours[6];
  png_byte alpha[2] = {0, 128};
  png_color_16 key{
      0, static_cast<png_uint_16>(sample(0, 0, max)), static_cast<png_uint_16>(sample(0, 1, max)),
      static_cast<png_uint_16>(sample(0, 2, max)), static_cast<png_uint_16>(sample(0, 0, max))};
  for (int k = 0; k < 6; ++k) colours[k] = {png_byte(40 * k), png_byte(255 - 40 * k), png_byte(k)};
  if (f.type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, colours, std::min(6, 1 << f.depth));
  if (f.trns) png_set_tRNS(png, info, alpha, 2, &key);
  for (int i = 0; i < 6; ++i)
    for (int c = 0; c < (f.type == PNG_COLOR_TYPE_GRAY_ALPHA ? 4 : channels); ++c) {
      if (f.type == PNG_COLOR_TYPE_GRAY_ALPHA && (c == 1 || c == 2)) continue;
      const unsigned s =
          f.type == PNG_COLOR_TYPE_PALETTE ? sample(i, 0, std::min(max, 5u)) : sample(i, c, max);
      if (f.depth == 16) rows[i / 3].push_back(png_byte(s >> 8));
      rows[i / 3].push_back(png_byte(s));
    }
  png_bytep pointers[2] = {rows[0].data(), rows[1].data()};
  png_set_rows(png, info, pointers);
  png_write_png(png, info, f.depth < 8 ? PNG_TRANSFORM_PACKING : 0, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(ReadPng, EveryFormGivesItsSamples) {
  std::vector<Png> forms;
  for (int depth : {1, 2, 4, 8}) forms.push_back({PNG_COLOR_TYPE_PALETTE, depth, depth == 2});
  for (int depth : {1, 2, 4, 8, 16}) forms.push_back({PNG_COLOR_TYPE_GRAY, depth, depth == 4});
  for (int depth : {8, 16})
    for (int type : {PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA})
      forms.push_back({type, depth, type == PNG_COLOR_TYPE_RGB, depth == 16});
  for (const Png& f : forms) {
    SCOPED_TRACE("type " + std::to_string(f.type) + ", depth " + std::to_string(f.depth));
    const SourceImage image = ReadImage(writePng(f));
    ASSERT_EQ(std::tuple(image.width, image.height), std::tuple(3, 2));
    const unsigned max = (1u << f.depth) - 1;
    for (int i = 0; i < 6; ++i) {
      if (f.type == PNG_COLOR_TYPE_PALETTE) {
        EXPECT_EQ(image.indices[i], sample(i, 0, std::min(max, 5u)));
        continue;
      }
      const bool grey = (f.type & PNG_COLOR_MASK_COLOR) == 0;
      unsigned alpha = f.type & PNG_COLOR_MASK_ALPHA ? sample(i, 3, max) : max;
      bool keyed = f.trns;
      for (int c = 0; c < 3; ++c)
        keyed = keyed && sample(i, grey ? 0 : c, max) == sample(0, grey ? 0 : c, max);
      if (keyed) alpha = 0;
      for (int c = 0; c < 4; ++c) {
        const unsigned s = c == 3 ? alpha : sample(i, grey ? 0 : c, max);
        if (f.depth == 16)
          EXPECT_EQ(image.rgba16[4 * i + c], s);
        else
          EXPECT_EQ(image.rgba[4 * i + c], s * 255 / max);
      }
    }
    if (f.type == PNG_COLOR_TYPE_PALETTE) {
      ASSERT_EQ(image.palette.size(), std::min(6u, 1u << f.depth));
      EXPECT_EQ(image.palette[1],
                (PaletteEntry{40, 215, 1, f.trns ? png_byte(128) : png_byte(255)}));
      EXPECT_EQ(image.palette.back().alpha, 255);
    }
  }
}

// An 8-bit BMP of 3 x 2 pixels (indices 0 to 5) with a colour table of `colours` entries, in
// the layout of a header of `headerSize` bytes; `compressed` stores the rows run-length coded.
Bytes bmp(std::uint32_t headerSize, int colours, bool topDown, bool compressed = false) {
  const bool core = headerSize == 12;
  const std::size_t entry = core ? 3 : 4, tableAt = 14 + headerSize;
  Bytes b(tableAt + entry * colours, 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) b[at + k] = std::uint8_t(v >> 8 * k);
  };
  b[0] = 'B', b[1] = 'M';
  put(10, static_cast<std::uint32_t>(b.size()), 4);
  put(14, headerSize, 4);
  put(18, 3, core ? 2 : 4);
  put(core ? 20 : 22, topDown ? std::uint32_t(-2) : 2, core ? 2 : 4);
  put(core ? 24 : 28, 8, 2);
  if (!core) put(30, compressed, 4), put(46, colours == 256 ? 0 : colours, 4);
  for (int k = 0; k < colours; ++k) put(tableAt + entry * k, 0x010203u * k, 3);  // blue first
  const Bytes top{0, 1, 2}, bottom{3, 4, 5};
  const Bytes& first = topDown ? top : bottom;
  const Bytes& second = topDown ? bottom : top;
  if (compressed) {  // a padded literal span and a row's end; runs and the image's end
    b.insert(b.end(), {0, 3, first[0], first[1], first[2], 0, 0, 0});
    b.insert(b.end(), {1, second[0], 1, second[1], 1, second[2], 0, 1});
  } else {
    b.insert(b.end(), first.begin(), first.end());
    b.insert(b.end(), {0, second[0], second[1], second[2]});  // no padding after the last row
  }
  return b;
}

TEST(ReadBmp, VariantsAndRefusals) {
  for (auto [header, colours, topDown, compressed] : {std::tuple(40u, 256, false, false),
                                                      {12u, 256, false, false},
                                                      {124u, 6, true, false},
                                                      {108u, 16, false, true},
                                                      {56u, 6, true, true}}) {
    SCOPED_TRACE(std::to_string(header) + " " + std::to_string(colours));
    const SourceImage image = ReadImage(bmp(header, colours, topDown, compressed));
    EXPECT_EQ(image.indices, (Bytes{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(image.palette.size(), static_cast<std::size_t>(colours));
    EXPECT_EQ(image.palette[5], (PaletteEntry{5, 10, 15, 255}));
  }
  Bytes fourBit = bmp(40, 16, false);
  fourBit[28] = 4;
  Bytes cut = bmp(40, 256, false);
  cut.resize(cut.size() - 2);
  for (const Bytes& broken : {fourBit, cut, Bytes{'B', 'M', 0}, Bytes{'P', '6'}})
    EXPECT_THROW(ReadImage(broken), Unreadable);
  EXPECT_THROW(ReadImage(bmp(40, 256, false), {2, 100}), ImageTooLarge);
}

SourceImage direct(std::vector<std::uint8_t> rgba) {
  SourceImage i;
  i.width = 2;
  i.height = static_cast<int>(rgba.size() / 8);
  i.rgba = std::move(rgba);
  return i;
}

TEST(MapToPalette, ExactlyOrNotAtAll) {
  spr::Palette palette = testing::DistinctPalette();  // entry k: (k, 255 - k, 7k mod 256)
  palette[4 * 9] = 3, palette[4 * 9 + 1] = 252, palette[4 * 9 + 2] = 21;  // 9 repeats 3
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
  using Kind = UnmappedPixel::Kind;
  const struct {
    const char* name;
    SourceImage image;
    bool transparent;
    Bytes indices;
    std::optional<std::tuple<Kind, int, int, std::string>> fault = std::nullopt;
  } cases[] = {
      {"same palette", same, false, {9, 3, 0, 200}},
      {"another palette", reordered, false, {3, 3, 0, 200}},
      {"transparent entry, flag", keyed, true, {9, 0, 0, 200}},
      {"transparent entry, no flag", keyed, false, {9, 3, 0, 200}},
      {"index beyond a short palette",
       shortPalette,
       false,
       {},
       {{Kind::kIndexOutsidePalette, 3, 0, ""}}},
      {"RGB and RGBA", direct({3, 252, 21, 255, 5, 250, 35, 0}), false, {3, 5}},
      {"fully transparent, flag", direct({3, 252, 21, 255, 1, 2, 3, 0}), true, {3, 0}},
      {"fully transparent, no flag",
       direct({3, 252, 21, 255, 1, 2, 3, 0}),
       false,
       {},
       {{Kind::kNoSuchColour, 1, 0, "#010203"}}},
      {"partly transparent",
       direct({3, 252, 21, 255, 0, 0, 0, 0, 3, 252, 21, 254, 0, 0, 0, 0}),
       true,
       {},
       {{Kind::kPartlyTransparent, 0, 1, "#03FC15"}}},
  };
  for (const auto& c : cases) {
    try {
      const spr::IndexedImage mapped = MapToPalette(c.image, palette, c.transparent);
      EXPECT_FALSE(c.fault) << c.name;
      EXPECT_EQ(mapped.pixels, c.indices) << c.name;
    } catch (const UnmappedPixel& e) {
      EXPECT_EQ(std::tuple(e.kind(), e.x(), e.y(), e.colour()), c.fault) << c.name;
    }
  }
  // 16-bit samples: an 8-bit colour scaled by 257, or nothing.
  SourceImage deep = direct({});
  deep.depth = 16, deep.height = 1,
  deep.rgba16 = {771, 64764, 5397, 65535, 771, 64764, 5398, 65535};
  try {
    MapToPalette(deep, palette, false);
    ADD_FAILURE();
  } catch (const UnmappedPixel& e) {
    EXPECT_EQ(std::tuple(e.kind(), e.x(), e.colour()),
              std::tuple(Kind::kNotEightBit, 1, std::string("#0303FCFC1516")));
  }
  EXPECT_EQ(SpritePaletteOf(shortPalette)[4 * 10], 0);
  EXPECT_EQ(ReadPaletteFile(testing::SpriteBuilder().build())[4 * 9 + 3], 0);  // reserved byte
}

}  // namespace
}  // namespace glint::image
