#include "window/picture_box.h"

#include <algorithm>

#include "platform/twips.h"

namespace glint {

ImagePictureBox::ImagePictureBox(double twipsPerPixelX, double twipsPerPixelY,
                                 gdi::COLORREF background)
    : tppX_(twipsPerPixelX), tppY_(twipsPerPixelY), background_(background) {
  gdi::HDC screen = gdi::GetDC(gdi::GetDesktopWindow());
  dc_ = gdi::CreateCompatibleDC(screen);
  gdi::ReleaseDC(gdi::GetDesktopWindow(), screen);
  resizeImage();
}

ImagePictureBox::~ImagePictureBox() {
  if (placeholder_ != 0) gdi::SelectObject(dc_, placeholder_);
  if (bitmap_ != 0) gdi::DeleteObject(bitmap_);
  gdi::DeleteDC(dc_);
}

int ImagePictureBox::pixelWidth() const { return std::max(1, TwipsToPixels(widthTwips_, tppX_)); }
int ImagePictureBox::pixelHeight() const { return std::max(1, TwipsToPixels(heightTwips_, tppY_)); }

void ImagePictureBox::SetWidth(int twips) {
  widthTwips_ = twips;
  resizeImage();
}

void ImagePictureBox::SetHeight(int twips) {
  heightTwips_ = twips;
  resizeImage();
}

// Keeps what still fits; new area shows the background.
void ImagePictureBox::resizeImage() {
  int w = pixelWidth(), h = pixelHeight();
  gdi::BITMAP current;
  if (bitmap_ != 0 && gdi::GetObjectA(bitmap_, gdi::kBitmapRecordSize, &current) != 0 &&
      current.bmWidth == w &&
      (current.bmHeight == h || gdi::ResizeBitmapHeight(bitmap_, h, background_)))
    return;
  gdi::HBITMAP next = gdi::CreateCompatibleBitmap(dc_, w, h);
  if (next == 0) return;  // too large: keep the image there is
  gdi::HDC scratch = gdi::CreateCompatibleDC(dc_);
  gdi::HBITMAP scratchOld = gdi::SelectObject(scratch, next);
  gdi::FillRect(scratch, 0, 0, w, h, background_);
  if (bitmap_ != 0) gdi::BitBlt(scratch, 0, 0, w, h, dc_, 0, 0, gdi::SRCCOPY);
  gdi::SelectObject(scratch, scratchOld);
  gdi::DeleteDC(scratch);

  gdi::HBITMAP previous = gdi::SelectObject(dc_, next);
  if (bitmap_ == 0) {
    placeholder_ = previous;
  } else {
    gdi::DeleteObject(bitmap_);
  }
  bitmap_ = next;
}

void ImagePictureBox::Cls() { gdi::FillRect(dc_, 0, 0, pixelWidth(), pixelHeight(), background_); }

void ImagePictureBox::Refresh() {
  if (onRefresh) onRefresh();
}

void ImagePictureBox::SetForeColor(gdi::COLORREF colour) {
  foreColor_ = colour;
  gdi::SetTextColor(dc_, colour);
}

void ImagePictureBox::SetMousePointer(int pointer) {
  pointer_ = pointer;
  if (onPointer) onPointer(pointer);
}

}  // namespace glint
