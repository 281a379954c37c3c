// One frame on its own: any stored bytes with any width and height, decoded, checked against the
// tokens and laid out as a BMP file; and any bytes as a palette.
//
// Input: width and height (int16, little-endian), then the stored bytes.
#include <cstdlib>
#include <cstring>

#include "bmp/bmp.h"
#include "decoded_sprite.h"

using namespace glint;

namespace {

// The reader takes frames of up to kMaxFramePixels, but a few thousand pixels lead the decoder
// and the layout down every path that eight million do.
constexpr std::int64_t kPixelBudget = 4096;

void require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size - 4 > 0xFFFF) return 0;
  spr::FrameRecord frame;
  frame.number = 1;
  frame.offset = spr::kFirstRecordOffset;
  frame.width = static_cast<std::int16_t>(data[0] | (data[1] << 8));
  frame.height = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  frame.stored.assign(data + 4, data + size);
  frame.storedLength = static_cast<std::uint16_t>(frame.stored.size());
  if (spr::HasPixels(frame) && std::int64_t{frame.width} * frame.height > kPixelBudget) return 0;

  // Any length, not only a whole palette: the conversion stays within what it is given.
  const std::vector<std::uint8_t> converted = bmp::ConvertPalette(frame.stored);
  const std::size_t whole = frame.stored.size() / 4 * 4;
  require(converted.size() >= whole && converted.size() <= whole + 4);
  for (std::size_t i = 0; i < whole; i += 4)
    require(converted[i] == frame.stored[i + 2] && converted[i + 1] == frame.stored[i + 1] &&
            converted[i + 2] == frame.stored[i] && converted[i + 3] == 0);

  static const std::vector<std::uint8_t> table = [] {
    spr::Palette palette;
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<std::uint8_t>(i * 7);
    return bmp::ConvertPalette(palette);
  }();
  try {
    if (auto image = fuzz::DecodeChecked(frame))
      fuzz::CheckFrameFile(bmp::FrameFile(*image, table), *image, table);
  } catch (const spr::Fault&) {
    // DecodeChecked has checked that the tokens call for it.
  }
  return 0;
}
