#pragma once

#include <cstdint>
#include <vector>

#include "cli/indexed_image.h"
#include "spr/spr_file.h"

namespace glint::cli {

// An 8-bit palette PNG (colour type 3) of the image with all 256 palette entries; with
// `transparent`, a tRNS chunk makes index 0 fully transparent.
std::vector<std::uint8_t> PalettePng(const IndexedImage& image, const spr::Palette& palette,
                                     bool transparent);

}  // namespace glint::cli
