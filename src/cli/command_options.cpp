#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <thread>

#include "cli/console.h"
#include "cli/pack_options.h"
#include "image/thumbnail.h"

namespace glint::cli {
namespace {

// A GIF delay is 16 bits of hundredths of a second.
constexpr int kMaxDelayMs = 655350;

int defaultJobs() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace

CommandLineEntry AddExportCommand(CLI::App& app) {
  auto options = std::make_shared<ExportOptions>();
  options->jobs = defaultJobs();
  auto frames = std::make_shared<std::string>();
  auto format = std::make_shared<std::string>("bmp");
  CLI::App* command = app.add_subcommand(
      "export",
      "Write every frame of sprites, or of every sprite below folders, as BMP or PNG files.\n"
      "With -o DIR frame k of NAME.spr becomes DIR/NAME_kk.bmp (folders are mirrored under "
      "DIR);\nwithout it, NAME.spr.k.bmp beside the sprite.");
  command->add_option("inputs", options->inputs, "Sprite files and folders")
      ->required()
      ->type_name("SPRITE|FOLDER");
  command->add_option("-o,--output", options->output, "Output folder, created when missing")
      ->type_name("DIR");
  command->add_option("--format", *format, "Output format")
      ->check(CLI::IsMember({"bmp", "png"}))
      ->type_name("bmp|png");
  command->add_option("--frames", *frames, "Only frame N, or frames A to B")->type_name("N|A-B");
  command->add_flag("--transparent", options->transparent, "PNG only: index 0 fully transparent");
  command
      ->add_option("--palette", options->palette,
                   "Draw with this palette: a sprite, GIMP or JASC palette or palette PNG")
      ->type_name("PALETTE");
  command->add_option("-j,--jobs", options->jobs, "Files converted at once (default: cores)")
      ->type_name("N");
  command->add_flag("-q,--quiet", options->quiet, "No progress bar");
  return {command, [options, frames, format] {
            if (options->jobs < 1) return UsageError("-j must be at least 1");
            options->format = *format == "png" ? Format::Png : Format::Bmp;
            if (!frames->empty()) {
              options->frames = ParseFrames(*frames);
              if (!options->frames)
                return UsageError("--frames: " + QuotedOr(*frames, '"') +
                                  " is not a frame number N or a range A-B with 1 <= A <= B");
            }
            if (options->transparent && options->format == Format::Bmp)
              return UsageError("--transparent needs --format png: BMP files have no transparency");
            return Ready(*options);
          }};
}

CommandLineEntry AddSheetCommand(CLI::App& app) {
  auto options = std::make_shared<SheetOptions>();
  CLI::App* command = app.add_subcommand(
      "sheet", "Write every frame of a sprite on one PNG sheet, in a grid of equal cells.");
  command->add_option("sprite", options->sprite, "Sprite file")->required()->type_name("SPRITE");
  command->add_option("-o,--output", options->output, "Output PNG file")
      ->required()
      ->type_name("OUT.png");
  command
      ->add_option("--columns", options->columns,
                   "Cells per row (default: the smallest n with n x n >= the frames)")
      ->type_name("N");
  command
      ->add_option("--palette", options->palette,
                   "Draw with this palette: a sprite, GIMP or JASC palette or palette PNG")
      ->type_name("PALETTE");
  command->add_flag("--transparent", options->transparent, "Index 0 fully transparent");
  return {command, [options, command] {
            if (command->count("--columns") != 0 && options->columns < 1)
              return UsageError("--columns must be at least 1");
            return Ready(*options);
          }};
}

CommandLineEntry AddGifCommand(CLI::App& app) {
  auto options = std::make_shared<GifOptions>();
  CLI::App* command =
      app.add_subcommand("gif", "Write a sprite as an animated GIF that loops forever.");
  command->add_option("sprite", options->sprite, "Sprite file")->required()->type_name("SPRITE");
  command->add_option("-o,--output", options->output, "Output GIF file")
      ->required()
      ->type_name("OUT.gif");
  command->add_option("--delay", options->delayMs, "Time each frame shows, in ms (default 100)")
      ->check(CLI::Range(0, kMaxDelayMs))
      ->type_name("MS");
  command
      ->add_option("--palette", options->palette,
                   "Draw with this palette: a sprite, GIMP or JASC palette or palette PNG")
      ->type_name("PALETTE");
  command->add_flag("--transparent", options->transparent, "Index 0 transparent");
  return {command, [options] { return Ready(*options); }};
}

CommandLineEntry AddInfoCommand(CLI::App& app) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = app.add_subcommand(
      "info", "Show the frame count and each frame's width, height and stored length.");
  command->add_option("sprites", options->sprites, "Sprite files")->required()->type_name("SPRITE");
  command->add_flag("--json", options->json,
                    "One JSON object per file and line: file, frames, sizes, stored, error");
  return {command, [options] { return Ready(*options); }};
}

CommandLineEntry AddThumbnailCommand(CLI::App& app) {
  auto options = std::make_shared<ThumbnailOptions>();
  CLI::App* command = app.add_subcommand(
      "thumbnail",
      "Write the first frame that shows something, fitted into SIZE x SIZE, as an RGBA PNG\n"
      "with index 0 transparent: a thumbnail for file managers.");
  command->add_option("sprite", options->sprite, "Sprite file")->required()->type_name("SPRITE");
  command->add_option("output", options->output, "Output PNG file")
      ->required()
      ->type_name("OUT.png");
  command
      ->add_option("-s,--size", options->size, "Largest width and height, 16 to 1024 (default 128)")
      ->check(CLI::Range(image::kMinThumbnailSize, image::kMaxThumbnailSize))
      ->type_name("SIZE");
  command
      ->add_option("--palette", options->palette,
                   "Draw with this palette: a sprite, GIMP or JASC palette or palette PNG")
      ->type_name("PALETTE");
  return {command, [options] {
            if (options->output.empty())
              return UsageError("the output file's name must not be empty");
            return Ready(*options);
          }};
}

CommandLineEntry AddPaletteCommand(CLI::App& app) {
  auto options = std::make_shared<PaletteOptions>();
  CLI::App* command = app.add_subcommand(
      "palette",
      "Show a sprite's palette, write it as a palette file, or put another palette in its place.");
  command->footer(
      "Without options, the 256 entries, one a line: index, red, green, blue and #RRGGBB.\n"
      "-o writes a GIMP palette (.gpl), a JASC palette (.pal, CRLF line ends) or a 16 x 16 PNG\n"
      "whose pixel k is index k, by the file's extension. --set writes the sprite with its "
      "palette\n"
      "replaced and every other byte as it was; the entries' reserved bytes stay unless PALETTE\n"
      "is a sprite, which gives all 1,024 bytes. A GIMP or JASC palette of fewer than 256 entries\n"
      "replaces the first ones. A palette file's kind is told by its content, never its name.\n"
      "Without -o the sprite itself is replaced, under the rules replace keeps.\n\n" +
      app.get_footer());
  command->add_option("sprite", options->sprite, "Sprite file")->required()->type_name("SPRITE");
  command
      ->add_option("-o,--output", options->output,
                   "Palette file to write (.gpl, .pal or .png); with --set, the sprite to write")
      ->type_name("FILE");
  command
      ->add_option("--set", options->set,
                   "Palette to put in: a sprite, GIMP or JASC palette or palette PNG")
      ->type_name("PALETTE");
  command->add_flag("--json", options->json,
                    "The entries as one JSON array of index, red, green, blue and hex");
  return {command, [options] {
            if (options->json && !(options->output.empty() && options->set.empty()))
              return UsageError("--json prints the palette: it takes neither -o nor --set");
            if (!options->set.empty() || options->output.empty()) return Ready(*options);
            std::string extension = options->output.substr(
                std::min(options->output.rfind('.'), options->output.size()));
            for (char& c : extension)
              c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            if (extension != ".gpl" && extension != ".pal" && extension != ".png")
              return UsageError("-o: " + QuotedOr(options->output, '"') +
                                " does not end in .gpl, .pal or .png");
            return Ready(*options);
          }};
}

}  // namespace glint::cli
