#pragma once

#include <cstdint>
#include <vector>

#include "spr/sprite.h"

namespace glint::image {

// An 8-bit palette PNG (colour type 3) of the image with all 256 palette entries; with
// `transparent`, a tRNS chunk makes index 0 fully transparent.
std::vector<std::uint8_t> PalettePng(const spr::IndexedImage& image, const spr::Palette& palette,
                                     bool transparent);

}  // namespace glint::image
