#pragma once

#include <cmath>

namespace glint {

// Window geometry is kept in twips (1/1440 inch) and converted to pixels at the widget boundary.
inline constexpr double kTwipsPerInch = 1440.0;

inline double TwipsPerPixel(double logicalDpi) { return kTwipsPerInch / logicalDpi; }

// Rounds to the nearest whole number, halves to the even neighbour: every twip count rounds so.
inline long long RoundHalfEven(double value) {
  return static_cast<long long>(std::nearbyint(value));
}

inline int TwipsToPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(RoundHalfEven(twips / twipsPerPixel));
}

inline int PixelsToTwips(double pixels, double twipsPerPixel) {
  return static_cast<int>(RoundHalfEven(pixels * twipsPerPixel));
}

}  // namespace glint
