#pragma once

// Sprite files (.spr): the animation frames of one sprite and the palette they share.
//
//   offset 0   4 bytes   signature 53 50 01 02 ("SP", 1, 2)
//   offset 4   int16     frame count (little-endian, signed; a count above 32,767 is broken)
//   offset 6   2 bytes   not used
//   offset 8   frame records, back to back, as many as the count says:
//                int16 width, int16 height, uint16 stored length, then the stored bytes
//   ...        anything between the last record and the palette is never read
//   last 1,024 bytes     palette: 256 entries of red, green, blue, reserved
//
// Stored bytes are tokens: a byte 1..255 is one pixel of that index; 0 followed by n stands for
// n pixels of index 0. Expanded, they give the pixels top row first, each row left to right.
// Every read is bounds-checked: a short file raises 63, a record cut short 62, nonsense 5.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/byte_source.h"

namespace glint::spr {

inline constexpr std::size_t kPaletteSize = 1024;
inline constexpr std::array<std::uint8_t, 4> kSignature = {0x53, 0x50, 0x01, 0x02};
// The most pixels stored data can describe: 32,767 zero runs of 255 and one literal.
inline constexpr std::int64_t kMaxFramePixels = 32767LL * 255 + 1;

using Palette = std::array<std::uint8_t, kPaletteSize>;

struct FrameRecord {
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::uint16_t storedLength = 0;
  std::vector<std::uint8_t> stored;
};

// Reads a sprite file in the one order every reader follows: palette, signature, frame count,
// then the frame records one after the other.
class SprReader {
 public:
  explicit SprReader(ByteSource& source) : source_(source) {}

  // The last 1,024 bytes; 63 when the file is shorter.
  Palette readPalette();
  // The first four bytes compared with the signature.
  bool readSignature();
  // The frame count (bytes 4-5; bytes 6-7 are read past). May be negative: callers decide.
  std::int16_t readFrameCount();
  // The next frame record, read in full; 62 when the file ends inside it, 5 for a frame larger
  // than stored data can describe.
  FrameRecord readFrame();

 private:
  ByteSource& source_;
};

// Whether a frame has pixels to show or write. A frame without a size is empty when it has no
// pixel data and broken (5) when it has some.
bool HasPixels(const FrameRecord& frame, std::size_t pixelBlockSize);

}  // namespace glint::spr
