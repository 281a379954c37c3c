#pragma once

// The viewer's command line: `glintscope [PATH]`, `--help` and `--version`.

#include <QCommandLineParser>
#include <string>

namespace glint {

class Form1;

// The names the program goes by: in --version, and as the desktop entry it belongs to.
void SetApplicationNames();

// The options and the one positional argument, with their help.
void DescribeCommandLine(QCommandLineParser& parser);

// Whether the arguments ask only for help or the version, which need no display.
bool AsksForInformation(int argc, const char* const* argv);

// Opens `path` at start-up exactly as if it had been chosen in the open dialog: the path box gets
// the absolute path and the load runs. A path that is not an ordinary file gets a message, and
// the window stays as it started.
void OpenAtStartup(Form1& form, const std::string& path);

}  // namespace glint
