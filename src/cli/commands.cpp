#include "cli/commands.h"

#include <cerrno>
#include <filesystem>

#include "cli/failure.h"
#include "cli/info.h"
#include "cli/ordered_runner.h"
#include "cli/sprite_input.h"
#include "image/gif_writer.h"
#include "image/naming.h"
#include "image/png_writer.h"
#include "image/sheet.h"
#include "image/sprite_output.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

namespace glint::cli {
namespace fs = std::filesystem;
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;

std::string writeReason(const Error& error) {
  return "cannot write the file: " + error.description();
}

void writeWhole(const std::string& path, std::span<const std::uint8_t> bytes) {
  try {
    WriteFileAtomically(path, bytes);
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

void FolderMaker::ensure(const std::string& folder) {
  std::lock_guard lock(mutex_);
  if (made_.count(folder) != 0) return;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder)) {
    int code = ec ? ec.value() : EEXIST;
    if (fs::exists(folder)) code = EEXIST;  // a file in the way
    throw Failure(folder, "cannot create the folder: " + SystemErrorReason(code));
  }
  made_.insert(folder);
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
  image::EncodeFrameFiles(
      sprite.reader(), sprite.palette(), first, last,
      png ? image::FrameFormat::kPng : image::FrameFormat::kBmp, settings.transparent,
      [&](int k, std::span<const std::uint8_t> bytes) {
        if (!input.outFolder.empty()) folders.ensure(input.outFolder);
        writeWhole(image::FramePath(input.sprite, input.outFolder, input.name, k, extension),
                   bytes);
        progress.frameDone();
      });
}

int RunExport(const Options& options, Console& console) {
  const std::string extension = options.format == Format::Png ? ".png" : ".bmp";
  FolderMaker folders;
  if (!options.output.empty()) {
    try {
      folders.ensure(options.output);
    } catch (const Failure& failure) {
      console.err(ErrorLine(failure.path(), failure.reason()));
      return kSomeFailed;
    }
  }
  std::vector<PlannedInput> plan = PlanExport(options.inputs, options.output, extension);
  ExportSettings settings{options.format, options.frames, options.transparent};
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
    const image::SpriteFrames frames = framesWithPixels(sprite);
    std::vector<std::uint8_t> png;
    image::WriteSheetPng(
        [&](std::span<const std::uint8_t> bytes) {
          png.insert(png.end(), bytes.begin(), bytes.end());
        },
        sprite.palette(), frames, options.columns, options.transparent,
        [&] { progress.frameDone(); });
    writeWhole(options.output, png);
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
    // The file is streamed: its bytes go to the temporary as the encoder makes them.
    std::optional<AtomicFile> file;
    try {
      file.emplace(options.output);
    } catch (const Error& e) {
      throw Failure(options.output, writeReason(e));
    }
    auto sink = [&](std::span<const std::uint8_t> bytes) {
      try {
        file->write(bytes);
      } catch (const Error& e) {
        throw Failure(options.output, writeReason(e));
      }
    };
    image::WriteSpriteGif(sink, sprite.palette(), frames, options.delayMs, options.transparent,
                          [&] { progress.frameDone(); });
    try {
      file->commit();
    } catch (const Error& e) {
      throw Failure(options.output, writeReason(e));
    }
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

int Sprconv(const std::vector<std::string>& args, Console& console) {
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
  }
  return kSomeFailed;
}

}  // namespace glint::cli
