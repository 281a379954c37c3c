#pragma once

// How an image's pixels become indices of a sprite's palette, exactly or not at all:
// - a palette image whose palette is the sprite's (its entries equal the sprite's first ones, in
//   red, green and blue) keeps its indices;
// - any other pixel goes to the palette entry of exactly its colour, the lowest index when
//   several entries hold it (so a palette with repeated colours may not give back an index that
//   only its colour told apart);
// - with `transparent`, a fully transparent pixel is index 0, and a pixel mapped by its colour
//   never is: it takes the lowest index other than 0 with that colour, and a colour that only
//   index 0 holds is refused. Without `transparent`, a transparent pixel is mapped by its colour
//   like any other. A partly transparent pixel is refused, as is a colour the palette lacks: no
//   nearest colour is guessed.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "image/image_reader.h"
#include "spr/sprite.h"

namespace glint::image {

// The first pixel, in reading order, that has no index. x and y count from 0 at the top left.
class UnmappedPixel : public std::runtime_error {
 public:
  enum class Kind {
    kNoSuchColour,         // colour() is in no palette entry
    kPartlyTransparent,    // alpha() is neither 0 nor full
    kIndexOutsidePalette,  // index() lies beyond the image's own palette of paletteSize()
    kNotEightBit,          // a 16-bit colour() that no 8-bit colour equals
    kOnlyTransparent,      // an opaque colour() that only index 0, the transparent one, holds
  };

  UnmappedPixel(Kind kind, int x, int y, std::string colour, int alpha = 0, int index = 0,
                int paletteSize = 0);

  Kind kind() const { return kind_; }
  int x() const { return x_; }
  int y() const { return y_; }
  // "#RRGGBB", or "#RRRRGGGGBBBB" for 16-bit samples.
  const std::string& colour() const { return colour_; }
  int alpha() const { return alpha_; }
  int index() const { return index_; }
  int paletteSize() const { return paletteSize_; }

 private:
  Kind kind_;
  int x_, y_;
  std::string colour_;
  int alpha_, index_, paletteSize_;
};

spr::IndexedImage MapToPalette(const SourceImage& image, const spr::Palette& palette,
                               bool transparent);

// A palette image's palette as a sprite's: its entries, then black; reserved bytes 0.
spr::Palette SpritePaletteOf(const SourceImage& image);

// The palette of any file LoadPaletteFile reads (palette_file.h), the entries it lacks black and
// the reserved bytes 0. Unreadable for anything else; spr::Fault for a broken sprite file.
spr::Palette ReadPaletteFile(spr::ByteSource& source, const ImageLimits& limits = {});
spr::Palette ReadPaletteFile(std::span<const std::uint8_t> bytes, const ImageLimits& limits = {});

}  // namespace glint::image
