#pragma once

#include <cstdint>
#include <span>

#include "platform/status.h"

namespace glint {

// A decode as the window shows it, before the pixels are expanded: after each token of the stored
// bytes the status line ends in " (This bitmap p%)" after the text it held at the start, and the
// window yields after every token that ends on a seventh stored byte. Nobody sees the text but
// inside a yield or once the decode is over, so it is written only where that can show, and not at
// all when nobody watches.
void ShowDecodeProgress(std::span<const std::uint8_t> stored, StatusAndYield& window);

}  // namespace glint
