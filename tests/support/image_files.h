#pragma once

// Image files in the forms other programs write them, made by our own code for the image tests
// and the fuzzers' seeds.

#include <cstdint>
#include <string>
#include <vector>

#include "support/sprite_builder.h"

namespace glint::testing {

// Sample c (red, green, blue, alpha; grey is c 0) of pixel i at this maximum; palette indices
// are FormSample(i, 0, min(max, 5)).
unsigned FormSample(int i, int c, unsigned max);

struct PngForm {
  int type, depth;  // libpng's colour type and bit depth
  bool trns = false, interlaced = false;
};

// Palette images at 1 to 8 bits, grey at 1 to 16, grey with alpha, RGB and RGBA at 8 and 16; a
// transparency chunk and interlacing on some.
std::vector<PngForm> EveryPngForm();

// 3 x 2 pixels of FormSample in that form. Palettes hold up to 6 entries (40k, 255 - 40k, k);
// the transparency chunk makes palette entries 0 and 1 alpha 0 and 128, or keys pixel 0's colour.
Bytes FormPng(const PngForm& form);

// An 8-bit BMP of 3 x 2 pixels (indices 0 to 5, entry k blue 3k, green 2k, red k) with a colour
// table of `colours` entries, the header `headerSize` bytes long (12: the oldest layout, 3-byte
// colours); `compressed` stores the rows run-length coded. The last row has no padding.
Bytes VariantBmp(std::uint32_t headerSize, int colours, bool topDown, bool compressed = false);

// The PNG with a chunk of this type and data put in front of its pixels; its length field says
// `length`, which may lie.
Bytes WithChunk(Bytes png, const std::string& type, const Bytes& data, std::uint32_t length);

}  // namespace glint::testing
