// A whole export in memory: read a sprite file as every reader does, decode, fit and lay out each
// frame as a BMP file, and check the file agrees with its own header.
#include <cstdlib>

#include "export/bmp_layout.h"
#include "export/frame_bmp.h"
#include "platform/errors.h"
#include "spr/frame_codec.h"

using namespace glint;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemorySource source(std::vector<std::uint8_t>(data, data + size));
  spr::SprReader reader(source);
  NoWindow window;
  try {
    spr::Bytes table = spr::ConvertPalette(reader.readPalette());
    if (!reader.readSignature()) return 0;
    int count = reader.readFrameCount();
    for (int i = 0; i < count; ++i) {
      spr::FrameRecord frame = reader.readFrame();
      auto file = bmp::FrameFile(frame, table, window);
      if (!file) continue;
      std::size_t stride = static_cast<std::size_t>(frame.width + spr::PadCount(frame.width));
      std::size_t expected = bmp::kPixelOffset + stride * static_cast<std::size_t>(frame.height);
      if (file->size() != expected) std::abort();
    }
  } catch (const Error&) {
    // A numbered error is the specified outcome for a broken file.
  }
  return 0;
}
