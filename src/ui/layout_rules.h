#pragma once

// The window's layout in twips, free of widgets: the design geometry of every control and the
// rules that fit the controls to the window's outer size.

#include <string>

#include "window/window_model.h"

namespace glint {

struct TwipRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TwipRect&) const = default;
};

// The window's outer size at design time and its minimum, in twips.
inline constexpr int kDesignClientWidth = 10290;
inline constexpr int kDesignClientHeight = 6720;
inline constexpr int kMinWidth = 8000;
inline constexpr int kMinHeight = 7000;
// What the outer size adds to the central area (menu bar, status bar and window edges): the
// layout rules count in outer sizes.
inline constexpr int kFrameWidth = 120;
inline constexpr int kFrameHeight = 1020;
inline constexpr int kStatusBarHeight = 255;
// The hidden sheet is always this many pixels high.

// The controls that have a place, with their design geometry.
struct DesignControl {
  const char* name;
  TwipRect rect;
};
inline constexpr DesignControl kDesignControls[] = {
    {"Text1", {120, 360, 8175, 285}},       {"Browse", {8400, 360, 975, 285}},
    {"Picture1", {4560, 1680, 5415, 4695}}, {"TreeView1", {120, 960, 4335, 5415}},
    {"Check1", {4560, 1320, 2655, 255}},    {"VScroll1", {9960, 1680, 255, 4695}},
    {"StatusBar1", {0, 6465, 10290, 255}},  {"Picture2", {4560, 1680, 5415, 4695}},
    {"Text2", {4560, 960, 5535, 285}},      {"Label1", {120, 120, 2295, 255}},
    {"Label2", {120, 720, 3615, 255}},      {"Label3", {4560, 720, 3615, 255}},
    {"Check2", {7440, 1320, 2655, 255}},
};

TwipRect DesignRect(const std::string& name);

// What the layout decides for one outer size.
struct Layout {
  int Width = 0, Height = 0;  // the outer size after the minimum is applied
  TwipRect Text1, Browse, Text2, TreeView1, Picture1, VScroll1;
  int Picture2Width = 0, Picture2Height = 0;
};

// Applies the layout rules to the outer size `width` x `height` (twips) on a screen with
// `twipsPerPixelY` twips per vertical pixel. Arithmetic is single precision, as designed.
Layout ComputeLayout(int width, int height, double twipsPerPixelY);

}  // namespace glint
