#include "surface/picture.h"

namespace glint {

PictureObject::~PictureObject() {
  if (owns_) gdi::DeleteObject(handle_);
}

int CreatePictureIndirect(const PICTDESC& desc, bool ownsBitmap, PicturePtr& out) {
  out.reset();
  gdi::BITMAP scratch;
  if (desc.cbSizeofstruct < sizeof(std::uint32_t) * 3 || desc.picType != PICTYPE_BITMAP ||
      gdi::GetObjectA(desc.hbitmap, gdi::kBitmapRecordSize, &scratch) == 0)
    return 1;
  out = std::make_shared<PictureObject>(desc.hbitmap, ownsBitmap);
  return 0;
}

}  // namespace glint
