#pragma once

// Thumbnails for file managers: one frame of a sprite, fitted into a square, as an RGBA PNG.
// Everything here works on plain data (palette indices and the palette), so it does not depend
// on how the sprite was read.

#include <cstdint>
#include <span>
#include <vector>

#include "spr/sprite.h"

namespace glint::image {

inline constexpr int kDefaultThumbnailSize = 128;
inline constexpr int kMinThumbnailSize = 16;
inline constexpr int kMaxThumbnailSize = 1024;

// Red, green, blue, alpha (not premultiplied), four bytes a pixel, top row first.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

struct ThumbnailExtent {
  int width = 0;
  int height = 0;
  bool operator==(const ThumbnailExtent&) const = default;
};

// The size a width x height frame takes in a box x box square, its shape kept: enlarged by the
// largest whole factor that fits, or reduced until its longer side is `box`.
ThumbnailExtent ThumbnailSize(int width, int height, int box);

// The frame (width x height indices, top row first) fitted into box x box: nearest neighbour
// when enlarged, area averaging on premultiplied alpha when reduced, so transparent pixels thin
// a colour out without darkening it. Index 0 is transparent. Fully transparent pixels are
// 0, 0, 0, 0.
RgbaImage ScaleToThumbnail(int width, int height, std::span<const std::uint8_t> indices,
                           const spr::Palette& palette, int box);

// The image as an 8-bit RGBA PNG file.
std::vector<std::uint8_t> RgbaPng(const RgbaImage& image);

}  // namespace glint::image
