#include "image/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <exception>
#include <stdexcept>

#include "image/png_write.h"

namespace glint::image {
namespace {

struct Output {
  const ByteSink* sink;
  std::exception_ptr error;  // rethrown once libpng has unwound
};

void writeData(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Output*>(png_get_io_ptr(png));
  try {
    (*out->sink)(std::span<const std::uint8_t>(data, length));
  } catch (...) {
    out->error = std::current_exception();
  }
  // Outside the handler: the longjmp must not leave a C++ catch block.
  if (out->error) png_error(png, "output failed");
}

// A palette image as WritePng describes it; everything made before libpng runs.
struct Palette8 {
  png_uint_32 width, height;
  png_bytepp rows;
  png_colorp colours;
  bool transparent;
};

void describePalette8(png_structp png, png_infop info, void* image) {
  const auto* p = static_cast<const Palette8*>(image);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);  // sheets may be wider than the default
  png_set_IHDR(png, info, p->width, p->height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, p->colours, 256);
  png_byte opaque = 0;  // copied by libpng
  if (p->transparent) png_set_tRNS(png, info, &opaque, 1, nullptr);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);  // best for palette images
  png_set_rows(png, info, p->rows);
}

void noFlush(png_structp) {}
void ignoreWarning(png_structp, png_const_charp) {}
[[noreturn]] void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

}  // namespace

bool WritePng(void* io, png_rw_ptr write, PngDescribe describe, void* image) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, ignoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, io, write, noFlush);
  describe(png, info, image);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

void WritePalettePng(const ByteSink& sink, const spr::IndexedImage& image,
                     const spr::Palette& palette, bool transparent) {
  if (image.width <= 0 || image.height <= 0) throw std::invalid_argument("empty image");
  std::vector<png_color> colours(256);
  for (std::size_t k = 0; k < 256; ++k) {
    const spr::Colour c = palette.colour(k);
    colours[k] = png_color{c.red, c.green, c.blue};
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.row(y));
  Output out{&sink, nullptr};
  Palette8 described{static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                     rows.data(), colours.data(), transparent};
  if (!WritePng(&out, writeData, describePalette8, &described)) {
    if (out.error) std::rethrow_exception(out.error);
    throw std::runtime_error("the PNG encoder failed");
  }
}

std::vector<std::uint8_t> PalettePng(const spr::IndexedImage& image, const spr::Palette& palette,
                                     bool transparent) {
  std::vector<std::uint8_t> out;
  out.reserve(image.pixels.size() / 2 + 2048);
  WritePalettePng(
      [&](std::span<const std::uint8_t> bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
      },
      image, palette, transparent);
  return out;
}

}  // namespace glint::image
