#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "spr/sprite.h"

namespace glint::image {

// Where a writer's bytes go, in order, as they are made. A sink that throws stops the writer,
// and the exception comes out of it.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// An 8-bit palette PNG (colour type 3) of the image with all 256 palette entries; with
// `transparent`, a tRNS chunk makes index 0 fully transparent.
std::vector<std::uint8_t> PalettePng(const spr::IndexedImage& image, const spr::Palette& palette,
                                     bool transparent);
// The same bytes, to a sink: a large sheet is never held twice.
void WritePalettePng(const ByteSink& sink, const spr::IndexedImage& image,
                     const spr::Palette& palette, bool transparent);

}  // namespace glint::image
