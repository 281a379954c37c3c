#include "bmp/bmp.h"

#include <algorithm>
#include <cstring>

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

int PadCount(std::int64_t width) {
  if (width <= 0) return 0;
  const int pad = 4 - static_cast<int>(width & 3);
  return pad == 4 ? 0 : pad;
}

std::vector<std::uint8_t> ConvertPalette(std::span<const std::uint8_t> stored) {
  std::vector<std::uint8_t> table;
  table.reserve(stored.size());
  const std::size_t length = stored.size();
  for (std::size_t i = 0; i < length; i += 4) {
    if (i + 2 < length) table.push_back(stored[i + 2]);
    if (i + 1 < length) table.push_back(stored[i + 1]);
    table.push_back(stored[i]);
    table.push_back(0);
  }
  return table;
}

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

std::vector<std::uint8_t> FrameFile(const spr::IndexedImage& frame,
                                    std::span<const std::uint8_t> colourTable) {
  const auto width = static_cast<std::size_t>(frame.width);
  const std::size_t stride = width + static_cast<std::size_t>(PadCount(frame.width));
  const std::size_t blockSize = stride * static_cast<std::size_t>(frame.height);
  const auto header = Header(static_cast<std::int16_t>(frame.width),
                             static_cast<std::int16_t>(frame.height), blockSize);
  std::vector<std::uint8_t> file(kHeaderSize + colourTable.size() + blockSize, 0);
  std::copy(colourTable.begin(), colourTable.end(),
            std::copy(header.begin(), header.end(), file.begin()));
  std::uint8_t* block = file.data() + kHeaderSize + colourTable.size();
  for (int y = 0; y < frame.height; ++y)
    std::memcpy(block + static_cast<std::size_t>(frame.height - 1 - y) * stride, frame.row(y),
                width);
  return file;
}

}  // namespace glint::bmp
