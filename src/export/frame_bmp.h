#pragma once

#include <optional>
#include <span>
#include <vector>

#include "platform/status.h"
#include "spr/spr_file.h"

namespace glint::bmp {

// The BMP file of one frame record: its stored bytes expanded (progress and yields through
// `window`), fitted to the frame's width x height, behind the header and the colour table.
// No file for a frame without pixels; 5 for a frame with pixel data but no size.
std::optional<std::vector<std::uint8_t>> FrameFile(const spr::FrameRecord& frame,
                                                   std::span<const std::uint8_t> colourTable,
                                                   StatusAndYield& window);

}  // namespace glint::bmp
