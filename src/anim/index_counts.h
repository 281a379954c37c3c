#pragma once

// How many pixels of each palette index a frame, or a whole sprite, holds.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "spr/sprite.h"

namespace glint::anim {

using IndexCounts = std::array<std::uint64_t, 256>;

// The decoded frame's pixels, added to `counts`.
void CountFramePixels(const spr::IndexedImage& frame, IndexCounts& counts);

// Stored bytes counted as they stand, with nothing expanded: a pixel byte counts one pixel of its
// index, a run of index 0 its length; a 0 that ends the bytes without its count, nothing.
void CountStoredPixels(std::span<const std::uint8_t> stored, IndexCounts& counts);

// Every record's stored bytes, counted up to the first broken record; whatever the frame sizes
// say. Reading stops early, the counts then partial, once `cancelled` is set. spr::Fault when the
// file is no sprite.
IndexCounts CountSpritePixels(spr::ByteSource& source, const std::atomic<bool>& cancelled);

// 2100 as "2,100".
std::string WithCommas(std::uint64_t n);

// What pointing at a swatch tells: "index 17 (R 200, G 40, B 12) #C8280C | 340 pixels in this
// frame, 2,100 in the sprite"; the sprite's part once its counts are known.
std::string SwatchText(std::size_t index, spr::Colour colour, std::uint64_t inFrame,
                       std::optional<std::uint64_t> inSprite);

}  // namespace glint::anim
