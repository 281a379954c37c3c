#include "surface/memory_dc.h"

#include "platform/errors.h"

namespace glint {
namespace {

// The screen's context, held only while something compatible with it is made.
class ScreenDC {
 public:
  ScreenDC() : window_(gdi::GetDesktopWindow()), dc_(gdi::GetDC(window_)) {}
  ~ScreenDC() { gdi::ReleaseDC(window_, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  gdi::HDC get() const { return dc_; }

 private:
  gdi::HWND window_;
  gdi::HDC dc_;
};

[[noreturn]] void raiseInvalidHandle() {
  throw Error(err::kInvalidHandle, "CMemoryDC.hBitmap", "Invalid handle.");
}

}  // namespace

CMemoryDC::CMemoryDC() {
  {
    ScreenDC screen;
    hDC_ = gdi::CreateCompatibleDC(screen.get());
  }
  width_ = 1;
  height_ = 1;
  RecreateBitmap();
  terminateKillsBitmap_ = true;
}

CMemoryDC::~CMemoryDC() {
  if (hBitmap_ != 0) {
    gdi::SelectObject(hDC_, hOldBitmap_);
    if (!externalBitmap_ && terminateKillsBitmap_) gdi::DeleteObject(hBitmap_);
  }
  gdi::DeleteDC(hDC_);
}

void CMemoryDC::releaseBitmap() {
  if (hBitmap_ == 0) return;
  gdi::SelectObject(hDC_, hOldBitmap_);
  if (!externalBitmap_) gdi::DeleteObject(hBitmap_);
  hBitmap_ = 0;
}

void CMemoryDC::RecreateBitmap() {
  if (width_ <= 0 || height_ <= 0) return;
  // Made before the old one goes, so a size the machine cannot hold leaves the surface intact.
  gdi::HBITMAP next;
  {
    ScreenDC screen;
    next = gdi::CreateCompatibleBitmap(screen.get(), width_, height_);
  }
  if (next == 0) throw Error(err::kOutOfMemory, "CMemoryDC", "Out of memory");
  releaseBitmap();
  hBitmap_ = next;
  hOldBitmap_ = gdi::SelectObject(hDC_, hBitmap_);
  gdi::GetObjectA(hBitmap_, gdi::kBitmapRecordSize, &bm_);
  externalBitmap_ = false;
}

void CMemoryDC::AttachBitmap(gdi::HBITMAP bitmap) {
  releaseBitmap();
  hBitmap_ = bitmap;
  hOldBitmap_ = gdi::SelectObject(hDC_, bitmap);
  gdi::GetObjectA(bitmap, gdi::kBitmapRecordSize, &bm_);
  width_ = bm_.bmWidth;
  height_ = bm_.bmHeight;
  externalBitmap_ = true;
}

void CMemoryDC::SethBitmap(gdi::HBITMAP bitmap) {
  gdi::BITMAP scratch;
  if (gdi::GetObjectA(bitmap, gdi::kBitmapRecordSize, &scratch) == 0) raiseInvalidHandle();
  // Attaching the bitmap it already holds would delete it first; a bitmap selected into another
  // context cannot be selected here. Both leave the surface as it is.
  if (bitmap == hBitmap_) return;
  if (!gdi::IsSelectable(bitmap, hDC_)) raiseInvalidHandle();
  AttachBitmap(bitmap);
}

void CMemoryDC::SetHeight(std::int32_t height) {
  height_ = height;
  RecreateBitmap();
}

void CMemoryDC::SetWidth(std::int32_t width) {
  width_ = width;
  RecreateBitmap();
}

void CMemoryDC::SetPicture(const PicturePtr& picture) {
  CMemoryDC source;
  source.SethBitmap(picture ? picture->Handle() : 0);
  height_ = source.Height();
  width_ = source.Width();
  RecreateBitmap();
  gdi::BitBlt(hDC_, 0, 0, width_, height_, source.hdc(), 0, 0, gdi::SRCCOPY);
}

PicturePtr CMemoryDC::Picture() const {
  // The size of the bitmap there is, not a requested size the surface refused.
  gdi::HBITMAP copy = 0;
  try {
    CMemoryDC target;
    target.SetHeight(Height());
    target.SetWidth(Width());
    target.SetTerminateKillsBitmap(false);
    gdi::BitBlt(target.hdc(), 0, 0, Width(), Height(), hDC_, 0, 0, gdi::SRCCOPY);
    copy = target.hBitmap();
  } catch (const Error&) {
    return nullptr;  // no room for the copy: no picture, as when wrapping it fails
  }
  PICTDESC desc;
  desc.hbitmap = copy;
  PicturePtr picture;
  if (CreatePictureIndirect(desc, true, picture) != 0) {
    gdi::DeleteObject(copy);  // nobody else would ever release it
    return nullptr;
  }
  return picture;
}

void CMemoryDC::SetPixelColor(std::int32_t x, std::int32_t y, gdi::COLORREF colour) {
  gdi::SetPixel(hDC_, x, y, colour);
}

gdi::COLORREF CMemoryDC::PixelColor(std::int32_t x, std::int32_t y) const {
  return gdi::GetPixel(hDC_, x, y);
}

}  // namespace glint
