#include "cli/commands.h"

#include <algorithm>
#include <memory>

#include "cli/failure.h"
#include "cli/info.h"
#include "cli/ordered_runner.h"
#include "cli/pack.h"
#include "cli/sprite_input.h"
#include "cli/thumbnail.h"
#include "image/gif_writer.h"
#include "image/naming.h"
#include "image/png_writer.h"
#include "image/sheet.h"
#include "image/sprite_output.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

namespace glint::cli {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;

std::string writeReason(const Error& error) {
  return "cannot write the file: " + error.description();
}

// The output file `path` names (in `folder` when given), opened for writing; refused as a Failure
// naming it.
std::unique_ptr<AtomicFile> openOutput(const std::string& path, const FileIds& inputs,
                                       const Folder* folder = nullptr) {
  try {
    if (folder == nullptr) return std::make_unique<AtomicFile>(path, inputs);
    return std::make_unique<AtomicFile>(*folder, std::string(image::FileName(path)), inputs);
  } catch (const Error& e) {
    throw Failure(path, writeReason(e));
  }
}

// Writes all of `file` and puts it in place; `path` names it in messages.
void writeWhole(AtomicFile& file, const std::string& path, std::span<const std::uint8_t> bytes) {
  try {
    file.write(bytes);
    file.commit();
  } catch (const Error& e) {
    throw Failure(path, writeReason(e));
  }
}

// The folder a path is in, opened one folder at a time.
Folder folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  try {
    return Folder::OpenPath(slash == std::string::npos ? ""
                            : slash == 0               ? "/"
                                                       : path.substr(0, slash));
  } catch (const Error& e) {
    throw Failure(path, writeReason(e));
  }
}

std::string framesText(int count) {
  if (count == 0) return "no frames";
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
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
      throw Failure(input.sprite, asked + " asked for, but the file has " + framesText(count));
    }
  }
  const bool png = settings.format == Format::Png;
  const std::string extension = png ? ".png" : ".bmp";
  std::optional<Folder> out;  // opened, or made, for the first file written
  image::EncodeFrameFiles(
      sprite.reader(), sprite.palette(), first, last,
      png ? image::FrameFormat::kPng : image::FrameFormat::kBmp, settings.transparent,
      [&](int k, std::span<const std::uint8_t> bytes) {
        if (!out)
          out = input.outFolder.empty() ? folderOf(input.sprite) : folders.open(input.outFolder);
        const std::string path =
            image::FramePath(input.sprite, input.outFolder, input.name, k, extension);
        writeWhole(*openOutput(path, settings.inputs, &*out), path, bytes);
        progress.frameDone();
      });
}

int RunExport(const Options& options, Console& console) {
  const std::string extension = options.format == Format::Png ? ".png" : ".bmp";
  FolderMaker folders;
  if (!options.output.empty()) {
    try {
      folders.open(options.output);
    } catch (const Failure& failure) {
      console.err(ErrorLine(failure.path(), failure.reason()));
      return kSomeFailed;
    }
  }
  std::vector<PlannedInput> plan = PlanExport(options.inputs, options.output, extension);
  ExportSettings settings{options.format, options.frames, options.transparent, {}};
  for (const PlannedInput& input : plan)
    if (input.problem.empty()) settings.inputs.insert(input.id);
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
          try {
            ExportSprite(input, settings, folders, progress);
          } catch (const Failure& failure) {
            outcome = Outcome{false, ErrorLine(failure.path(), failure.reason())};
          } catch (const spr::Fault& fault) {
            outcome = Outcome{false, ErrorLine(input.sprite, FaultReason(fault))};
          } catch (const std::bad_alloc&) {
            outcome = Outcome{false, ErrorLine(input.sprite, "out of memory")};
          } catch (const std::exception& e) {
            outcome = Outcome{false, ErrorLine(input.sprite, e.what())};
          }
        }
        progress.fileDone();
        return outcome;
      },
      [&](std::size_t, Outcome& outcome) {
        if (!outcome.messages.empty()) progress.message(outcome.messages);
        allOk = allOk && outcome.ok;
      });
  progress.finish();
  return allOk ? kAllConverted : kSomeFailed;
}

int RunSheet(const Options& options, Console& console) {
  const std::string& path = options.inputs.front();
  Progress progress(console, console.errIsTerminal(), 1);
  try {
    SpriteFile sprite(path);
    const auto file = openOutput(options.output, {sprite.id()});
    const image::SpriteFrames frames = framesWithPixels(sprite);
    std::vector<std::uint8_t> png;
    image::WriteSheetPng(
        [&](std::span<const std::uint8_t> bytes) {
          png.insert(png.end(), bytes.begin(), bytes.end());
        },
        sprite.palette(), frames, options.columns, options.transparent,
        [&] { progress.frameDone(); });
    writeWhole(*file, options.output, png);
  } catch (const Failure& failure) {
    progress.message(ErrorLine(failure.path(), failure.reason()));
    return kSomeFailed;
  } catch (const spr::Fault& fault) {
    progress.message(ErrorLine(path, FaultReason(fault)));
    return kSomeFailed;
  } catch (const image::SheetTooLarge& large) {
    progress.message(ErrorLine(path, "the sheet would be " + std::to_string(large.width) + " x " +
                                         std::to_string(large.height) +
                                         " pixels, more than one PNG sheet holds here"));
    return kSomeFailed;
  } catch (const std::bad_alloc&) {
    progress.message(ErrorLine(path, "out of memory"));
    return kSomeFailed;
  }
  progress.fileDone();
  return kAllConverted;
}

int RunGif(const Options& options, Console& console) {
  const std::string& path = options.inputs.front();
  Progress progress(console, console.errIsTerminal(), 1);
  try {
    SpriteFile sprite(path);
    const image::SpriteFrames frames = framesWithPixels(sprite);
    const std::int64_t pixels = image::GifPixels(frames);
    if (pixels > image::kMostGifPixels)
      throw Failure(path, "the GIF would hold " + std::to_string(pixels) +
                              " pixels (canvas pixels x frames), more than 2^30 (" +
                              std::to_string(image::kMostGifPixels) + ")");
    // The file is streamed: its bytes go to the temporary as the encoder makes them.
    const auto file = openOutput(options.output, {sprite.id()});
    // The encoder hands out a few bytes at a time: they go on in pieces of 64 KiB.
    constexpr std::size_t kPiece = 64 * 1024;
    std::vector<std::uint8_t> piece;
    auto flush = [&] {
      try {
        file->write(piece);
      } catch (const Error& e) {
        throw Failure(options.output, writeReason(e));
      }
      piece.clear();
    };
    auto sink = [&](std::span<const std::uint8_t> bytes) {
      piece.insert(piece.end(), bytes.begin(), bytes.end());
      if (piece.size() >= kPiece) flush();
    };
    image::WriteSpriteGif(sink, sprite.palette(), frames, options.delayMs, options.transparent,
                          [&] { progress.frameDone(); });
    flush();
    writeWhole(*file, options.output, {});
  } catch (const Failure& failure) {
    progress.message(ErrorLine(failure.path(), failure.reason()));
    return kSomeFailed;
  } catch (const spr::Fault& fault) {
    progress.message(ErrorLine(path, FaultReason(fault)));
    return kSomeFailed;
  } catch (const std::bad_alloc&) {
    progress.message(ErrorLine(path, "out of memory"));
    return kSomeFailed;
  } catch (const std::runtime_error& e) {
    progress.message(ErrorLine(options.output, e.what()));
    return kSomeFailed;
  }
  progress.fileDone();
  return kAllConverted;
}

int RunInfo(const Options& options, Console& console) {
  bool allOk = true;
  for (const std::string& path : options.inputs) {
    SpriteInfo info = ReadSpriteInfo(path);
    console.out(options.json ? InfoJson(info) : InfoText(info));
    if (!info.error.empty()) {
      console.err(ErrorLine(path, info.error));
      allOk = false;
    }
  }
  return allOk ? kAllConverted : kSomeFailed;
}

namespace {

int run(const std::vector<std::string>& args, Console& console) {
  ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.options) {
    console.out(parsed.out);
    console.err(parsed.err);
    return parsed.exitCode;
  }
  const Options& options = *parsed.options;
  switch (options.command) {
    case Command::Export:
      return RunExport(options, console);
    case Command::Sheet:
      return RunSheet(options, console);
    case Command::Gif:
      return RunGif(options, console);
    case Command::Info:
      return RunInfo(options, console);
    case Command::Thumbnail:
      return RunThumbnail(options, console);
    case Command::Pack:
      return RunPack(options, console);
    case Command::Replace:
      return RunReplace(options, console);
  }
  return kSomeFailed;
}

}  // namespace

int Sprconv(const std::vector<std::string>& args, Console& console) {
  const int status = run(args, console);
  // What could not be written was lost: not a success.
  const std::string lost = console.finish();
  if (lost.empty()) return status;
  console.err("sprconv: " + lost + "\n");
  return std::max(status, kSomeFailed);
}

}  // namespace glint::cli
