// The image writers fed with the frames of a sprite: a palette PNG of every decoded frame, a
// sheet of them all and an animated GIF, both made from the records as the converter makes them.
// Each file is read back with the libraries' own decoders and compared with the frames the
// reader decoded, placed where an independent layout puts them.
//
// Input: one byte of options (bit 0 transparent, bits 1-3 the sheet's columns, 0 for square),
// one byte of delay (in units of 10 ms), then a sprite file.
#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "decoded_sprite.h"
#include "image/gif_writer.h"
#include "image/png_writer.h"
#include "image/sheet.h"

using namespace glint;

namespace {

// Frames of a few thousand pixels meet every path of the writers; larger ones only take longer.
constexpr std::int64_t kPixelBudget = std::int64_t{1} << 14;
constexpr std::int64_t kSheetBudget = std::int64_t{1} << 16;
// A frame's PNG depends on nothing but the frame: any frame further on could have come first.
// Each PNG sets up a compressor of its own, which costs more than the frame.
constexpr std::size_t kFramePngs = 8;

void require(bool ok) {
  if (!ok) std::abort();
}

struct Reading {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

void readPng(png_structp png, png_bytep out, png_size_t length) {
  auto* r = static_cast<Reading*>(png_get_io_ptr(png));
  if (length > r->bytes.size() - r->at) png_error(png, "past the end");
  std::memcpy(out, r->bytes.data() + r->at, length);
  r->at += length;
}

// Decodes the PNG and compares it with the image, its palette and its transparency.
bool pngShows(const std::vector<std::uint8_t>& file, const spr::IndexedImage& image,
              const spr::Palette& palette, bool transparent) {
  Reading reading{file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  volatile bool same = true;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reading, readPng);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  same = png_get_image_width(png, info) == static_cast<png_uint_32>(image.width) &&
         png_get_image_height(png, info) == static_cast<png_uint_32>(image.height) &&
         png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
         png_get_bit_depth(png, info) == 8;
  png_colorp colours = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &colours, &count) == 0 || count != 256) same = false;
  for (int k = 0; same && k < 256; ++k)
    same = colours[k].red == palette[4 * k] && colours[k].green == palette[4 * k + 1] &&
           colours[k].blue == palette[4 * k + 2];
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  bool hasAlpha = png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0;
  if (hasAlpha != transparent || (transparent && (alphaCount != 1 || alpha[0] != 0))) same = false;
  png_bytepp rows = png_get_rows(png, info);
  for (int y = 0; same && y < image.height; ++y)
    same = std::memcmp(rows[y], image.row(y), static_cast<std::size_t>(image.width)) == 0;
  png_destroy_read_struct(&png, &info, nullptr);
  return same;
}

// The sheet: frame i at the top-left of cell i, index 0 elsewhere. One too large is refused
// before anything is decoded.
void checkSheet(const fuzz::DecodedSprite& sprite, int columns, bool transparent) {
  const fuzz::SheetGrid grid = fuzz::ExpectedSheet(sprite.records, columns);
  if (grid.pixels() > image::kMaxSheetPixels) {
    try {
      image::ComposeSheet(sprite.records, columns);
    } catch (const image::SheetTooLarge& large) {
      require(large.width == static_cast<std::int64_t>(grid.width()) &&
              large.height == static_cast<std::int64_t>(grid.height()));
      return;
    }
    std::abort();
  }
  if (grid.pixels() > kSheetBudget) return;

  const spr::IndexedImage sheet = image::ComposeSheet(sprite.records, columns);
  const std::size_t width = grid.width();
  require(static_cast<std::size_t>(sheet.width) == width &&
          static_cast<std::size_t>(sheet.height) == grid.height());
  std::vector<std::uint8_t> expected(width * grid.height(), 0);
  for (std::size_t i = 0; i < sprite.frames.size(); ++i) {
    const spr::IndexedImage& f = sprite.frames[i];
    const std::size_t x = i % grid.perRow * grid.cellWidth;
    const std::size_t y = i / grid.perRow * grid.cellHeight;
    for (int row = 0; row < f.height; ++row)
      std::memcpy(expected.data() + (y + static_cast<std::size_t>(row)) * width + x, f.row(row),
                  static_cast<std::size_t>(f.width));
  }
  require(sheet.pixels == expected);
  require(pngShows(image::PalettePng(sheet, sprite.palette, transparent), sheet, sprite.palette,
                   transparent));
}

int readGif(GifFileType* gif, GifByteType* out, int length) {
  auto* r = static_cast<Reading*>(gif->UserData);
  std::size_t n = std::min(static_cast<std::size_t>(length), r->bytes.size() - r->at);
  std::memcpy(out, r->bytes.data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}

// The animation: a canvas as large as the largest frame, each frame centred on it (rounded
// down), shown `delayMs` to the nearest hundredth of a second (at least one).
void checkGif(const fuzz::DecodedSprite& sprite, int delayMs, bool transparent) {
  int width = 0, height = 0;
  for (const auto& f : sprite.frames) {
    width = std::max(width, f.width);
    height = std::max(height, f.height);
  }
  std::vector<std::uint8_t> file;
  image::WriteSpriteGif(
      [&](std::span<const std::uint8_t> b) { file.insert(file.end(), b.begin(), b.end()); },
      sprite.palette, sprite.records, delayMs, transparent);
  const int delay = std::max(1, (delayMs + 5) / 10);

  Reading reading{file};
  int error = 0;
  GifFileType* gif = DGifOpen(&reading, readGif, &error);
  require(gif != nullptr);
  require(DGifSlurp(gif) == GIF_OK);
  require(gif->SWidth == width && gif->SHeight == height);
  require(gif->SColorMap != nullptr && gif->SColorMap->ColorCount == 256);
  for (int k = 0; k < 256; ++k) {
    const GifColorType& c = gif->SColorMap->Colors[k];
    require(c.Red == sprite.palette[4 * k] && c.Green == sprite.palette[4 * k + 1] &&
            c.Blue == sprite.palette[4 * k + 2]);
  }
  require(gif->ImageCount == static_cast<int>(sprite.frames.size()));
  for (int i = 0; i < gif->ImageCount; ++i) {
    const spr::IndexedImage& f = sprite.frames[static_cast<std::size_t>(i)];
    const SavedImage& image = gif->SavedImages[i];
    require(image.ImageDesc.Left == (width - f.width) / 2 &&
            image.ImageDesc.Top == (height - f.height) / 2);
    require(image.ImageDesc.Width == f.width && image.ImageDesc.Height == f.height);
    require(std::memcmp(image.RasterBits, f.pixels.data(), f.pixels.size()) == 0);
    GraphicsControlBlock control{};
    require(DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK);
    require(control.DelayTime == delay && control.DisposalMode == DISPOSE_BACKGROUND);
    require(control.TransparentColor == (transparent ? 0 : NO_TRANSPARENT_COLOR));
  }
  DGifCloseFile(gif, &error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool transparent = (data[0] & 1) != 0;
  const int columns = (data[0] >> 1) & 7;
  const int delayMs = data[1] * 10;
  auto sprite = fuzz::DecodeSprite({data + 2, size - 2}, kPixelBudget);
  sprite.records.resize(sprite.frames.size());  // the frames decoded before a fault
  if (sprite.frames.empty()) return 0;
  for (const auto& f : std::span(sprite.frames).first(std::min(sprite.frames.size(), kFramePngs)))
    require(pngShows(image::PalettePng(f, sprite.palette, transparent), f, sprite.palette,
                     transparent));
  checkSheet(sprite, columns, transparent);
  checkGif(sprite, delayMs, transparent);
  return 0;
}
