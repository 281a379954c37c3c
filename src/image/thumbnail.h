#pragma once

// Thumbnails for file managers: one frame of a sprite, fitted into a square, as an RGBA PNG.
// Everything here works on plain data (palette indices and the palette), so it does not depend
// on how the sprite was read.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
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

// Text chunks of a PNG: key and value, in file order.
using PngText = std::vector<std::pair<std::string, std::string>>;

// The image as an 8-bit RGBA PNG carrying `text` as uncompressed text chunks (keys of 1 to 79
// characters, Latin-1 as PNG has it).
std::vector<std::uint8_t> RgbaPngWithText(const RgbaImage& image, const PngText& text);

struct TextPng {
  RgbaImage image;
  PngText text;
};
// Any PNG as 8-bit RGBA with its text chunks; nothing when libpng cannot read it or a side is
// above `maxSide`.
std::optional<TextPng> ReadRgbaPngWithText(std::span<const std::uint8_t> bytes, int maxSide);

// The frame a thumbnail shows, chosen among a sprite's records in file order: the first with a
// visible (non-zero) pixel, else the first with pixels.
class ThumbnailChoice {
 public:
  // Checks the record's data (spr::Fault when broken) and keeps it if it is the choice so far.
  void consider(spr::FrameRecord&& frame);
  // No later record can change the choice.
  bool settled() const { return visible_.has_value(); }
  // The chosen record; nothing when no record had pixels.
  std::optional<spr::FrameRecord> take();

 private:
  std::optional<spr::FrameRecord> visible_, fallback_;
};

}  // namespace glint::image
