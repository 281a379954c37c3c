#pragma once

namespace glint::cli {

struct Options;
class Console;

// `sprconv thumbnail`: the exit status. A file that is not a sprite, or has no frame with pixels,
// fails and writes nothing.
int RunThumbnail(const Options& options, Console& console);

}  // namespace glint::cli
