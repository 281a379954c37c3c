// The codecs on their own: any stored bytes with any width and height, through the fitting step.
#include <cstdlib>

#include "platform/errors.h"
#include "spr/frame_codec.h"

using namespace glint;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  auto width = static_cast<std::int16_t>(data[0] | (data[1] << 8));
  auto height = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  std::span<const std::uint8_t> stored(data + 4, size - 4);
  NoWindow window;
  try {
    spr::Bytes block = spr::DecodeFrameData(stored, width, window);
    if (width > 0 && height > 0 && static_cast<std::int64_t>(width) * height > spr::kMaxFramePixels)
      return 0;  // the reader refuses such frames before decoding
    spr::Bytes fitted = spr::FitPixelBlock(block, width, height);
    std::size_t stride = width > 0 ? static_cast<std::size_t>(width + spr::PadCount(width)) : 0;
    if (width > 0 && height > 0 && fitted.size() != stride * static_cast<std::size_t>(height))
      std::abort();
    spr::ConvertPalette(stored);
  } catch (const Error& e) {
    if (e.number() != err::kInvalidCall) std::abort();
  }
  return 0;
}
