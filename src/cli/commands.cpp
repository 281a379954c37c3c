#include "cli/commands.h"

#include <cerrno>
#include <filesystem>

#include "cli/failure.h"
#include "cli/gif_writer.h"
#include "cli/info.h"
#include "cli/naming.h"
#include "cli/ordered_runner.h"
#include "cli/png_writer.h"
#include "cli/sheet.h"
#include "cli/sprite_input.h"
#include "cli/thumbnail.h"
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

// The records of a sprite kept in their stored form (bounded by the file's size), with the
// numbers of the frames that have pixels.
struct FramesWithPixels {
  std::vector<spr::FrameRecord> records;
  std::vector<int> numbers;
};

FramesWithPixels readFramesWithPixels(SpriteFile& sprite) {
  FramesWithPixels result;
  for (int k = 1; k <= sprite.frameCount(); ++k) {
    spr::FrameRecord frame = sprite.nextFrame();
    if (frame.width <= 0 || frame.height <= 0) {
      sprite.image(frame, k);  // empty, or broken when it holds pixel data
      continue;
    }
    result.records.push_back(std::move(frame));
    result.numbers.push_back(k);
  }
  if (result.records.empty()) throw Failure(sprite.path(), "no frames to show");
  return result;
}

IndexedImage decodeKnownFrame(SpriteFile& sprite, const spr::FrameRecord& frame, int number) {
  auto image = sprite.image(frame, number);
  return std::move(*image);  // every record kept has a size, so it has pixels
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
  for (int k = 1; k <= last; ++k) {
    spr::FrameRecord frame = sprite.nextFrame();
    if (k < first) continue;  // read past to reach the range
    std::vector<std::uint8_t> bytes;
    if (png) {
      auto image = sprite.image(frame, k);
      if (!image) continue;
      bytes = PalettePng(*image, sprite.palette(), settings.transparent);
    } else {
      auto file = sprite.bmpFile(frame, k);
      if (!file) continue;
      bytes = std::move(*file);
    }
    if (!input.outFolder.empty()) folders.ensure(input.outFolder);
    writeWhole(FramePath(input.sprite, input.outFolder, input.name, k, extension), bytes);
    progress.frameDone();
  }
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
    FramesWithPixels frames = readFramesWithPixels(sprite);
    std::vector<FrameSize> sizes;
    for (const auto& f : frames.records) sizes.push_back({f.width, f.height});
    SheetLayout layout = *LayoutSheet(sizes, options.columns);
    if (layout.width() * layout.height() > kMaxSheetPixels)
      throw Failure(path, "the sheet would be " + std::to_string(layout.width()) + " x " +
                              std::to_string(layout.height()) +
                              " pixels, more than one PNG sheet holds here");
    IndexedImage sheet(static_cast<int>(layout.width()), static_cast<int>(layout.height()));
    for (std::size_t i = 0; i < frames.records.size(); ++i) {
      IndexedImage frame = decodeKnownFrame(sprite, frames.records[i], frames.numbers[i]);
      Place(sheet, frame, layout.cellX(i), layout.cellY(i));
      progress.frameDone();
    }
    writeWhole(options.output, PalettePng(sheet, sprite.palette(), options.transparent));
  } catch (const Failure& failure) {
    progress.message(ErrorLine(failure.path(), failure.reason()));
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
    FramesWithPixels frames = readFramesWithPixels(sprite);
    int width = 0, height = 0;
    for (const auto& f : frames.records) {
      width = std::max<int>(width, f.width);
      height = std::max<int>(height, f.height);
    }
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
    GifWriter gif(sink, width, height, sprite.palette(), DelayHundredths(options.delayMs),
                  options.transparent);
    for (std::size_t i = 0; i < frames.records.size(); ++i) {
      IndexedImage frame = decodeKnownFrame(sprite, frames.records[i], frames.numbers[i]);
      gif.addFrame(frame, (width - frame.width) / 2, (height - frame.height) / 2);
      progress.frameDone();
    }
    gif.finish();
    try {
      file->commit();
    } catch (const Error& e) {
      throw Failure(options.output, writeReason(e));
    }
  } catch (const Failure& failure) {
    progress.message(ErrorLine(failure.path(), failure.reason()));
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
    case Command::Thumbnail:
      return RunThumbnail(options, console);
  }
  return kSomeFailed;
}

}  // namespace glint::cli
