#pragma once

#include "cli/options.h"

namespace CLI {
class App;
}

namespace glint::cli {

// Adds `pack` and `replace` to the command line, their values going into `options`.
void AddPackCommands(CLI::App& app, Options& options, CLI::App*& pack, CLI::App*& replace);

}  // namespace glint::cli
