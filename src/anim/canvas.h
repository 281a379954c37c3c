#pragma once

// The animation's picture in screen pixels: the zoom steps, where a frame stands on the canvas,
// which frame pixel lies under the pointer, and the painting of any part of it. Pixels are only
// ever computed for the part asked for, so no zoomed copy of a frame is made, however large.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

#include "spr/sprite.h"

namespace glint::anim {

inline constexpr std::array<int, 8> kZoomSteps = {1, 2, 3, 4, 6, 8, 12, 16};

// The next step up or down from `zoom`; the ends stay.
int ZoomIn(int zoom);
int ZoomOut(int zoom);
// The largest step no larger than 4 at which the canvas fits in fitWidth x fitHeight; 1 when
// none does.
int OpeningZoom(int canvasWidth, int canvasHeight, int fitWidth = 800, int fitHeight = 600);

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

// Where a frame stands on the canvas, in frame pixels: centred, rounded down, as in the GIF.
struct Placement {
  int left = 0, top = 0, width = 0, height = 0;
};
Placement PlaceOnCanvas(int canvasWidth, int canvasHeight, int frameWidth, int frameHeight);

// The frame pixel under a point of the zoomed canvas (its origin at 0, 0); none off the frame.
std::optional<Point> PixelUnderPointer(Point onCanvas, const Placement& frame, int zoom);

// 32-bit 0xAARRGGBB colours, as painted.
inline constexpr std::uint32_t kCanvasColour = 0xFF808080;
inline constexpr std::uint32_t kLightSquare = 0xFFCCCCCC;
inline constexpr std::uint32_t kDarkSquare = 0xFF999999;
inline constexpr int kSquareSize = 8;

// The checkerboard behind a transparent index 0, in 8-pixel squares of the screen counted from
// the canvas origin; the light one first.
inline std::uint32_t CheckerColour(int x, int y) {
  return ((x / kSquareSize + y / kSquareSize) & 1) == 0 ? kLightSquare : kDarkSquare;
}

using Colours = std::array<std::uint32_t, 256>;
// The palette's entries as opaque colours.
Colours ColoursOf(const spr::Palette& palette);

// Indices picked out on the canvas; the rest fade.
using Highlight = std::bitset<256>;

// A colour at a quarter of its strength over the canvas colour: what shows of a pixel that is not
// highlighted, and of an index the sprite never uses.
inline std::uint32_t Faded(std::uint32_t colour) {
  std::uint32_t out = 0xFF000000u;
  for (int shift : {16, 8, 0}) {
    const std::uint32_t c = colour >> shift & 0xFF, grey = kCanvasColour >> shift & 0xFF;
    out |= (c + 3 * grey) / 4 << shift;
  }
  return out;
}

// Paints the part `area` of the zoomed canvas (screen pixels from the canvas origin) into `out`,
// `stride` pixels a row: each frame pixel a zoom x zoom block of its colour, index 0 as the
// checkerboard when `transparent`, the canvas colour elsewhere. No frame paints the canvas. With a
// `highlight` that holds any index, the pixels of the other indices are painted Faded.
void PaintCanvas(const spr::IndexedImage* frame, const Placement& placement, const Colours& colours,
                 int zoom, bool transparent, const Rect& area, std::uint32_t* out, int stride,
                 const Highlight* highlight = nullptr);

}  // namespace glint::anim
