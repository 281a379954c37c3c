#include "viewer/sheet_placement.h"

#include <algorithm>

#include "platform/twips.h"

namespace glint {

SheetPlacement::Spot SheetPlacement::spotFor(std::int64_t width, double previewWidth) const {
  if (left_ > 0 && static_cast<double>(left_ + width) > previewWidth)
    return Spot{0, top_ + rowHeight_};
  return Spot{left_, top_};
}

void SheetPlacement::put(Spot spot, std::int64_t width, std::int64_t height) {
  if (spot.top != top_) {
    top_ = spot.top;
    rowHeight_ = 0;
  }
  left_ = spot.left + width;
  rowHeight_ = std::max(rowHeight_, height);
  right_ = std::max(right_, left_);
  bottom_ = std::max(bottom_, top_ + height);
}

std::int64_t ScrollMaxFor(std::int64_t bottom, double previewHeight) {
  double below = static_cast<double>(bottom) - previewHeight;
  if (!(below > 0)) return 0;
  return RoundHalfEven(below + 20);
}

}  // namespace glint
