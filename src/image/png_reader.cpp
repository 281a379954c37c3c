// PNG files in every form: palette images at 1, 2, 4 or 8 bits keep their indices and palette
// (a short palette, a transparency chunk); grey, grey with alpha, RGB and RGBA at any depth
// become red, green, blue and alpha at 8 or 16 bits, the samples as stored (no gamma applied).
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>

#include "image/image_reader.h"

namespace glint::image {
namespace {

// What any chunk the reader still keeps may take (a palette, its transparency): far less.
constexpr png_alloc_size_t kChunkLimit = 1 << 20;

struct Input {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

struct Output {
  SourceImage* image = nullptr;
  const ImageLimits* limits = nullptr;
  std::vector<std::uint8_t> raw;  // the rows after the transformations
  std::vector<png_bytep> rows;
  char message[160] = "";
  std::int64_t tooWide = 0, tooHigh = 0;
};

enum class Result { kRead, kBroken, kTooLarge, kNoMemory };

void readBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* in = static_cast<Input*>(png_get_io_ptr(png));
  if (length > in->bytes.size() - in->at) png_error(png, "the file ends early");
  std::memcpy(out, in->bytes.data() + in->at, length);
  in->at += length;
}

void keepMessage(png_structp png, png_const_charp message) {
  auto* out = static_cast<Output*>(png_get_error_ptr(png));
  std::strncpy(out->message, message, sizeof(out->message) - 1);
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Plain C flow from here on: libpng reports failures by longjmp, which must not cross C++ frames
// that own anything. Every buffer lives in `out`, outside this frame.
Result decode(Input* in, Output* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, out, keepMessage, ignoreWarning);
  if (png == nullptr) return Result::kNoMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return Result::kNoMemory;
  }
  volatile Result result = Result::kBroken;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
  }
  png_set_read_fn(png, in, readBytes);
  png_set_chunk_malloc_max(png, kChunkLimit);
  // Text, profiles and every other chunk the frames do not need are skipped unread: a short file
  // could otherwise claim gigabytes for one, or inflate many small ones.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_chunk_cache_max(png, 0);
  png_set_benign_errors(png, 1);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width > static_cast<png_uint_32>(out->limits->maxSide) ||
      height > static_cast<png_uint_32>(out->limits->maxSide) ||
      static_cast<std::int64_t>(width) * height > out->limits->maxPixels) {
    out->tooWide = width;
    out->tooHigh = height;
    result = Result::kTooLarge;
    png_longjmp(png, 1);
  }
  const int colourType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  const bool indexed = colourType == PNG_COLOR_TYPE_PALETTE;
  if (indexed) {
    if (depth < 8) png_set_packing(png);
  } else {
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasTrns) png_set_tRNS_to_alpha(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns)
      png_set_add_alpha(png, depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
    // 16-bit samples land in their array as the machine orders them, with no second copy.
    if (depth == 16 && std::endian::native == std::endian::little) png_set_swap(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const std::size_t rowBytes = png_get_rowbytes(png, info);
  const int samples = png_get_bit_depth(png, info);  // 8 or 16 once transformed
  const std::size_t wanted = indexed ? width : static_cast<std::size_t>(width) * 4 * (samples / 8);
  if (rowBytes != wanted) png_error(png, "unexpected row layout");
  SourceImage& image = *out->image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.indexed = indexed;
  image.depth = samples;
  if (indexed) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
    out->image->palette.resize(static_cast<std::size_t>(count));  // 256 at most: no failure
    for (int k = 0; k < count; ++k)
      image.palette[static_cast<std::size_t>(k)] =
          PaletteEntry{colours[k].red, colours[k].green, colours[k].blue,
                       k < alphaCount && alpha != nullptr ? alpha[k] : png_byte{255}};
  }
  png_bytep base = nullptr;
  try {
    if (samples == 16) {
      image.rgba16.resize(rowBytes * height / 2);
      base = reinterpret_cast<png_bytep>(image.rgba16.data());
    } else {
      out->raw.resize(rowBytes * height);
      base = out->raw.data();
    }
    out->rows.resize(height);
  } catch (const std::bad_alloc&) {
    png_destroy_read_struct(&png, &info, nullptr);
    return Result::kNoMemory;
  }
  for (png_uint_32 y = 0; y < height; ++y) out->rows[y] = base + rowBytes * y;
  png_read_image(png, out->rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return Result::kRead;
}

}  // namespace

bool IsPng(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

SourceImage ReadPng(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
  if (!IsPng(bytes)) throw Unreadable("not a PNG file");
  SourceImage image;
  Input in{bytes};
  Output out;
  out.image = &image;
  out.limits = &limits;
  switch (decode(&in, &out)) {
    case Result::kRead:
      break;
    case Result::kBroken:
      throw Unreadable(std::string("a broken PNG file (") + out.message + ")");
    case Result::kTooLarge:
      throw ImageTooLarge(out.tooWide, out.tooHigh);
    case Result::kNoMemory:
      throw std::bad_alloc();
  }
  if (image.indexed) {
    image.indices = std::move(out.raw);
  } else if (image.depth == 8) {
    image.rgba = std::move(out.raw);
  }
  return image;
}

std::vector<std::uint8_t> ReadImageFile(spr::ByteSource& source, const ImageLimits& limits) {
  if (source.length() > limits.maxFileBytes)
    throw Unreadable("too large (" + std::to_string(source.length()) + " bytes) for what it is");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(source.length()));
  if (!source.readAt(0, bytes)) throw Unreadable("the file changed while it was read");
  return bytes;
}

SourceImage ReadImage(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
  if (IsPng(bytes)) return ReadPng(bytes, limits);
  if (IsBmp(bytes)) return ReadBmp(bytes, limits);
  throw Unreadable("neither a PNG nor a BMP file");
}

}  // namespace glint::image
