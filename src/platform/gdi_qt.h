#pragma once

// Access to the images behind drawing contexts, for the widgets that show them.

#include <QImage>

#include "platform/gdi.h"

namespace glint::gdi {

// The bitmap selected into a context, or null for a bad handle.
const QImage* SelectedImage(HDC dc);
// The image of a bitmap, or null for a bad handle.
QImage* BitmapImage(HBITMAP bitmap);
// A bitmap made from an image (copied), owned by whoever deletes it.
HBITMAP CreateBitmapFromImage(const QImage& image);

}  // namespace glint::gdi
