#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "support/sprite_builder.h"

namespace glint::testing {

struct CliRun {
  int status = -1;
  std::string out, err;
};

using Strings = std::vector<std::string>;

// Runs the converter in process, as `sprconv args... more...`, with stderr not a terminal.
template <typename... More>
CliRun Sprconv(Strings args, const More&... more) {
  args.insert(args.begin(), "sprconv");
  (args.insert(args.end(), more.begin(), more.end()), ...);
  cli::BufferConsole console;
  int status = cli::Sprconv(args, console);
  return {status, console.outText(), console.errText()};
}

}  // namespace glint::testing
