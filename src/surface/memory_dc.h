#pragma once

#include <cstdint>

#include "platform/gdi.h"
#include "surface/picture.h"

namespace glint {

// An off-screen drawing surface: a memory context with one bitmap selected into it.
//
// Ownership: a bitmap the surface made itself is deleted whenever it is replaced, and when the
// surface goes if TerminateKillsBitmap is true (otherwise whoever read hBitmap owns it). A bitmap
// attached from outside is only ever deselected, never deleted.
class CMemoryDC {
 public:
  CMemoryDC();
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  // Attaches a bitmap made elsewhere; raises "Invalid handle." for anything but a live bitmap.
  void SethBitmap(gdi::HBITMAP bitmap);
  gdi::HBITMAP hBitmap() const { return hBitmap_; }

  // A size of 0 or below is stored but makes no bitmap; any other makes a new, uncleared one.
  void SetHeight(std::int32_t height);
  std::int32_t Height() const { return bm_.bmHeight; }
  void SetWidth(std::int32_t width);
  std::int32_t Width() const { return bm_.bmWidth; }

  // Copies the picture's image into a bitmap of the surface's own.
  void SetPicture(const PicturePtr& picture);
  // A new picture that owns a copy of the surface; null when it cannot be made.
  PicturePtr Picture() const;

  // Colours are red + 256 * green + 65536 * blue; reading outside the bitmap gives CLR_INVALID.
  void SetPixelColor(std::int32_t x, std::int32_t y, gdi::COLORREF colour);
  gdi::COLORREF PixelColor(std::int32_t x, std::int32_t y) const;

  void SetTerminateKillsBitmap(bool kills) { terminateKillsBitmap_ = kills; }
  bool TerminateKillsBitmap() const { return terminateKillsBitmap_; }

  gdi::HDC hdc() const { return hDC_; }
  std::int32_t bmType() const { return bm_.bmType; }
  std::int32_t WidthBytes() const { return bm_.bmWidthBytes; }
  std::int16_t Planes() const { return static_cast<std::int16_t>(bm_.bmPlanes); }
  std::int16_t BitsPerPixel() const { return static_cast<std::int16_t>(bm_.bmBitsPixel); }
  std::uint32_t Bits() const { return bm_.bmBits; }

 private:
  void RecreateBitmap();
  void AttachBitmap(gdi::HBITMAP bitmap);
  // Gives the current bitmap up: deselected, and deleted when it is the surface's own.
  void releaseBitmap();

  gdi::BITMAP bm_{};
  gdi::HDC hDC_ = 0;
  gdi::HBITMAP hBitmap_ = 0;
  bool externalBitmap_ = false;
  gdi::HBITMAP hOldBitmap_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  bool terminateKillsBitmap_ = true;
};

}  // namespace glint
