#include "export/bmp_layout.h"

#include <algorithm>

namespace glint::bmp {
namespace {

void put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
  put16(at, value);
  put16(at + 2, value >> 16);
}

}  // namespace

std::array<std::uint8_t, kHeaderSize> Header(std::int16_t width, std::int16_t height,
                                             std::size_t pixelBlockSize) {
  std::array<std::uint8_t, kHeaderSize> h{};
  h[0] = 'B';
  h[1] = 'M';
  put32(&h[2], static_cast<std::uint32_t>(kPixelOffset + pixelBlockSize));
  put32(&h[10], static_cast<std::uint32_t>(kPixelOffset));
  put32(&h[14], 40);
  put32(&h[18], static_cast<std::uint32_t>(static_cast<std::int32_t>(width)));
  put32(&h[22], static_cast<std::uint32_t>(static_cast<std::int32_t>(height)));
  put16(&h[26], 1);
  put16(&h[28], 8);
  put32(&h[34], static_cast<std::uint32_t>(pixelBlockSize));
  put32(&h[46], 256);
  return h;
}

std::vector<std::uint8_t> File(std::int16_t width, std::int16_t height,
                               std::span<const std::uint8_t> colourTable,
                               std::span<const std::uint8_t> pixelBlock) {
  auto header = Header(width, height, pixelBlock.size());
  std::vector<std::uint8_t> file(kHeaderSize + colourTable.size() + pixelBlock.size());
  auto at = std::copy(header.begin(), header.end(), file.begin());
  at = std::copy(colourTable.begin(), colourTable.end(), at);
  std::copy(pixelBlock.begin(), pixelBlock.end(), at);
  return file;
}

}  // namespace glint::bmp
