#pragma once

// Pictures drawn by our own code: the tree's image list and the window icon.

#include <QIcon>
#include <QImage>

namespace glint {

inline constexpr QRgb kMaskColour = qRgb(255, 0, 255);
inline constexpr int kImageListSize = 24;

// ImageList1's images, 1-based: 1 a closed book (folders), 2 a pair of spectacles (sprite files).
// 24 x 24, 8-bit palette; pixels of the mask colour are drawn transparent.
QImage ImageListImage(int index);
// The image as shown, with its mask colour made transparent.
QIcon ImageListIcon(int index);
// 32 x 32, 24-bit colour: the letters SPR in a white frame.
QImage WindowIconImage();

}  // namespace glint
