#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <limits>
#include <sstream>
#include <thread>

#include "cli/console.h"
#include "cli/pack_options.h"
#include "image/thumbnail.h"

namespace glint::cli {
namespace {

constexpr int kUsageError = 2;
// A GIF delay is 16 bits of hundredths of a second.
constexpr int kMaxDelayMs = 655350;

std::optional<int> parsePositive(std::string_view text) {
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

int defaultJobs() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
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

ParsedCommandLine usageError(const std::string& message) {
  ParsedCommandLine result;
  result.exitCode = kUsageError;
  result.err = "sprconv: " + message + "\nRun 'sprconv --help' for the usage.\n";
  return result;
}

}  // namespace

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
      "                 [--transparent] [-j N] [-q]\n"
      "  sprconv sheet  SPRITE -o OUT.png [--columns N] [--transparent]\n"
      "  sprconv gif    SPRITE -o OUT.gif [--delay MS] [--transparent]\n"
      "  sprconv info   SPRITE... [--json]\n"
      "  sprconv thumbnail [-s SIZE] SPRITE OUT.png\n"
      "  sprconv pack   IMAGE|FOLDER... -o OUT.spr [--palette FILE] [--transparent]\n"
      "  sprconv replace SPRITE --frame N IMAGE [-o OUT.spr] [--transparent]\n"
      "  sprconv --help | --version\n",
      "sprconv");
  app.set_version_flag("--version", VersionText(), "Show the version and exit");
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 when every input converted, 1 when any input failed, 2 for a usage "
      "error.\nRun 'sprconv COMMAND --help' for the options of one command.");

  Options options;
  options.jobs = defaultJobs();
  std::string frames, format = "bmp";

  auto* exportCmd = app.add_subcommand(
      "export",
      "Write every frame of sprites, or of every sprite below folders, as BMP or PNG files.\n"
      "With -o DIR frame k of NAME.spr becomes DIR/NAME_kk.bmp (folders are mirrored under "
      "DIR);\nwithout it, NAME.spr.k.bmp beside the sprite.");
  exportCmd->add_option("inputs", options.inputs, "Sprite files and folders")
      ->required()
      ->type_name("SPRITE|FOLDER");
  exportCmd->add_option("-o,--output", options.output, "Output folder, created when missing")
      ->type_name("DIR");
  exportCmd->add_option("--format", format, "Output format")
      ->check(CLI::IsMember({"bmp", "png"}))
      ->type_name("bmp|png");
  exportCmd->add_option("--frames", frames, "Only frame N, or frames A to B")->type_name("N|A-B");
  exportCmd->add_flag("--transparent", options.transparent, "PNG only: index 0 fully transparent");
  exportCmd->add_option("-j,--jobs", options.jobs, "Files converted at once (default: cores)")
      ->type_name("N");
  exportCmd->add_flag("-q,--quiet", options.quiet, "No progress bar");

  auto* sheetCmd = app.add_subcommand(
      "sheet", "Write every frame of a sprite on one PNG sheet, in a grid of equal cells.");
  sheetCmd->add_option("sprite", options.inputs, "Sprite file")
      ->required()
      ->expected(1)
      ->type_name("SPRITE");
  sheetCmd->add_option("-o,--output", options.output, "Output PNG file")
      ->required()
      ->type_name("OUT.png");
  sheetCmd
      ->add_option("--columns", options.columns,
                   "Cells per row (default: the smallest n with n x n >= the frames)")
      ->type_name("N");
  sheetCmd->add_flag("--transparent", options.transparent, "Index 0 fully transparent");

  auto* gifCmd = app.add_subcommand("gif", "Write a sprite as an animated GIF that loops forever.");
  gifCmd->add_option("sprite", options.inputs, "Sprite file")
      ->required()
      ->expected(1)
      ->type_name("SPRITE");
  gifCmd->add_option("-o,--output", options.output, "Output GIF file")
      ->required()
      ->type_name("OUT.gif");
  gifCmd->add_option("--delay", options.delayMs, "Time each frame shows, in ms (default 100)")
      ->check(CLI::Range(0, kMaxDelayMs))
      ->type_name("MS");
  gifCmd->add_flag("--transparent", options.transparent, "Index 0 transparent");

  auto* infoCmd = app.add_subcommand(
      "info", "Show the frame count and each frame's width, height and stored length.");
  infoCmd->add_option("sprites", options.inputs, "Sprite files")->required()->type_name("SPRITE");
  infoCmd->add_flag("--json", options.json,
                    "One JSON object per file and line: file, frames, sizes, stored, error");

  auto* thumbnailCmd = app.add_subcommand(
      "thumbnail",
      "Write the first frame that shows something, fitted into SIZE x SIZE, as an RGBA PNG\n"
      "with index 0 transparent: a thumbnail for file managers.");
  std::string thumbnailSprite;  // a string, so that the output is the next positional
  thumbnailCmd->add_option("sprite", thumbnailSprite, "Sprite file")
      ->required()
      ->type_name("SPRITE");
  thumbnailCmd->add_option("output", options.output, "Output PNG file")
      ->required()
      ->type_name("OUT.png");
  thumbnailCmd
      ->add_option("-s,--size", options.thumbnailSize,
                   "Largest width and height, 16 to 1024 (default 128)")
      ->check(CLI::Range(image::kMinThumbnailSize, image::kMaxThumbnailSize))
      ->type_name("SIZE");
  CLI::App* packCmd = nullptr;
  CLI::App* replaceCmd = nullptr;
  AddPackCommands(app, options, packCmd, replaceCmd);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program's name
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out, err;
    int code = app.exit(e, out, err);
    if (code == 0) return ParsedCommandLine{std::nullopt, 0, out.str(), ""};
    std::string message = e.what();
    if (e.get_name() == "RequiredError" && app.get_subcommands().empty())
      message =
          "nothing to do: give a command (export, sheet, gif, info, thumbnail, pack or replace)";
    return usageError(quoteArguments(message, args));
  }

  // An empty name is a slip on the command line, never a file to write: left alone, export
  // would write beside the sprites and replace into the sprite itself.
  const CLI::Option* output = app.get_subcommands().front()->get_option_no_throw("-o");
  if (output != nullptr && output->count() != 0 && options.output.empty())
    return usageError("-o must not be empty");
  if (thumbnailCmd->parsed() && options.output.empty())
    return usageError("the output file's name must not be empty");

  if (exportCmd->parsed()) {
    options.command = Command::Export;
    if (options.jobs < 1) return usageError("-j must be at least 1");
    options.format = format == "png" ? Format::Png : Format::Bmp;
    if (!frames.empty()) {
      options.frames = ParseFrames(frames);
      if (!options.frames)
        return usageError("--frames: " + QuotedOr(frames, '"') +
                          " is not a frame number N or a range A-B with 1 <= A <= B");
    }
    if (options.transparent && options.format == Format::Bmp)
      return usageError("--transparent needs --format png: BMP files have no transparency");
  } else if (sheetCmd->parsed()) {
    options.command = Command::Sheet;
    if (sheetCmd->count("--columns") != 0 && options.columns < 1)
      return usageError("--columns must be at least 1");
  } else if (gifCmd->parsed()) {
    options.command = Command::Gif;
  } else if (thumbnailCmd->parsed()) {
    options.command = Command::Thumbnail;
    options.inputs = {thumbnailSprite};
  } else if (packCmd->parsed()) {
    options.command = Command::Pack;
  } else if (replaceCmd->parsed()) {
    options.command = Command::Replace;
  } else {
    options.command = Command::Info;
  }
  return ParsedCommandLine{options, 0, "", ""};
}

}  // namespace glint::cli
