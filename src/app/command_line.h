#pragma once

// The viewer's command line: `glintscope [PATH]`, `--help` and `--version`.

#include <QCommandLineParser>
#include <string>
#include <vector>

namespace glint {

class Form1;

// The names the program goes by: in --version, and as the desktop entry it belongs to.
void SetApplicationNames();

// The options and the one positional argument, with their help.
void DescribeCommandLine(QCommandLineParser& parser);

// The command line as read before the window system starts, so that mistakes, help and the
// version need no display. Qt's own options are passed over; paths keep their bytes.
struct CommandLine {
  std::vector<std::string> paths;
  // The help and version options given, for the parser to print.
  std::vector<std::string> information;
  // The first mistake in the parser's words, names in the shell's quoting; empty for none.
  std::string mistake;
};
CommandLine ReadCommandLine(int argc, const char* const* argv);

// Opens `path` at start-up exactly as if it had been chosen in the open dialog: the path box gets
// the absolute path and the load runs. A path that is not an ordinary file gets a message, and
// the window stays as it started.
void OpenAtStartup(Form1& form, const std::string& path);

}  // namespace glint
