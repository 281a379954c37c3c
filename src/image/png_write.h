#pragma once

// The one libpng write sequence of this folder's PNG writers. libpng reports failures by longjmp
// back into WritePng, so `describe` (which sets the header, the chunks and the rows on the
// structures) and `write` must own nothing: plain C flow, every buffer made before and living
// outside.

#include <png.h>

namespace glint::image {

using PngDescribe = void (*)(png_structp png, png_infop info, void* image);

// Writes the PNG that `describe` sets up, through `write` with `io` as its pointer; false when
// libpng failed (a `write` that fails calls png_error).
bool WritePng(void* io, png_rw_ptr write, PngDescribe describe, void* image);

}  // namespace glint::image
