#include "export/window_export.h"

#include <filesystem>
#include <memory>
#include <new>
#include <optional>

#include "export/sprite_export.h"
#include "image/gif_writer.h"
#include "image/naming.h"
#include "image/sheet.h"
#include "image/sprite_output.h"
#include "path/path.h"
#include "platform/byte_source.h"
#include "platform/errors.h"
#include "platform/output_file.h"

namespace glint {
namespace {

using Kind = WindowExportJob::Kind;

struct Cancelled {};

void writeWhole(const std::string& path, std::span<const std::uint8_t> bytes) {
  OutputFile file(path);
  file.write(bytes);
  file.commit();
}

// The sheet or the animation, written as its bytes are made; never over the sprite itself.
OutputFile streamedFile(const std::string& path, const std::string& sprite) {
  std::error_code ec;
  if (std::filesystem::equivalent(path, sprite, ec))
    throw WriteFailure(path, "it is the sprite being exported");
  return OutputFile(path);
}

std::string inQuotes(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string framesText(int count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

}  // namespace

WindowExportResult RunWindowExport(const WindowExportJob& job, WindowExportProgress& progress) {
  const std::string& path = job.sprite;
  const std::string name(path::FileName(path));
  auto failed = [](std::string message) { return WindowExportResult{false, std::move(message)}; };
  std::unique_ptr<FileSource> source;
  try {
    source = std::make_unique<FileSource>(path);
  } catch (const Error&) {
    return failed(UnreadableMessage(path));
  }
  int total = 0;
  try {
    spr::SprReader reader(*source);
    spr::Palette palette{};
    const int count = reader.open(palette);
    const image::SpriteFrames frames(reader, count);
    total = static_cast<int>(frames.size());
    progress.total = total;
    if (total == 0)
      return failed(inQuotes(name) + " has no frames with pixels: nothing was written.");
    // A cancel is honoured before a frame's work, never after the last frame.
    auto frameDone = [&] {
      const int done = ++progress.done;
      if (job.afterFrame) job.afterFrame(done);
      if (progress.cancel && done < total) throw Cancelled{};
    };

    switch (job.kind) {
      case Kind::kFramesPng: {
        spr::SprReader again(*source);
        again.open(palette);
        const std::string spriteName = image::SpriteName(path);
        image::EncodeFrameFiles(
            again, palette, 1, count, image::FrameFormat::kPng, job.transparent,
            [&](int k, std::span<const std::uint8_t> bytes) {
              if (progress.cancel) throw Cancelled{};
              writeWhole(image::FramePath(path, job.target, spriteName, k, ".png"), bytes);
              const int done = ++progress.done;
              if (job.afterFrame) job.afterFrame(done);
            });
        return {true,
                "Wrote " + framesText(total) + " of " + name + " as PNG files to " + job.target};
      }
      case Kind::kSheet: {
        OutputFile file = streamedFile(job.target, path);
        image::WriteSheetPng(file.sink(), palette, frames, 0, job.transparent, frameDone);
        file.commit();
        return {true, "Wrote the sheet of " + name + " to " + job.target};
      }
      case Kind::kGif: {
        OutputFile file = streamedFile(job.target, path);
        image::WriteSpriteGif(file.sink(), palette, frames, job.delayMs, job.transparent,
                              frameDone);
        file.commit();
        return {true, "Wrote the animation of " + name + " to " + job.target};
      }
    }
    return failed("Nothing to export.");
  } catch (const Cancelled&) {
    return {false,
            "Cancelled after " + std::to_string(progress.done.load()) + " of " + framesText(total) +
                ".",
            true};
  } catch (const WriteFailure& e) {
    return failed(UnwritableMessage(e.path(), e.what()));
  } catch (const spr::Fault& fault) {
    return failed(FaultMessage(path, fault));
  } catch (const image::SheetTooLarge& large) {
    return failed("Cannot make the sheet of " + inQuotes(name) + ": it would be " +
                  std::to_string(large.width) + " x " + std::to_string(large.height) +
                  " pixels, more than one sheet holds.");
  } catch (const std::bad_alloc&) {
    return failed("Cannot export " + inQuotes(path) + ": there is not enough memory.");
  } catch (const std::exception& e) {
    return failed(UnwritableMessage(job.target, e.what()));
  }
}

BackgroundExport::BackgroundExport(ExportWork work) : work_(std::move(work)) {
  thread_ = std::thread([this] {
    result_ = work_(progress_);
    finished_ = true;
  });
}

BackgroundExport::~BackgroundExport() {
  cancel();
  if (thread_.joinable()) thread_.join();
}

const WindowExportResult& BackgroundExport::result() {
  if (thread_.joinable()) thread_.join();
  return result_;
}

}  // namespace glint
