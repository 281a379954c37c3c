#include "anim/index_counts.h"

#include <cstdio>

namespace glint::anim {

void CountFramePixels(const spr::IndexedImage& frame, IndexCounts& counts) {
  for (std::uint8_t index : frame.pixels) ++counts[index];
}

void CountStoredPixels(std::span<const std::uint8_t> stored, IndexCounts& counts) {
  for (std::size_t p = 0; p < stored.size(); ++p) {
    if (stored[p] != 0)
      ++counts[stored[p]];
    else if (p + 1 < stored.size())
      counts[0] += stored[++p];
  }
}

IndexCounts CountSpritePixels(spr::ByteSource& source, const std::atomic<bool>& cancelled) {
  IndexCounts counts{};
  spr::SprReader reader(source);
  spr::Palette palette;
  const int frames = reader.open(palette);
  try {
    for (int k = 0; k < frames && !cancelled.load(std::memory_order_relaxed); ++k)
      CountStoredPixels(reader.readFrame().stored, counts);
  } catch (const spr::Fault&) {
    // What comes before the broken record is counted, as what comes before it plays.
  }
  return counts;
}

std::string WithCommas(std::uint64_t n) {
  std::string digits = std::to_string(n);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), ",");
  return digits;
}

std::string SwatchText(std::size_t index, spr::Colour colour, std::uint64_t inFrame,
                       std::optional<std::uint64_t> inSprite) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
  std::string text = "index " + std::to_string(index) + " (R " + std::to_string(colour.red) +
                     ", G " + std::to_string(colour.green) + ", B " + std::to_string(colour.blue) +
                     ") " + hex + " | " + WithCommas(inFrame) +
                     (inFrame == 1 ? " pixel" : " pixels") + " in this frame";
  if (inSprite) text += ", " + WithCommas(*inSprite) + " in the sprite";
  return text;
}

}  // namespace glint::anim
