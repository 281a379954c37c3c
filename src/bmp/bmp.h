#pragma once

// The 8-bit palettized BMP files every exporter writes, from decoded frames. Little-endian
// throughout:
//
//   0  "BM"              2  bfSize = 1078 + pixel block   6  reserved, 0 (4 bytes)
//   10 bfOffBits = 1078  14 biSize = 40                   18 biWidth, 22 biHeight (sign-extended)
//   26 biPlanes = 1      28 biBitCount = 8                30 biCompression = 0
//   34 biSizeImage = pixel block length                   38, 42 pels per metre = 0
//   46 biClrUsed = 256   50 biClrImportant = 0
//   54 the 1,024-byte colour table: 256 entries of blue, green, red, 0
//   1078 the pixel block: the rows bottom row first, each followed by (4 - width mod 4) mod 4
//        zero bytes; nothing after.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "spr/sprite.h"

namespace glint::bmp {

inline constexpr std::size_t kHeaderSize = 54;
inline constexpr std::size_t kColourTableSize = 1024;
inline constexpr std::size_t kPixelOffset = kHeaderSize + kColourTableSize;

// Zero bytes after each row of that width (0 for widths of 0 or below).
int PadCount(std::int64_t width);

// The sprite's palette (red, green, blue, reserved) as a colour table (blue, green, red, 0).
std::vector<std::uint8_t> ConvertPalette(std::span<const std::uint8_t> stored);

std::array<std::uint8_t, kHeaderSize> Header(std::int16_t width, std::int16_t height,
                                             std::size_t pixelBlockSize);

// The whole file: header, colour table, pixel block.
std::vector<std::uint8_t> File(std::int16_t width, std::int16_t height,
                               std::span<const std::uint8_t> colourTable,
                               std::span<const std::uint8_t> pixelBlock);

// The whole file of one frame: its rows turned bottom-up and padded.
std::vector<std::uint8_t> FrameFile(const spr::IndexedImage& frame,
                                    std::span<const std::uint8_t> colourTable);

}  // namespace glint::bmp
