#pragma once

#include <cstdint>

namespace glint {

// Where frames stand on the sheet: left to right in reading order, touching, in rows that wrap at
// the preview's width; a row is as high as its tallest frame. A frame that would not fit in the
// rest of the current row starts a new one, and a frame wider than the preview stands alone.
// Positions are wide integers: a long sprite never wraps them around.
class SheetPlacement {
 public:
  struct Spot {
    std::int64_t left = 0;
    std::int64_t top = 0;
  };

  // Where a frame `width` wide would go, with the preview `previewWidth` pixels wide.
  Spot spotFor(std::int64_t width, double previewWidth) const;
  // Puts a frame of that size at a spot given by spotFor.
  void put(Spot spot, std::int64_t width, std::int64_t height);

  // The right edge of the rightmost and the bottom of the lowest frame put (0 when none).
  std::int64_t right() const { return right_; }
  std::int64_t bottom() const { return bottom_; }

 private:
  std::int64_t left_ = 0, top_ = 0, rowHeight_ = 0;
  std::int64_t right_ = 0, bottom_ = 0;
};

// The scroll range that brings the bottom of the lowest frame 20 pixels above the preview's bottom
// edge: bottom - previewHeight + 20, rounded half to even, when the bottom lies below the
// preview; 0 otherwise.
std::int64_t ScrollMaxFor(std::int64_t bottom, double previewHeight);

}  // namespace glint
