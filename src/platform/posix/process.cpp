#include "platform/process.h"

#include <unistd.h>

namespace glint {

// The words come as the bytes they were given; names are bytes here, so none is re-encoded.
std::vector<std::string> CommandLine(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace glint
