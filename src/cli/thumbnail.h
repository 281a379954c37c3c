#pragma once

#include "cli/options.h"

namespace glint::cli {

// `sprconv thumbnail`. A file that is not a sprite, or has no frame with pixels, fails and writes
// nothing.
void WriteThumbnail(const ThumbnailOptions& options);

}  // namespace glint::cli
