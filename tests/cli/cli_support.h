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

// Runs the converter in process, as `sprconv args...`, with stderr not a terminal.
inline CliRun Sprconv(std::vector<std::string> args) {
  args.insert(args.begin(), "sprconv");
  cli::BufferConsole console;
  int status = cli::Sprconv(args, console);
  return {status, console.outText(), console.errText()};
}

}  // namespace glint::testing
