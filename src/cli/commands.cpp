#include "cli/commands.h"

#include <algorithm>
#include <variant>

#include "cli/failure.h"
#include "cli/info.h"
#include "cli/ordered_runner.h"
#include "cli/pack.h"
#include "cli/palette.h"
#include "cli/sprite_input.h"
#include "cli/thumbnail.h"
#include "image/gif_writer.h"
#include "image/naming.h"
#include "image/png_writer.h"
#include "image/sheet.h"
#include "image/sprite_output.h"
#include "path/path.h"
#include "platform/errors.h"
#include "platform/names.h"
#include "platform/output_file.h"

namespace glint::cli {
namespace {

// The folder of a sprite, where its frames go without -o.
Folder besideSprite(const std::string& sprite) {
  try {
    return Folder::OpenPath(path::Split(sprite).folder);
  } catch (const Error& e) {
    throw WriteFailure(sprite, e.description());
  }
}

// The frames with pixels of the sprite, by their headers; a sprite without any is a failure.
image::SpriteFrames framesWithPixels(SpriteFile& sprite) {
  image::SpriteFrames frames(sprite.reader(), sprite.frameCount());
  if (frames.empty()) throw Failure(sprite.path(), "no frames to show");
  return frames;
}

}  // namespace

Folder FolderMaker::open(const std::string& folder) {
  try {
    return Folder::OpenPath(folder, true);
  } catch (const Error& e) {
    throw Failure(folder, "cannot create the folder: " + e.description());
  }
}

void ExportSprite(const PlannedInput& input, const ExportSettings& settings, FolderMaker& folders,
                  Progress& progress) {
  SpriteFile sprite(input.sprite);
  const int count = sprite.frameCount();
  int first = 1, last = count;
  if (settings.frames) {
    first = settings.frames->first;
    last = settings.frames->last;
    if (last > count) {
      std::string asked = first == last
                              ? "frame " + std::to_string(first)
                              : "frames " + std::to_string(first) + "-" + std::to_string(last);
      throw Failure(input.sprite, NotInSprite(asked, count));
    }
  }
  const bool png = settings.format == Format::Png;
  const std::string extension = png ? ".png" : ".bmp";
  std::optional<Folder> out;  // opened, or made, for the first file written
  const spr::Palette palette =
      settings.palette ? settings.palette->over(sprite.palette()) : sprite.palette();
  image::EncodeFrameFiles(
      sprite.reader(), palette, first, last,
      png ? image::FrameFormat::kPng : image::FrameFormat::kBmp, settings.transparent,
      [&](int k, std::span<const std::uint8_t> bytes) {
        const std::string path =
            image::FramePath(input.sprite, input.outFolder, input.name, k, extension);
        if (!out)
          out =
              input.outFolder.empty() ? besideSprite(input.sprite) : folders.open(input.outFolder);
        OutputFile file(*out, std::string(path::FileName(path)), path, settings.inputs);
        file.write(bytes);
        file.commit();
        progress.frameDone();
      });
}

ExitStatus RunCommand(const ExportOptions& options, Console& console) {
  const std::string extension = options.format == Format::Png ? ".png" : ".bmp";
  FolderMaker folders;
  if (!options.output.empty()) {
    const ExitStatus made =
        Run([&] { folders.open(options.output); }, options.output, options.output,
            [&](const std::string& lines) { console.err(lines); });
    if (made != ExitStatus::kAllConverted) return made;
  }
  ExportSettings settings{options.format, options.frames, options.transparent, {}, {}};
  if (!options.palette.empty()) {
    const ExitStatus read = Run(
        [&] {
          settings.palette = ReadPaletteInput(options.palette);
          console.err(
              PartialPaletteNote(options.palette, *settings.palette, "the sprite's own kept"));
        },
        options.palette, options.palette, [&](const std::string& lines) { console.err(lines); });
    if (read != ExitStatus::kAllConverted) return read;
  }
  std::vector<PlannedInput> plan = PlanExport(options.inputs, options.output, extension);
  for (const PlannedInput& input : plan)
    if (input.problem.empty()) settings.inputs.insert(input.id);
  settings.inputs = WithPaletteInput(std::move(settings.inputs), options.palette);
  Progress progress(console, console.errIsTerminal() && !options.quiet, plan.size());

  bool allOk = true;
  RunInOrder(
      plan.size(), options.jobs,
      [&](std::size_t i) {
        const PlannedInput& input = plan[i];
        Outcome outcome;
        if (!input.problem.empty()) {
          outcome.ok = input.noteOnly;
          if (!input.noteOnly || !options.quiet)
            outcome.messages = ErrorLine(input.sprite, input.problem);
        } else {
          outcome.messages = Attempt([&] { ExportSprite(input, settings, folders, progress); },
                                     input.sprite, input.sprite);
          outcome.ok = outcome.messages.empty();
        }
        progress.fileDone();
        return outcome;
      },
      [&](std::size_t, Outcome& outcome) {
        if (!outcome.messages.empty()) progress.message(outcome.messages);
        allOk = allOk && outcome.ok;
      });
  progress.finish();
  return allOk ? ExitStatus::kAllConverted : ExitStatus::kSomeFailed;
}

ExitStatus RunCommand(const SheetOptions& options, Console& console) {
  Progress progress(console, console.errIsTerminal(), 1);
  return Run(
      [&] {
        SpriteFile sprite(options.sprite);
        OutputFile file(options.output, WithPaletteInput({sprite.id()}, options.palette));
        const image::SpriteFrames frames = framesWithPixels(sprite);
        const spr::Palette palette = PaletteShown(
            options.palette, sprite.palette(), [&](const std::string& n) { progress.message(n); });
        image::WriteSheetPng(file.sink(), palette, frames, options.columns, options.transparent,
                             [&] { progress.frameDone(); });
        file.commit();
        progress.fileDone();
      },
      options.sprite, options.output, [&](const std::string& lines) { progress.message(lines); });
}

ExitStatus RunCommand(const GifOptions& options, Console& console) {
  const std::string& path = options.sprite;
  Progress progress(console, console.errIsTerminal(), 1);
  return Run(
      [&] {
        SpriteFile sprite(path);
        const image::SpriteFrames frames = framesWithPixels(sprite);
        const std::int64_t pixels = image::GifPixels(frames);
        if (pixels > image::kMostGifPixels)
          throw Failure(path, "the GIF would hold " + std::to_string(pixels) +
                                  " pixels (canvas pixels x frames), more than 2^30 (" +
                                  std::to_string(image::kMostGifPixels) + ")");
        OutputFile file(options.output, WithPaletteInput({sprite.id()}, options.palette));
        const spr::Palette palette = PaletteShown(
            options.palette, sprite.palette(), [&](const std::string& n) { progress.message(n); });
        image::WriteSpriteGif(file.sink(), palette, frames, options.delayMs, options.transparent,
                              [&] { progress.frameDone(); });
        file.commit();
        progress.fileDone();
      },
      path, options.output, [&](const std::string& lines) { progress.message(lines); });
}

ExitStatus RunCommand(const InfoOptions& options, Console& console) {
  bool allOk = true;
  for (const std::string& path : options.sprites) {
    SpriteInfo info = ReadSpriteInfo(path);
    console.out(options.json ? InfoJson(info) : InfoText(info));
    if (!info.error.empty()) {
      console.err(ErrorLine(path, info.error));
      allOk = false;
    }
  }
  return allOk ? ExitStatus::kAllConverted : ExitStatus::kSomeFailed;
}

ExitStatus RunCommand(const CommandOptions& options, Console& console) {
  return std::visit([&](const auto& command) { return RunCommand(command, console); }, options);
}

int Sprconv(const std::vector<std::string>& args, Console& console) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  ExitStatus status = parsed.exitStatus;
  if (parsed.options) {
    status = RunCommand(*parsed.options, console);
  } else {
    console.out(parsed.out);
    console.err(parsed.err);
  }
  // What could not be written was lost: not a success.
  const std::string lost = console.finish();
  if (!lost.empty()) {
    console.err("sprconv: " + lost + "\n");
    status = std::max(status, ExitStatus::kSomeFailed);
  }
  return static_cast<int>(status);
}

}  // namespace glint::cli
