#pragma once

#include <memory>
#include <optional>
#include <string>

#include "anim/canvas.h"
#include "anim/frame_cache.h"
#include "anim/playback.h"
#include "image/sprite_frames.h"
#include "spr/sprite.h"

namespace glint::anim {

// One sprite as the animation window plays it: the frames with pixels by their headers, read
// once at the start, and each frame decoded when it is shown, into a bounded cache. The file's
// bytes are read through the source, which the animation keeps open.
class Animation {
 public:
  // Reads the palette, the frame count and the records' headers up to the first frame with
  // pixels, then at most kFirstHeaders more; a long sprite reads the rest with readHeaders(), so
  // its first frame shows at once. A file that is no sprite raises spr::Fault; a broken record
  // ends the frames there (brokenAt() says which).
  Animation(std::unique_ptr<spr::ByteSource> source, Playback::Clock clock,
            std::size_t cacheBudget = FrameCache::kDefaultBudget);

  static constexpr int kFirstHeaders = 256;
  // Reads at most `records` more headers. Once all are read (true), the frames, the canvas, the
  // opening zoom and the playback take them all, playing from the first frame.
  bool readHeaders(int records);
  bool indexed() const { return indexed_; }

  int frameCount() const { return frameCount_; }
  int playableCount() const { return static_cast<int>(frames_.size()); }
  // The first frame whose record is broken; 0 when every record was read.
  int brokenAt() const { return brokenAt_; }
  int canvasWidth() const { return frames_.canvasWidth(); }
  int canvasHeight() const { return frames_.canvasHeight(); }
  // The palette the frames show in: the sprite's own until another is tried.
  const spr::Palette& palette() const { return palette_; }
  const Colours& colours() const { return colours_; }
  const spr::Palette& ownPalette() const { return own_; }
  void showPalette(const spr::Palette& palette) {
    palette_ = palette;
    colours_ = ColoursOf(palette_);
  }
  Playback& playback() { return playback_; }
  const FrameCache& cache() const { return cache_; }

  int zoom() const { return zoom_; }
  void setZoom(int zoom) {
    zoom_ = zoom;
    zoomChosen_ = true;
  }

  struct Shown {
    int number = 0;  // in the file, from 1; 0 when nothing shows
    Placement placement;
    std::shared_ptr<const spr::IndexedImage> pixels;  // null when the frame cannot be read
  };
  // The frame the clock says shows now.
  Shown current();

  // "Frame 3 of 12 | 100 x 120 | 2x | 100 ms", and with the pointer over the frame
  // " | x 14, y 30: index 17 (R 200, G 40, B 12)".
  std::string statusText(const Shown& shown, std::optional<Point> pointerOnCanvas) const;

 private:
  std::unique_ptr<spr::ByteSource> source_;
  std::unique_ptr<spr::SprReader> reader_;
  spr::Palette own_{};
  spr::Palette palette_{};
  Colours colours_{};
  int frameCount_ = 0;
  int brokenAt_ = 0;
  int headersRead_ = 0;
  bool indexed_ = false;
  std::vector<spr::FrameRecord> headers_;  // of frames with pixels, while reading them
  image::SpriteFrames frames_;
  FrameCache cache_;
  Playback playback_;
  int zoom_ = 1;
  bool zoomChosen_ = false;
};

}  // namespace glint::anim
