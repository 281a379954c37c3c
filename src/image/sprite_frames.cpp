#include "image/sprite_frames.h"

#include <algorithm>

namespace glint::image {

SpriteFrames::SpriteFrames(std::vector<spr::FrameRecord> records) : records_(std::move(records)) {
  measure();
}

SpriteFrames::SpriteFrames(spr::SprReader& reader, int count)
    : SpriteFrames(spr::ReadFramesWithPixels(reader, count, /*keepStored=*/false), reader) {}

SpriteFrames::SpriteFrames(std::vector<spr::FrameRecord> headers, spr::SprReader& reader)
    : records_(std::move(headers)), reader_(&reader) {
  measure();
}

void SpriteFrames::measure() {
  for (const spr::FrameRecord& f : records_) {
    canvasWidth_ = std::max<int>(canvasWidth_, f.width);
    canvasHeight_ = std::max<int>(canvasHeight_, f.height);
  }
}

spr::IndexedImage SpriteFrames::decode(std::size_t i) const {
  const spr::FrameRecord& record = records_[i];
  if (reader_ == nullptr) return *spr::DecodeFrameData(record);
  spr::FrameRecord withBytes = record;
  reader_->readStored(withBytes);
  // The size is the header's, read before: a file changed since cannot make a frame outgrow
  // the canvas laid out for it.
  return *spr::DecodeFrameData(withBytes);
}

}  // namespace glint::image
