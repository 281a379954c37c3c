#pragma once

// Palette files, told apart by their content and read strictly: a sprite (its last 1,024 bytes),
// a GIMP palette, a JASC palette, a palette PNG or an 8-bit BMP. Nothing is guessed: a file that
// is none of these, or a text palette with a line out of place, is Unreadable, and a text
// palette's fault names its line ("line 7: ..."), counted from 1.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/image_reader.h"
#include "spr/sprite.h"

namespace glint::image {

struct PaletteFile {
  enum class Kind { kSprite, kGimp, kJasc, kPng, kBmp };
  Kind kind = Kind::kSprite;
  // The entries the file gives, the rest 0; a sprite's 1,024 bytes as they are stored.
  spr::Palette palette{};
  // How many entries the file gives, from index 0: 1 to 256.
  std::size_t entries = 0;

  // `own` with this file's entries in their places: their colours, their reserved bytes kept,
  // except that a sprite gives all 1,024 bytes, reserved ones included.
  spr::Palette over(const spr::Palette& own) const;
};

PaletteFile LoadPaletteFile(spr::ByteSource& source, const ImageLimits& limits = {});
PaletteFile LoadPaletteFile(std::span<const std::uint8_t> bytes, const ImageLimits& limits = {});

// The text palettes as their formats publish them: GIMP with a name and 16 columns, one entry a
// line; JASC with CRLF line ends.
std::string GimpPaletteText(const spr::Palette& palette, const std::string& name);
// The name a GIMP palette takes from its sprite: the file's name less its extension, control
// characters as '?'.
std::string PaletteName(const std::string& spritePath);
std::string JascPaletteText(const spr::Palette& palette);
// A 16 x 16 palette image whose pixel k is index k, over all 256 entries.
std::vector<std::uint8_t> PaletteSwatchPng(const spr::Palette& palette);

}  // namespace glint::image
