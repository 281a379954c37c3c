#pragma once

// A sprite's frames as they play in a gallery cell: each centred on a canvas as large as the
// largest frame, as the animation window places them, and fitted into the cell's square.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/thumbnail.h"

namespace glint::gallery {

inline constexpr std::int64_t kMaxCanvasPixels = std::int64_t{16} << 20;

// The frames with pixels, in order, until `budgetBytes` of images are made; nothing for a file
// that is not an ordinary file or not a sprite, or whose canvas would exceed kMaxCanvasPixels,
// and the frames before a broken record. The file is opened without blocking.
std::vector<image::RgbaImage> LiveFrames(const std::string& path, int box,
                                         std::size_t budgetBytes = std::size_t{32} << 20);

}  // namespace glint::gallery
