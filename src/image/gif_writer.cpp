#include "image/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace glint::image {

int DelayHundredths(int milliseconds) { return std::max(1, (milliseconds + 5) / 10); }

GifWriter::GifWriter(Sink sink, int width, int height, const spr::Palette& palette, int delay,
                     bool transparent)
    : sink_(std::move(sink)), delay_(delay), transparent_(transparent) {
  try {
    start(width, height, palette);
  } catch (...) {
    discard();
    throw;
  }
}

void GifWriter::start(int width, int height, const spr::Palette& palette) {
  int code = 0;
  gif_ = EGifOpen(this, &GifWriter::output, &code);
  if (gif_ == nullptr) fail(code);
  EGifSetGifVersion(gif_, true);

  GifColorType colours[256];
  for (std::size_t k = 0; k < 256; ++k) {
    const spr::Colour c = palette.colour(k);
    colours[k] = GifColorType{c.red, c.green, c.blue};
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  if (map == nullptr) fail(E_GIF_ERR_NOT_ENOUGH_MEM);
  int rc = EGifPutScreenDesc(gif_, width, height, 8, 0, map);  // copies the map
  GifFreeMapObject(map);
  if (rc == GIF_ERROR) fail(gif_->Error);

  // Loop forever: the application extension every reader knows, with a loop count of 0.
  static const char kApplication[] = "NETSCAPE2.0";
  const std::uint8_t loop[3] = {1, 0, 0};
  if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
      EGifPutExtensionBlock(gif_, 11, kApplication) == GIF_ERROR ||
      EGifPutExtensionBlock(gif_, 3, loop) == GIF_ERROR ||
      EGifPutExtensionTrailer(gif_) == GIF_ERROR)
    fail(gif_->Error);
}

GifWriter::~GifWriter() { discard(); }

void GifWriter::discard() {
  if (gif_ == nullptr) return;
  discarding_ = true;  // closing writes a trailer nobody wants
  int code = 0;
  EGifCloseFile(gif_, &code);
  gif_ = nullptr;
}

int GifWriter::output(GifFileType* gif, const std::uint8_t* bytes, int length) {
  auto* self = static_cast<GifWriter*>(gif->UserData);
  if (self->discarding_) return length;
  if (self->sinkError_) return 0;
  try {
    self->sink_(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(length)));
  } catch (...) {
    self->sinkError_ = std::current_exception();  // rethrown outside the C library
    return 0;
  }
  return length;
}

void GifWriter::fail(int code) {
  if (sinkError_) std::rethrow_exception(sinkError_);
  const char* text = GifErrorString(code);
  throw std::runtime_error(std::string("the GIF encoder failed: ") +
                           (text != nullptr ? text : "unknown error"));
}

void GifWriter::addFrame(const spr::IndexedImage& frame, int left, int top) {
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_BACKGROUND;
  control.UserInputFlag = false;
  control.DelayTime = delay_;
  control.TransparentColor = transparent_ ? 0 : NO_TRANSPARENT_COLOR;
  GifByteType extension[4];
  std::size_t size = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(size), extension) ==
          GIF_ERROR ||
      EGifPutImageDesc(gif_, left, top, frame.width, frame.height, false, nullptr) == GIF_ERROR)
    fail(gif_->Error);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.width));
  for (int y = 0; y < frame.height; ++y) {
    std::copy(frame.row(y), frame.row(y) + frame.width, line.begin());
    if (EGifPutLine(gif_, line.data(), frame.width) == GIF_ERROR) fail(gif_->Error);
  }
}

void GifWriter::finish() {
  int code = 0;
  GifFileType* gif = gif_;
  gif_ = nullptr;
  if (EGifCloseFile(gif, &code) == GIF_ERROR) fail(code);
  if (sinkError_) std::rethrow_exception(sinkError_);
}

std::int64_t GifPixels(const SpriteFrames& frames) {
  return std::int64_t{frames.canvasWidth()} * frames.canvasHeight() *
         static_cast<std::int64_t>(frames.size());
}

void WriteSpriteGif(const GifWriter::Sink& sink, const spr::Palette& palette,
                    const SpriteFrames& frames, int delayMs, bool transparent,
                    const std::function<void()>& frameDone) {
  const int width = frames.canvasWidth(), height = frames.canvasHeight();
  GifWriter gif(sink, width, height, palette, DelayHundredths(delayMs), transparent);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const spr::IndexedImage frame = frames.decode(i);
    gif.addFrame(frame, CentredOffset(width, frame.width), CentredOffset(height, frame.height));
    if (frameDone) frameDone();
  }
  gif.finish();
}

void WriteSpriteGif(const GifWriter::Sink& sink, const spr::Palette& palette,
                    const std::vector<spr::FrameRecord>& frames, int delayMs, bool transparent,
                    const std::function<void()>& frameDone) {
  WriteSpriteGif(sink, palette, SpriteFrames(frames), delayMs, transparent, frameDone);
}

}  // namespace glint::image
