#pragma once

#include <cstddef>
#include <vector>

#include "spr/sprite.h"

namespace glint::image {

// The frames with pixels of one sprite, in file order, as the sheet, the GIF and the animation
// window take them: every frame's size at hand before any is decoded. Records read by their
// headers alone have their stored bytes read again from the file for each decode, so a long
// sprite costs its headers, not its size.
class SpriteFrames {
 public:
  SpriteFrames() = default;
  // Records that hold their stored bytes.
  explicit SpriteFrames(std::vector<spr::FrameRecord> records);
  // The next `count` frames of `reader` by their headers (frames without pixels are checked and
  // left out); decodes read through `reader`, which must outlive this.
  SpriteFrames(spr::SprReader& reader, int count);
  // Headers already read from `reader` (readFrameHeader), all of frames with pixels.
  SpriteFrames(std::vector<spr::FrameRecord> headers, spr::SprReader& reader);

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  const spr::FrameRecord& operator[](std::size_t i) const { return records_[i]; }
  // As large as the largest frame: the animation's canvas.
  int canvasWidth() const { return canvasWidth_; }
  int canvasHeight() const { return canvasHeight_; }

  // Frame i's pixels; the reader's faults as spr::Fault.
  spr::IndexedImage decode(std::size_t i) const;

 private:
  void measure();

  std::vector<spr::FrameRecord> records_;
  spr::SprReader* reader_ = nullptr;
  int canvasWidth_ = 0, canvasHeight_ = 0;
};

}  // namespace glint::image
