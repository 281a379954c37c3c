#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <limits>
#include <sstream>

#include "cli/console.h"
#include "cli/pack_options.h"

namespace glint::cli {
namespace {

std::optional<int> parsePositive(std::string_view text) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

// The library's message with every argument it repeats in the quoting of names, so that no
// argument can forge a line or drive the terminal.
std::string quoteArguments(std::string message, const std::vector<std::string>& args) {
  std::vector<std::string> raw;
  for (const std::string& arg : args) {
    raw.push_back(arg);
    if (const std::size_t equals = arg.find('='); equals != std::string::npos)
      raw.push_back(arg.substr(equals + 1));
  }
  std::sort(raw.begin(), raw.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& arg : raw) {
    const std::string quoted = QuotedName(arg);
    if (arg.empty() || quoted == arg) continue;
    for (std::size_t at = message.find(arg); at != std::string::npos;
         at = message.find(arg, at + quoted.size()))
      message.replace(at, arg.size(), quoted);
  }
  return QuotedName(message);  // anything the library showed otherwise
}

}  // namespace

ParsedCommandLine UsageError(const std::string& message) {
  ParsedCommandLine result;
  result.exitStatus = ExitStatus::kUsageError;
  result.err = "sprconv: " + message + "\nRun 'sprconv --help' for the usage.\n";
  return result;
}

std::optional<FrameRange> ParseFrames(std::string_view text) {
  auto dash = text.find('-');
  if (dash == std::string_view::npos) {
    auto n = parsePositive(text);
    if (!n) return std::nullopt;
    return FrameRange{*n, *n};
  }
  auto first = parsePositive(text.substr(0, dash));
  auto last = parsePositive(text.substr(dash + 1));
  if (!first || !last || *first > *last) return std::nullopt;
  return FrameRange{*first, *last};
}

std::string VersionText() { return std::string("sprconv ") + GLINT_VERSION; }

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CLI::App app(
      "Converts sprite files (.spr) into BMP, PNG, sprite sheets and animated GIFs, and packs\n"
      "edited frames back into sprite files.\n\n"
      "  sprconv export SPRITE|FOLDER... [-o DIR] [--format bmp|png] [--frames N|A-B]\n"
      "                 [--transparent] [--palette PALETTE] [-j N] [-q]\n"
      "  sprconv sheet  SPRITE -o OUT.png [--columns N] [--transparent] [--palette PALETTE]\n"
      "  sprconv gif    SPRITE -o OUT.gif [--delay MS] [--transparent] [--palette PALETTE]\n"
      "  sprconv info   SPRITE... [--json]\n"
      "  sprconv thumbnail [-s SIZE] [--palette PALETTE] SPRITE OUT.png\n"
      "  sprconv pack   IMAGE|FOLDER... -o OUT.spr [--palette FILE] [--transparent]\n"
      "  sprconv replace SPRITE --frame N IMAGE [-o OUT.spr] [--transparent]\n"
      "  sprconv palette SPRITE [--json | -o OUT.gpl|.pal|.png | --set PALETTE [-o OUT.spr]]\n"
      "  sprconv --help | --version\n",
      "sprconv");
  app.set_version_flag("--version", VersionText(), "Show the version and exit");
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 when every input converted, 1 when any input failed, 2 for a usage "
      "error.\nRun 'sprconv COMMAND --help' for the options of one command.");

  const CommandLineEntry commands[] = {AddExportCommand(app),    AddSheetCommand(app),
                                       AddGifCommand(app),       AddInfoCommand(app),
                                       AddThumbnailCommand(app), AddPackCommand(app),
                                       AddReplaceCommand(app),   AddPaletteCommand(app)};

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program's name
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    int code = app.exit(e, out, err);
    if (code == 0) return ParsedCommandLine{std::nullopt, ExitStatus::kAllConverted, out.str(), ""};
    std::string message = e.what();
    if (e.get_name() == "RequiredError" && app.get_subcommands().empty())
      message =
          "nothing to do: give a command (export, sheet, gif, info, thumbnail, pack, replace or "
          "palette)";
    return UsageError(quoteArguments(message, args));
  }

  // An empty name is a slip on the command line, never a file to write: left alone, export
  // would write beside the sprites and replace into the sprite itself.
  const CLI::App* command = app.get_subcommands().front();
  const CLI::Option* output = command->get_option_no_throw("-o");
  if (output != nullptr && output->count() != 0 && output->as<std::string>().empty())
    return UsageError("-o must not be empty");
  for (const CommandLineEntry& entry : commands)
    if (entry.command == command) return entry.finish();
  return UsageError("nothing to do");
}

}  // namespace glint::cli
