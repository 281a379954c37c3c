#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/options.h"

namespace CLI {
class App;
}

namespace glint::cli {

// One command on the command line. Its options fill in as the line is parsed; `finish` then
// checks what the parser cannot, giving the options or a usage error.
struct CommandLineEntry {
  CLI::App* command = nullptr;
  std::function<ParsedCommandLine()> finish;
};

ParsedCommandLine UsageError(const std::string& message);

// A command to run.
inline ParsedCommandLine Ready(CommandOptions options) {
  ParsedCommandLine parsed;
  parsed.options = std::move(options);
  return parsed;
}

// Each adds its command, or commands, to the command line.
CommandLineEntry AddExportCommand(CLI::App& app);
CommandLineEntry AddSheetCommand(CLI::App& app);
CommandLineEntry AddGifCommand(CLI::App& app);
CommandLineEntry AddInfoCommand(CLI::App& app);
CommandLineEntry AddThumbnailCommand(CLI::App& app);
CommandLineEntry AddPackCommand(CLI::App& app);
CommandLineEntry AddReplaceCommand(CLI::App& app);
CommandLineEntry AddPaletteCommand(CLI::App& app);

}  // namespace glint::cli
