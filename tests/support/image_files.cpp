#include "support/image_files.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>

namespace glint::testing {

// 16-bit samples get a low byte of their own, so that reading their bytes in the wrong order shows.
unsigned FormSample(int i, int c, unsigned max) {
  const unsigned sample = (i * 37 + c * 71) % 6 * max / 5;
  return max > 255 ? sample ^ 0x12 : sample;
}

Bytes FormPng(const PngForm& f) {
  const unsigned max = (1u << f.depth) - 1;
  // Samples a pixel stores: c 0 (grey or an index) or 0 to 2, and 3 with alpha.
  std::vector<int> samples{0};
  if (f.type == PNG_COLOR_TYPE_RGB || f.type == PNG_COLOR_TYPE_RGBA) samples = {0, 1, 2};
  if (f.type & PNG_COLOR_MASK_ALPHA) samples.push_back(3);
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
  const auto first = [&](int c) { return static_cast<png_uint_16>(FormSample(0, c, max)); };
  png_color_16 key{0, first(0), first(1), first(2), first(0)};
  for (int k = 0; k < 6; ++k) colours[k] = {png_byte(40 * k), png_byte(255 - 40 * k), png_byte(k)};
  if (f.type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, colours, std::min(6, 1 << f.depth));
  if (f.trns) png_set_tRNS(png, info, alpha, 2, &key);
  for (int i = 0; i < 6; ++i)
    for (int c : samples) {
      const unsigned s = f.type == PNG_COLOR_TYPE_PALETTE ? FormSample(i, 0, std::min(max, 5u))
                                                          : FormSample(i, c, max);
      if (f.depth == 16) rows[i / 3].push_back(png_byte(s >> 8));
      rows[i / 3].push_back(png_byte(s));
    }
  png_bytep pointers[2] = {rows[0].data(), rows[1].data()};
  png_set_rows(png, info, pointers);
  png_write_png(png, info, f.depth < 8 ? PNG_TRANSFORM_PACKING : 0, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<PngForm> EveryPngForm() {
  std::vector<PngForm> forms;
  for (int depth : {1, 2, 4, 8}) forms.push_back({PNG_COLOR_TYPE_PALETTE, depth, depth == 2});
  for (int depth : {1, 2, 4, 8, 16}) forms.push_back({PNG_COLOR_TYPE_GRAY, depth, depth == 4});
  for (int depth : {8, 16})
    for (int type : {PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA})
      forms.push_back({type, depth, type == PNG_COLOR_TYPE_RGB, depth == 16});
  return forms;
}

Bytes VariantBmp(std::uint32_t headerSize, int colours, bool topDown, bool compressed) {
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

Bytes WithChunk(Bytes png, const std::string& type, const Bytes& data, std::uint32_t length) {
  Bytes chunk = {Bytes::value_type(length >> 24), Bytes::value_type(length >> 16),
                 Bytes::value_type(length >> 8), Bytes::value_type(length)};
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  const auto crc = static_cast<std::uint32_t>(
      ::crc32(::crc32(0, chunk.data() + 4, 4), data.data(), static_cast<uInt>(data.size())));
  for (int shift : {24, 16, 8, 0}) chunk.push_back(Bytes::value_type(crc >> shift));
  const auto pixels = std::search(png.begin(), png.end(), std::begin("IDAT"), std::end("IDAT") - 1);
  png.insert(pixels - 4, chunk.begin(), chunk.end());
  return png;
}

}  // namespace glint::testing
