#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/atomic_file.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  glint::RemoveTemporariesOnSignals();
  const std::vector<std::string> args = glint::CommandLine(argc, argv);
  glint::cli::StdConsole console;
  return glint::cli::Sprconv(args, console);
}
