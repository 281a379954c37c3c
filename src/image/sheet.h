#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

#include "image/sprite_frames.h"
#include "spr/sprite.h"

namespace glint::image {

struct FrameSize {
  int width = 0;
  int height = 0;
};

// A grid of equal cells, as wide as the widest frame and as high as the highest; frame i sits
// at the top-left of cell i, cells filled row by row.
struct SheetLayout {
  int columns = 0;
  int rows = 0;
  int cellWidth = 0;
  int cellHeight = 0;
  std::int64_t width() const { return static_cast<std::int64_t>(columns) * cellWidth; }
  std::int64_t height() const { return static_cast<std::int64_t>(rows) * cellHeight; }
  int cellX(std::size_t index) const {
    return static_cast<int>(index % static_cast<std::size_t>(columns)) * cellWidth;
  }
  int cellY(std::size_t index) const {
    return static_cast<int>(index / static_cast<std::size_t>(columns)) * cellHeight;
  }
};

// The sheet would hold more than kMaxSheetPixels.
class SheetTooLarge : public std::runtime_error {
 public:
  SheetTooLarge(std::int64_t w, std::int64_t h)
      : std::runtime_error("sheet too large"), width(w), height(h) {}
  std::int64_t width, height;
};

// A sheet holds at most this many pixels (256 MiB of indices).
inline constexpr std::int64_t kMaxSheetPixels = std::int64_t{1} << 28;

// `columns` 0 picks the smallest n with n x n >= the number of frames. No layout when there
// are no frames.
std::optional<SheetLayout> LayoutSheet(std::span<const FrameSize> frames, int columns);

// The smallest n with n x n >= count.
int SquareColumns(std::size_t count);

// Copies `frame` onto `sheet` with its top-left pixel at (x, y); the frame must fit.
void Place(spr::IndexedImage& sheet, const spr::IndexedImage& frame, int x, int y);

// The frames decoded one at a time onto one sheet; `columns` as for LayoutSheet. Raises
// SheetTooLarge before anything is decoded. `frameDone` is called after each frame.
spr::IndexedImage ComposeSheet(const SpriteFrames& frames, int columns,
                               const std::function<void()>& frameDone = {});
spr::IndexedImage ComposeSheet(const std::vector<spr::FrameRecord>& frames, int columns,
                               const std::function<void()>& frameDone = {});

}  // namespace glint::image
