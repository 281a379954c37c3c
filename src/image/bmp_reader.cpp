// 8-bit BMP files: the export's own (40-byte header, 256 colours, bottom-up) and the variants
// other programs write: top-down rows, short colour tables, run-length compressed pixels, the
// 12-byte header of the oldest files with 3-byte colours, and the longer headers (52 to 124
// bytes) whose extra fields say nothing an 8-bit image needs.
#include <algorithm>
#include <cstring>

#include "image/image_reader.h"

namespace glint::image {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;

std::uint32_t get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) {
  return get16(b, at) | (get16(b, at + 2) << 16);
}

constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kRunLength8 = 1;

// Run-length pixels, bottom row first unless the height says otherwise: a count and an index, or 0
// and an escape (end of row, end of image, a jump right and up, or a literal span padded to an even
// length). Data beyond the image is ignored. Every pixel must be set: the stream only ever moves
// forward, so a pixel it passes over (an early end of row or image, a jump, a cut) stays unset,
// and that is refused rather than guessed as index 0.
void expandRunLength(std::span<const std::uint8_t> data, std::size_t w, std::size_t rows,
                     bool topDown, std::uint8_t* out) {
  std::size_t x = 0, y = 0, i = 0;
  std::size_t next = 0;  // the pixel, in stream order, that must be set next
  auto unset = [&] {
    const std::size_t row = next / w, column = next % w;
    throw Unreadable("a broken BMP file: the compressed pixels leave pixel (" +
                     std::to_string(column) + ", " +
                     std::to_string(topDown ? row : rows - 1 - row) + ") unset");
  };
  auto put = [&](std::uint8_t index) {
    if (x < w && y < rows) {
      if (y * w + x != next) unset();
      out[(topDown ? y : rows - 1 - y) * w + x] = index;
      ++next;
    }
    ++x;
  };
  while (i + 1 < data.size() && y < rows) {
    const std::uint8_t count = data[i], value = data[i + 1];
    i += 2;
    if (count != 0) {
      for (int k = 0; k < count; ++k) put(value);
    } else if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (i + 1 >= data.size()) break;
      x += data[i], y += data[i + 1];
      i += 2;
    } else {
      if (data.size() - i < value) throw Unreadable("a broken BMP file: it ends inside the pixels");
      for (int k = 0; k < value; ++k) put(data[i + static_cast<std::size_t>(k)]);
      i += value + (value & 1);
    }
  }
  if (next != w * rows) unset();
}

}  // namespace

bool IsBmp(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

SourceImage ReadBmp(std::span<const std::uint8_t> b, const ImageLimits& limits) {
  if (!IsBmp(b)) throw Unreadable("not a BMP file");
  if (b.size() < kFileHeaderSize + 4)
    throw Unreadable("a broken BMP file: the header is cut short");
  const std::uint32_t pixelsAt = get32(b, 10);
  const std::uint32_t headerSize = get32(b, kFileHeaderSize);
  const bool core = headerSize == kCoreHeaderSize;
  if ((!core && headerSize < 16) || headerSize > b.size() - kFileHeaderSize)
    throw Unreadable("a broken BMP file: the header is cut short");
  const std::size_t h = kFileHeaderSize;
  // Fields past a short header's end read as 0.
  auto field32 = [&](std::size_t offset) {
    return offset + 4 <= headerSize ? get32(b, h + offset) : 0;
  };
  std::int64_t width, height;
  std::uint32_t bits;
  if (core) {
    width = get16(b, h + 4);
    height = get16(b, h + 6);
    bits = get16(b, h + 10);
  } else {
    width = static_cast<std::int32_t>(get32(b, h + 4));
    height = static_cast<std::int32_t>(get32(b, h + 8));
    bits = get16(b, h + 14);
  }
  if (bits != 8)
    throw Unreadable("a " + std::to_string(bits) +
                     "-bit BMP file: only 8-bit (256-colour) BMP files hold palette indices");
  const std::uint32_t compression = core ? kUncompressed : field32(16);
  if (compression != kUncompressed && compression != kRunLength8)
    throw Unreadable("a BMP file compressed by method " + std::to_string(compression) +
                     ": save it uncompressed");
  const bool topDown = height < 0;
  height = topDown ? -height : height;
  if (width < 1 || height < 1) throw Unreadable("a broken BMP file: no width or height");
  if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels)
    throw ImageTooLarge(width, height);

  // The colour table: as many entries as the header says (256 when it says 0), as far as they
  // fit before the pixels.
  const std::size_t tableAt = h + headerSize;
  const std::size_t entrySize = core ? 3 : 4;
  std::size_t count = core ? 256 : field32(32);
  if (count == 0 || count > 256) count = 256;
  if (pixelsAt < tableAt || pixelsAt > b.size())
    throw Unreadable("a broken BMP file: the pixels would start at byte " +
                     std::to_string(pixelsAt));
  count = std::min(count, (pixelsAt - tableAt) / entrySize);
  if (count == 0) throw Unreadable("a broken BMP file: no colour table");

  SourceImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.indexed = true;
  image.palette.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t at = tableAt + k * entrySize;
    image.palette[k] = PaletteEntry{b[at + 2], b[at + 1], b[at], 255};
  }

  const auto w = static_cast<std::size_t>(width);
  const auto rows = static_cast<std::size_t>(height);
  if (compression == kRunLength8) {
    image.indices.resize(w * rows);
    expandRunLength(b.subspan(pixelsAt), w, rows, topDown, image.indices.data());
    return image;
  }
  // Rows of whole 4-byte groups; the last row's padding may be missing.
  const std::size_t stride = (w + 3) & ~std::size_t{3};
  if (b.size() - pixelsAt < stride * (rows - 1) + w)
    throw Unreadable("a broken BMP file: it ends inside the pixels");
  image.indices.resize(w * rows);
  for (std::size_t y = 0; y < rows; ++y) {
    const std::size_t stored = topDown ? y : rows - 1 - y;
    std::memcpy(image.indices.data() + y * w, b.data() + pixelsAt + stored * stride, w);
  }
  return image;
}

}  // namespace glint::image
