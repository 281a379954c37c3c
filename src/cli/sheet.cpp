#include "cli/sheet.h"

#include <algorithm>
#include <cstring>

namespace glint::cli {

int SquareColumns(std::size_t count) {
  std::size_t n = 0;
  while (n * n < count) ++n;
  return static_cast<int>(n);
}

std::optional<SheetLayout> LayoutSheet(std::span<const FrameSize> frames, int columns) {
  if (frames.empty()) return std::nullopt;
  SheetLayout layout;
  layout.columns = columns > 0 ? columns : SquareColumns(frames.size());
  const std::size_t perRow = static_cast<std::size_t>(layout.columns);
  layout.rows = static_cast<int>((frames.size() + perRow - 1) / perRow);
  for (const FrameSize& f : frames) {
    layout.cellWidth = std::max(layout.cellWidth, f.width);
    layout.cellHeight = std::max(layout.cellHeight, f.height);
  }
  return layout;
}

void Place(IndexedImage& sheet, const IndexedImage& frame, int x, int y) {
  for (int row = 0; row < frame.height; ++row)
    std::memcpy(sheet.row(y + row) + x, frame.row(row), static_cast<std::size_t>(frame.width));
}

}  // namespace glint::cli
