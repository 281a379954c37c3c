// Thumbnails with text keys, as desktop thumbnail caches keep them, and the frame they show.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "image/png_write.h"
#include "image/thumbnail.h"

namespace glint::image {
namespace {

struct Input {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

void readBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* in = static_cast<Input*>(png_get_io_ptr(png));
  if (length > in->bytes.size() - in->at) png_error(png, "the file ends early");
  std::memcpy(out, in->bytes.data() + in->at, length);
  in->at += length;
}

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void ignoreWarning(png_structp, png_const_charp) {}
[[noreturn]] void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// An RGBA image with its text keys as WritePng describes it.
struct Described {
  const RgbaImage* image;
  png_bytepp rows;
  png_textp text;
  int textCount;
};

void describeRgba(png_structp png, png_infop info, void* what) {
  const auto* d = static_cast<const Described*>(what);
  png_set_IHDR(png, info, static_cast<png_uint_32>(d->image->width),
               static_cast<png_uint_32>(d->image->height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);  // speed over size, as RgbaPng: a folder at a time
  if (d->textCount > 0) png_set_text(png, info, d->text, d->textCount);
  png_set_rows(png, info, d->rows);
}

struct Decoded {
  std::vector<std::uint8_t> pixels;  // sized for the largest image allowed
  std::vector<png_bytep> rows;
  png_uint_32 width = 0, height = 0;
  PngText text;
};

// Plain C flow: libpng reports failures by longjmp, which must not cross C++ frames that own
// anything. Every buffer is made before and lives outside.
bool decode(Input* in, Decoded* out, png_uint_32 maxSide) {
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, ignoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, in, readBytes);
  png_set_user_limits(png, maxSide, maxSide);
  png_set_chunk_malloc_max(png, 1 << 20);
  png_read_info(png, info);
  out->width = png_get_image_width(png, info);
  out->height = png_get_image_height(png, info);
  const png_byte type = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  if ((type & PNG_COLOR_MASK_ALPHA) == 0 && !png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != 4 * static_cast<std::size_t>(out->width))
    png_error(png, "not RGBA after the transformations");
  for (png_uint_32 y = 0; y < out->height; ++y)
    out->rows[y] = out->pixels.data() + 4 * static_cast<std::size_t>(out->width) * y;
  png_read_image(png, out->rows.data());
  png_read_end(png, info);
  png_textp text = nullptr;
  const int count = png_get_text(png, info, &text, nullptr);
  for (int k = 0; k < count; ++k) {
    // Copying may throw; libpng's own frames are all behind us but this one, which owns nothing.
    try {
      out->text.emplace_back(text[k].key, text[k].text);
    } catch (...) {
      png_destroy_read_struct(&png, &info, nullptr);
      return false;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

std::vector<std::uint8_t> RgbaPngWithText(const RgbaImage& image, const PngText& text) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != 4 * static_cast<std::size_t>(image.width) * image.height)
    throw std::invalid_argument("the image's size does not match its pixels");
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (std::size_t y = 0; y < rows.size(); ++y)
    rows[y] = const_cast<png_bytep>(image.pixels.data()) + 4 * y * image.width;
  std::vector<png_text> chunks(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    chunks[k].compression = PNG_TEXT_COMPRESSION_NONE;
    chunks[k].key = const_cast<char*>(text[k].first.c_str());
    chunks[k].text = const_cast<char*>(text[k].second.c_str());
    chunks[k].text_length = text[k].second.size();
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(image.pixels.size() / 2 + 1024);
  Described described{&image, rows.data(), chunks.data(), static_cast<int>(chunks.size())};
  if (!WritePng(&bytes, writeBytes, describeRgba, &described))
    throw std::runtime_error("the PNG encoder failed");
  return bytes;
}

namespace {
// Every chunk lies within the bytes, up to IEND. libpng trusts a text chunk's length before it
// reads it: a file of a few bytes could otherwise claim gigabytes.
bool ChunksFit(std::span<const std::uint8_t> bytes) {
  std::size_t at = 8;  // the signature
  while (at + 12 <= bytes.size()) {
    const std::uint64_t length =
        std::uint64_t{bytes[at]} << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
    if (length > bytes.size() - at - 12) return false;
    if (std::equal(bytes.begin() + at + 4, bytes.begin() + at + 8, "IEND")) return true;
    at += 12 + static_cast<std::size_t>(length);
  }
  return false;
}
}  // namespace

std::optional<TextPng> ReadRgbaPngWithText(std::span<const std::uint8_t> bytes, int maxSide) {
  if (maxSide <= 0 || !ChunksFit(bytes)) return std::nullopt;
  const auto side = static_cast<std::size_t>(maxSide);
  Decoded out;
  out.pixels.resize(4 * side * side);
  out.rows.resize(side);
  Input in{bytes};
  if (!decode(&in, &out, static_cast<png_uint_32>(maxSide))) return std::nullopt;
  TextPng png;
  png.image.width = static_cast<int>(out.width);
  png.image.height = static_cast<int>(out.height);
  out.pixels.resize(4 * static_cast<std::size_t>(out.width) * out.height);
  png.image.pixels = std::move(out.pixels);
  png.text = std::move(out.text);
  return png;
}

void ThumbnailChoice::consider(spr::FrameRecord&& frame) {
  spr::CheckFrameData(frame);
  if (settled() || !spr::HasPixels(frame)) return;
  if (spr::HasNonZeroPixel(frame)) {
    visible_ = std::move(frame);
  } else if (!fallback_) {
    fallback_ = std::move(frame);
  }
}

std::optional<spr::FrameRecord> ThumbnailChoice::take() {
  return visible_ ? std::move(visible_) : std::move(fallback_);
}

}  // namespace glint::image
