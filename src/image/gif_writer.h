#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <vector>

#include "image/sprite_frames.h"
#include "spr/sprite.h"

struct GifFileType;

namespace glint::image {

// A delay in milliseconds as GIF hundredths of a second: the nearest, at least 1.
int DelayHundredths(int milliseconds);

// An animated GIF89a that loops forever: a canvas of the given size, the palette as the global
// colour table, and one image per frame, each shown `delay` hundredths of a second and disposed
// to the background before the next. Bytes go to `sink` as they are made.
class GifWriter {
 public:
  using Sink = std::function<void(std::span<const std::uint8_t>)>;

  GifWriter(Sink sink, int width, int height, const spr::Palette& palette, int delay,
            bool transparent);
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // One frame at (left, top) on the canvas.
  void addFrame(const spr::IndexedImage& frame, int left, int top);
  // Writes the trailer. Without it the destructor discards the file.
  void finish();

 private:
  void start(int width, int height, const spr::Palette& palette);
  void discard();
  static int output(GifFileType* gif, const std::uint8_t* bytes, int length);
  [[noreturn]] void fail(int code);

  Sink sink_;
  GifFileType* gif_ = nullptr;
  int delay_;
  bool transparent_;
  bool discarding_ = false;
  std::exception_ptr sinkError_;
};

// Where a frame of that size stands on a canvas of that size: centred, rounded down.
inline int CentredOffset(int canvas, int frame) { return (canvas - frame) / 2; }

// The most pixels a GIF of a sprite may hold, canvas pixels times frames: every frame is drawn
// on the whole canvas by whoever shows it, so a few bytes of file must not ask for more.
inline constexpr std::int64_t kMostGifPixels = std::int64_t{1} << 30;

// The canvas pixels times the frames of the GIF WriteSpriteGif would make of these frames.
std::int64_t GifPixels(const SpriteFrames& frames);

// The whole animation of the frames (all with pixels): a canvas as large as the largest frame,
// each frame centred on it, shown `delayMs` milliseconds. `frameDone` is called after each frame.
void WriteSpriteGif(const GifWriter::Sink& sink, const spr::Palette& palette,
                    const SpriteFrames& frames, int delayMs, bool transparent,
                    const std::function<void()>& frameDone = {});
void WriteSpriteGif(const GifWriter::Sink& sink, const spr::Palette& palette,
                    const std::vector<spr::FrameRecord>& frames, int delayMs, bool transparent,
                    const std::function<void()>& frameDone = {});

}  // namespace glint::image
