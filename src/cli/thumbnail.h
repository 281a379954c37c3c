#pragma once

#include <functional>
#include <string>

#include "cli/options.h"

namespace glint::cli {

// `sprconv thumbnail`. A file that is not a sprite, or has no frame with pixels, fails and writes
// nothing. A palette file that gives fewer than 256 entries is told of through `tell`.
void WriteThumbnail(const ThumbnailOptions& options,
                    const std::function<void(const std::string&)>& tell);

}  // namespace glint::cli
