#pragma once

// What a command-line program needs of the process it runs in.

#include <string>
#include <vector>

namespace glint {

// The command line in UTF-8, whatever the system's own encoding of it; on Windows this also sets
// the console to show UTF-8.
std::vector<std::string> CommandLine(int argc, char** argv);

// Whether standard error is a terminal (a console on Windows), where progress may be drawn.
bool StandardErrorIsTerminal();

}  // namespace glint
