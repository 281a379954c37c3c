#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/atomic_file.h"

int main(int argc, char** argv) {
  glint::RemoveTemporariesOnSignals();
  std::vector<std::string> args(argv, argv + argc);
  glint::cli::StdConsole console;
  return glint::cli::Sprconv(args, console);
}
