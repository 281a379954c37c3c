#include "anim/canvas.h"

#include <algorithm>

namespace glint::anim {
namespace {

// Floor division: points left of or above the canvas map to negative pixels, not to pixel 0.
int floorDiv(std::int64_t a, int b) {
  return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b));
}

}  // namespace

int ZoomIn(int zoom) {
  for (int step : kZoomSteps)
    if (step > zoom) return step;
  return kZoomSteps.back();
}

int ZoomOut(int zoom) {
  for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
    if (*it < zoom) return *it;
  return kZoomSteps.front();
}

int OpeningZoom(int canvasWidth, int canvasHeight, int fitWidth, int fitHeight) {
  int best = 1;
  for (int step : kZoomSteps)
    if (step <= 4 && std::int64_t{canvasWidth} * step <= fitWidth &&
        std::int64_t{canvasHeight} * step <= fitHeight)
      best = step;
  return best;
}

Placement PlaceOnCanvas(int canvasWidth, int canvasHeight, int frameWidth, int frameHeight) {
  return {(canvasWidth - frameWidth) / 2, (canvasHeight - frameHeight) / 2, frameWidth,
          frameHeight};
}

std::optional<Point> PixelUnderPointer(Point onCanvas, const Placement& frame, int zoom) {
  const int x = floorDiv(onCanvas.x, zoom) - frame.left;
  const int y = floorDiv(onCanvas.y, zoom) - frame.top;
  if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return std::nullopt;
  return Point{x, y};
}

Colours ColoursOf(const spr::Palette& palette) {
  Colours colours{};
  for (std::size_t k = 0; k < colours.size(); ++k) {
    const spr::Colour c = palette.colour(k);
    colours[k] = 0xFF000000u | std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue;
  }
  return colours;
}

void PaintCanvas(const spr::IndexedImage* frame, const Placement& placement, const Colours& colours,
                 int zoom, bool transparent, const Rect& area, std::uint32_t* out, int stride,
                 const Highlight* highlight) {
  // Faded once for the table, not once a pixel.
  const bool fading = highlight != nullptr && highlight->any();
  Colours faded;
  if (fading)
    for (std::size_t k = 0; k < colours.size(); ++k)
      faded[k] = (*highlight)[k] ? colours[k] : Faded(colours[k]);
  const Colours& shown = fading ? faded : colours;
  const bool fadeChecker = fading && !(*highlight)[0];
  // The frame's extent in screen pixels, clipped to the area.
  const std::int64_t left = std::int64_t{placement.left} * zoom;
  const std::int64_t top = std::int64_t{placement.top} * zoom;
  const std::int64_t right = left + std::int64_t{placement.width} * zoom;
  const std::int64_t bottom = top + std::int64_t{placement.height} * zoom;
  const int x0 = static_cast<int>(std::clamp<std::int64_t>(left, area.x, area.x + area.width));
  const int x1 = static_cast<int>(std::clamp<std::int64_t>(right, x0, area.x + area.width));
  for (int row = 0; row < area.height; ++row) {
    std::uint32_t* line = out + static_cast<std::ptrdiff_t>(row) * stride;
    const int y = area.y + row;
    if (frame == nullptr || y < top || y >= bottom || x0 == x1) {
      std::fill(line, line + area.width, kCanvasColour);
      continue;
    }
    std::fill(line, line + (x0 - area.x), kCanvasColour);
    std::fill(line + (x1 - area.x), line + area.width, kCanvasColour);
    const std::uint8_t* pixels = frame->row(static_cast<int>((y - top) / zoom));
    // Each frame pixel is a run of up to `zoom` screen pixels; the first and last may be cut.
    int x = x0;
    int fx = static_cast<int>((x0 - left) / zoom);
    while (x < x1) {
      const int runEnd =
          static_cast<int>(std::min<std::int64_t>(left + std::int64_t{fx + 1} * zoom, x1));
      const std::uint8_t index = pixels[fx];
      std::uint32_t* p = line + (x - area.x);
      if (index == 0 && transparent) {
        if (fadeChecker)
          for (int sx = x; sx < runEnd; ++sx) *p++ = Faded(CheckerColour(sx, y));
        else
          for (int sx = x; sx < runEnd; ++sx) *p++ = CheckerColour(sx, y);
      } else {
        std::fill(p, p + (runEnd - x), shown[index]);
      }
      x = runEnd;
      ++fx;
    }
  }
}

}  // namespace glint::anim
