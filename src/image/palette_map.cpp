#include "image/palette_map.h"

#include "image/palette_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <unordered_map>

namespace glint::image {
namespace {

using Kind = UnmappedPixel::Kind;

std::string hex8(unsigned r, unsigned g, unsigned b) {
  char text[8];
  std::snprintf(text, sizeof(text), "#%02X%02X%02X", r & 0xFF, g & 0xFF, b & 0xFF);
  return text;
}

std::string hex16(unsigned r, unsigned g, unsigned b) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%04X%04X%04X", r & 0xFFFF, g & 0xFFFF, b & 0xFFFF);
  return text;
}

std::uint32_t key(unsigned r, unsigned g, unsigned b) { return r << 16 | g << 8 | b; }

// Each colour of the palette and the lowest index that holds it; with `transparent`, the lowest
// but 0, and 0 only for a colour no other entry holds.
std::unordered_map<std::uint32_t, std::uint8_t> indexOfColour(const spr::Palette& palette,
                                                              bool transparent) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  auto add = [&](unsigned k) {
    const spr::Colour c = palette.colour(k);
    index.emplace(key(c.red, c.green, c.blue), static_cast<std::uint8_t>(k));
  };
  if (!transparent) add(0);
  for (unsigned k = 1; k < 256; ++k) add(k);
  if (transparent) add(0);
  return index;
}

// What a palette image's index becomes: an index of the sprite's palette, or why not.
struct Mapped {
  int index = -1;
  Kind fault = Kind::kNoSuchColour;
};

spr::IndexedImage mapIndexed(const SourceImage& image, const spr::Palette& palette,
                             bool transparent) {
  const std::size_t count = image.palette.size();
  bool same = true;
  for (std::size_t k = 0; k < count && same; ++k) {
    const PaletteEntry& e = image.palette[k];
    same = palette.colour(k) == spr::Colour{e.red, e.green, e.blue};
  }
  const auto colours = same ? std::unordered_map<std::uint32_t, std::uint8_t>{}
                            : indexOfColour(palette, transparent);
  std::array<Mapped, 256> table{};
  for (std::size_t k = 0; k < 256; ++k) {
    if (k >= count) {
      table[k].fault = Kind::kIndexOutsidePalette;
      continue;
    }
    const PaletteEntry& e = image.palette[k];
    if (e.alpha == 0 && transparent) {
      table[k].index = 0;
    } else if (e.alpha != 0 && e.alpha != 255) {
      table[k].fault = Kind::kPartlyTransparent;
    } else if (same) {
      table[k].index = static_cast<int>(k);
    } else if (auto at = colours.find(key(e.red, e.green, e.blue)); at != colours.end()) {
      if (at->second == 0 && transparent)
        table[k].fault = Kind::kOnlyTransparent;
      else
        table[k].index = at->second;
    }
  }

  spr::IndexedImage out(image.width, image.height);
  const std::uint8_t* in = image.indices.data();
  for (std::size_t i = 0; i < out.pixels.size(); ++i) {
    const Mapped& m = table[in[i]];
    if (m.index >= 0) [[likely]] {
      out.pixels[i] = static_cast<std::uint8_t>(m.index);
      continue;
    }
    const int x = static_cast<int>(i % static_cast<std::size_t>(image.width));
    const int y = static_cast<int>(i / static_cast<std::size_t>(image.width));
    if (m.fault == Kind::kIndexOutsidePalette)
      throw UnmappedPixel(m.fault, x, y, "", 255, in[i], static_cast<int>(count));
    const PaletteEntry& e = image.palette[in[i]];
    throw UnmappedPixel(m.fault, x, y, hex8(e.red, e.green, e.blue), e.alpha, in[i],
                        static_cast<int>(count));
  }
  return out;
}

// Samples of 8 or 16 bits; a 16-bit sample stands for an 8-bit one only when it is one scaled.
template <typename Sample>
spr::IndexedImage mapDirect(const SourceImage& image, std::span<const Sample> rgba,
                            const spr::Palette& palette, bool transparent) {
  constexpr bool kDeep = sizeof(Sample) == 2;
  constexpr unsigned kFull = kDeep ? 0xFFFF : 0xFF;
  const auto colours = indexOfColour(palette, transparent);
  spr::IndexedImage out(image.width, image.height);
  std::uint32_t lastKey = 0xFFFFFFFF;
  std::uint8_t lastIndex = 0;
  for (std::size_t i = 0; i < out.pixels.size(); ++i) {
    const Sample* p = rgba.data() + 4 * i;
    const unsigned a = p[3];
    if (a == 0 && transparent) {
      out.pixels[i] = 0;
      continue;
    }
    unsigned r = p[0], g = p[1], b = p[2];
    auto fail = [&](Kind kind) {
      throw UnmappedPixel(kind, static_cast<int>(i % static_cast<std::size_t>(image.width)),
                          static_cast<int>(i / static_cast<std::size_t>(image.width)),
                          kDeep ? hex16(r, g, b) : hex8(r, g, b), static_cast<int>(a));
    };
    if (a != 0 && a != kFull) fail(Kind::kPartlyTransparent);
    if constexpr (kDeep) {
      if (r % 257 != 0 || g % 257 != 0 || b % 257 != 0) fail(Kind::kNotEightBit);
      r /= 257, g /= 257, b /= 257;
    }
    const std::uint32_t k = key(r, g, b);
    if (k != lastKey) {
      const auto at = colours.find(k);
      if (at == colours.end() || (at->second == 0 && transparent)) {
        if constexpr (kDeep) r *= 257, g *= 257, b *= 257;
        fail(at == colours.end() ? Kind::kNoSuchColour : Kind::kOnlyTransparent);
      }
      lastKey = k;
      lastIndex = at->second;
    }
    out.pixels[i] = lastIndex;
  }
  return out;
}

}  // namespace

UnmappedPixel::UnmappedPixel(Kind kind, int x, int y, std::string colour, int alpha, int index,
                             int paletteSize)
    : std::runtime_error("a pixel without a palette index"),
      kind_(kind),
      x_(x),
      y_(y),
      colour_(std::move(colour)),
      alpha_(alpha),
      index_(index),
      paletteSize_(paletteSize) {}

spr::IndexedImage MapToPalette(const SourceImage& image, const spr::Palette& palette,
                               bool transparent) {
  if (image.indexed) return mapIndexed(image, palette, transparent);
  if (image.depth == 16) return mapDirect<std::uint16_t>(image, image.rgba16, palette, transparent);
  return mapDirect<std::uint8_t>(image, image.rgba, palette, transparent);
}

spr::Palette SpritePaletteOf(const SourceImage& image) {
  spr::Palette palette{};
  for (std::size_t k = 0; k < image.palette.size() && k < spr::Palette::kEntries; ++k)
    palette.setColour(k, {image.palette[k].red, image.palette[k].green, image.palette[k].blue});
  return palette;
}

spr::Palette ReadPaletteFile(spr::ByteSource& source, const ImageLimits& limits) {
  return spr::EncodePalette(LoadPaletteFile(source, limits).over(spr::Palette{}));
}

spr::Palette ReadPaletteFile(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
  spr::MemoryBytes source(bytes);
  return ReadPaletteFile(source, limits);
}

}  // namespace glint::image
