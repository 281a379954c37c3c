#pragma once

#include <filesystem>
#include <map>
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

// Every file below `root` (temporaries too), by path relative to it, with its bytes; none when
// `root` does not exist.
inline std::map<std::string, Bytes> Tree(const std::string& root) {
  std::map<std::string, Bytes> files;
  std::error_code missing;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, missing))
    if (!entry.is_directory())
      files[std::filesystem::relative(entry.path(), root).string()] =
          ReadFile(entry.path().string());
  return files;
}

inline std::vector<std::string> Names(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Tree(root)) names.push_back(name);
  return names;
}

}  // namespace glint::testing
