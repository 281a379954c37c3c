#pragma once

// The two transformations every reader applies: stored frame bytes into a BMP-ready pixel block,
// and the stored palette into a BMP colour table.
//
// Pixel block: the expanded pixels cut into pieces of `width` bytes, the pieces in reverse order
// (bottom row first), each followed by (4 - width mod 4) mod 4 zero bytes. When the expansion is
// not a whole number of rows, the short last piece stands first, unpadded inside but followed by
// the pad bytes like the others.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/status.h"
#include "spr/spr_file.h"

namespace glint::spr {

using Bytes = std::vector<std::uint8_t>;

// Zero bytes after each row of a pixel block of that width (0 for widths of 0 or below).
int PadCount(std::int64_t width);

// Expands one frame's stored bytes into its pixel block. Reports progress after the status text
// it finds at its start (" (This bitmap p%)", once per token) and yields at every seventh
// position. Raises 5 for a zero run cut short, and for a width of 0 or below with pixels.
Bytes DecodeFrameData(std::span<const std::uint8_t> stored, std::int64_t width,
                      StatusAndYield& window);

// The palette's entries of red, green, blue, reserved as blue, green, red, 0.
Bytes ConvertPalette(std::span<const std::uint8_t> stored);

// Fits a pixel block to exactly width x height: the expansion is the frame's pixels in reading
// order, so pixels it lacks (at the bottom right) are index 0 and pixels beyond width x height
// are dropped. The result is a BMP pixel array of `height` padded rows, bottom row first.
// A frame without a size gives an empty block, or 5 when it has pixel data.
Bytes FitPixelBlock(Bytes block, std::int64_t width, std::int64_t height);

}  // namespace glint::spr
