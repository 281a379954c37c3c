#include "cli/thumbnail.h"

#include <filesystem>
#include <new>
#include <stdexcept>

#include "cli/console.h"
#include "cli/failure.h"
#include "cli/options.h"
#include "cli/sprite_input.h"
#include "image/thumbnail.h"
#include "platform/atomic_file.h"
#include "platform/errors.h"

namespace glint::cli {
namespace {

constexpr int kAllConverted = 0;
constexpr int kFailed = 1;

std::string writeReason(const Error& error) {
  return "cannot write the file: " + error.description();
}

}  // namespace

int RunThumbnail(const Options& options, Console& console) {
  const std::string& path = options.inputs.front();
  try {
    std::error_code ec;
    if (std::filesystem::equivalent(path, options.output, ec))
      throw Failure(options.output, "the output would replace the sprite itself");
    SpriteFile sprite(path);
    // The first frame that shows something, else the first with pixels; nothing past it is read.
    // Only that frame is expanded: the frames before it are checked and looked through as stored,
    // as a sprite may hold hundreds of large frames that show nothing.
    std::optional<spr::FrameRecord> chosen, fallback;
    for (int k = 1; k <= sprite.frameCount() && !chosen; ++k) {
      spr::FrameRecord frame = sprite.reader().readFrame();
      spr::CheckFrameData(frame);
      if (!spr::HasPixels(frame)) continue;
      if (spr::HasNonZeroPixel(frame)) {
        chosen = std::move(frame);
      } else if (!fallback) {
        fallback = std::move(frame);
      }
    }
    if (!chosen) chosen = std::move(fallback);
    if (!chosen) throw Failure(path, "no frames to show");
    const std::optional<spr::IndexedImage> shown = spr::DecodeFrameData(*chosen);
    std::vector<std::uint8_t> png = image::RgbaPng(image::ScaleToThumbnail(
        shown->width, shown->height, shown->pixels, sprite.palette(), options.thumbnailSize));
    try {
      WriteFileAtomically(options.output, png);
    } catch (const Error& e) {
      throw Failure(options.output, writeReason(e));
    }
  } catch (const Failure& failure) {
    console.err(ErrorLine(failure.path(), failure.reason()));
    return kFailed;
  } catch (const spr::Fault& fault) {
    console.err(ErrorLine(path, FaultReason(fault)));
    return kFailed;
  } catch (const std::bad_alloc&) {
    console.err(ErrorLine(path, "out of memory"));
    return kFailed;
  } catch (const std::runtime_error& e) {
    console.err(ErrorLine(options.output, e.what()));
    return kFailed;
  }
  return kAllConverted;
}

}  // namespace glint::cli
