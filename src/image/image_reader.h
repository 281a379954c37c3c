#pragma once

// Reading the images a modder edits back into frames: PNG in every form libpng reads, and 8-bit
// BMP as the export and other programs write it. Bytes in, pixels out; the colours are matched
// to a sprite's palette elsewhere (palette_map.h).

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "spr/sprite.h"

namespace glint::image {

struct PaletteEntry {
  std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
  bool operator==(const PaletteEntry&) const = default;
};

// An image as its file holds it, top row first.
struct SourceImage {
  int width = 0;
  int height = 0;
  // Palette images (indexed PNG, 8-bit BMP): one index a pixel, and the file's palette, 1 to 256
  // entries, with the alpha of a PNG's transparency chunk. An index may lie beyond the palette.
  bool indexed = false;
  std::vector<std::uint8_t> indices;
  std::vector<PaletteEntry> palette;
  // Every other PNG, grey included: red, green, blue and alpha for each pixel, 8 bits each, or
  // with `depth` 16 in `rgba16`, as the file stores them.
  int depth = 8;
  std::vector<std::uint8_t> rgba;
  std::vector<std::uint16_t> rgba16;
};

// What the caller can take; larger images are refused before their pixels are read.
struct ImageLimits {
  int maxSide = 32767;
  std::int64_t maxPixels = std::int64_t{1} << 30;
  // Image files larger than this are refused unread (a sprite's palette is read from its end).
  std::int64_t maxFileBytes = std::int64_t{256} << 20;
};

// Not an image we read, or a broken one; what() is the reason in plain words.
class Unreadable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Larger than the limits allow.
class ImageTooLarge : public std::runtime_error {
 public:
  ImageTooLarge(std::int64_t w, std::int64_t h)
      : std::runtime_error("image too large"), width(w), height(h) {}
  std::int64_t width, height;
};

bool IsPng(std::span<const std::uint8_t> bytes);
bool IsBmp(std::span<const std::uint8_t> bytes);

SourceImage ReadPng(std::span<const std::uint8_t> bytes, const ImageLimits& limits = {});
SourceImage ReadBmp(std::span<const std::uint8_t> bytes, const ImageLimits& limits = {});
// Either, by the file's first bytes.
SourceImage ReadImage(std::span<const std::uint8_t> bytes, const ImageLimits& limits = {});

// The whole of an image file, refused unread when it is larger than `limits.maxFileBytes`.
std::vector<std::uint8_t> ReadImageFile(spr::ByteSource& source, const ImageLimits& limits = {});

}  // namespace glint::image
