#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi.h"

namespace glint {

inline constexpr std::uint32_t PICTYPE_BITMAP = 1;

// What a picture is made from: a bitmap (and a palette this layer ignores).
struct PICTDESC {
  std::uint32_t cbSizeofstruct = 20;
  std::uint32_t picType = PICTYPE_BITMAP;
  gdi::HBITMAP hbitmap = 0;
  gdi::HANDLE hpal = 0;
};

// A picture object: a bitmap handle shared by reference count. When it owns the bitmap, the last
// reference to go deletes it.
class PictureObject {
 public:
  PictureObject(gdi::HBITMAP bitmap, bool ownsBitmap) : handle_(bitmap), owns_(ownsBitmap) {}
  ~PictureObject();
  PictureObject(const PictureObject&) = delete;
  PictureObject& operator=(const PictureObject&) = delete;

  // The bitmap it holds (the picture's default property).
  gdi::HBITMAP Handle() const { return handle_; }
  std::uint32_t Type() const { return PICTYPE_BITMAP; }
  bool ownsBitmap() const { return owns_; }

 private:
  gdi::HBITMAP handle_;
  bool owns_;
};

using PicturePtr = std::shared_ptr<PictureObject>;

// Wraps a bitmap as a picture. Returns 0 and sets `out` on success; nonzero (and no picture) when
// the description is not that of a live bitmap.
int CreatePictureIndirect(const PICTDESC& desc, bool ownsBitmap, PicturePtr& out);

}  // namespace glint
