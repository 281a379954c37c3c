#include "export/frame_bmp.h"

#include "export/bmp_layout.h"
#include "spr/frame_codec.h"

namespace glint::bmp {

std::optional<std::vector<std::uint8_t>> FrameFile(const spr::FrameRecord& frame,
                                                   std::span<const std::uint8_t> colourTable,
                                                   StatusAndYield& window) {
  spr::Bytes block = spr::DecodeFrameData(frame.stored, frame.width, window);
  if (!spr::HasPixels(frame, block.size())) return std::nullopt;
  block = spr::FitPixelBlock(std::move(block), frame.width, frame.height);
  return File(frame.width, frame.height, colourTable, block);
}

}  // namespace glint::bmp
