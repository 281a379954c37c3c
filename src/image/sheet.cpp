#include "image/sheet.h"

#include <algorithm>
#include <cstring>

namespace glint::image {

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

void Place(spr::IndexedImage& sheet, const spr::IndexedImage& frame, int x, int y) {
  for (int row = 0; row < frame.height; ++row)
    std::memcpy(sheet.row(y + row) + x, frame.row(row), static_cast<std::size_t>(frame.width));
}

spr::IndexedImage ComposeSheet(const SpriteFrames& frames, int columns,
                               const std::function<void()>& frameDone) {
  std::vector<FrameSize> sizes;
  for (std::size_t i = 0; i < frames.size(); ++i)
    sizes.push_back({frames[i].width, frames[i].height});
  const SheetLayout layout = *LayoutSheet(sizes, columns);
  if (layout.width() * layout.height() > kMaxSheetPixels)
    throw SheetTooLarge(layout.width(), layout.height());
  spr::IndexedImage sheet(static_cast<int>(layout.width()), static_cast<int>(layout.height()));
  for (std::size_t i = 0; i < frames.size(); ++i) {
    Place(sheet, frames.decode(i), layout.cellX(i), layout.cellY(i));
    if (frameDone) frameDone();
  }
  return sheet;
}

spr::IndexedImage ComposeSheet(const std::vector<spr::FrameRecord>& frames, int columns,
                               const std::function<void()>& frameDone) {
  return ComposeSheet(SpriteFrames(frames), columns, frameDone);
}

}  // namespace glint::image
