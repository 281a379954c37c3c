#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/sprite_builder.h"

namespace glint::testing {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the converter in process, as `sprconv args...`, with stderr not a terminal.
CliRun Sprconv(const std::vector<std::string>& args);
// Runs the built program.
CliRun SprconvBinary(const std::vector<std::string>& args);

// Every file below `root`, by path relative to it, with its bytes.
std::map<std::string, Bytes> Tree(const std::string& root);

void WriteBytes(const std::string& path, const Bytes& bytes);

}  // namespace glint::testing
