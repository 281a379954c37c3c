#include "anim/animation.h"

namespace glint::anim {

Animation::Animation(std::unique_ptr<spr::ByteSource> source, Playback::Clock clock,
                     std::size_t cacheBudget)
    : source_(std::move(source)),
      reader_(std::make_unique<spr::SprReader>(*source_)),
      cache_([this](std::size_t i) { return frames_.decode(i); }, cacheBudget),
      playback_(std::move(clock)) {
  frameCount_ = reader_->open(own_);
  showPalette(own_);
  // The first frame with pixels shows alone until the rest are read.
  while (headers_.empty() && !indexed_) readHeaders(1);
  if (!indexed_) {
    frames_ = image::SpriteFrames(headers_, *reader_);
    playback_.reset(playableCount());
    zoom_ = OpeningZoom(canvasWidth(), canvasHeight());
    readHeaders(kFirstHeaders);
  }
}

bool Animation::readHeaders(int records) {
  if (indexed_) return true;
  try {
    for (int k = 0; k < records && headersRead_ < frameCount_; ++k) {
      spr::FrameRecord header = reader_->readFrameHeader();
      ++headersRead_;
      if (spr::HasPixels(header)) headers_.push_back(std::move(header));
    }
    if (headersRead_ < frameCount_) return false;
  } catch (const spr::Fault& fault) {
    brokenAt_ = fault.frame();  // what comes before still plays
  }
  indexed_ = true;
  frames_ = image::SpriteFrames(std::move(headers_), *reader_);
  headers_ = {};
  playback_.reset(playableCount());
  if (!zoomChosen_) zoom_ = frames_.empty() ? 1 : OpeningZoom(canvasWidth(), canvasHeight());
  return true;
}

Animation::Shown Animation::current() {
  Shown shown;
  if (frames_.empty()) return shown;
  const auto i = static_cast<std::size_t>(playback_.position());
  const spr::FrameRecord& record = frames_[i];
  shown.number = record.number;
  shown.placement = PlaceOnCanvas(canvasWidth(), canvasHeight(), record.width, record.height);
  try {
    shown.pixels = cache_.get(i);
  } catch (const spr::Fault&) {
    // Changed or damaged since it was opened: the canvas shows empty for this frame.
  } catch (const std::bad_alloc&) {
  }
  return shown;
}

std::string Animation::statusText(const Shown& shown, std::optional<Point> pointerOnCanvas) const {
  const std::string tail =
      std::to_string(zoom_) + "x | " + std::to_string(playback_.frameTime()) + " ms";
  if (shown.number == 0)
    return std::to_string(frameCount_) + (frameCount_ == 1 ? " frame" : " frames") +
           ", none with pixels | " + tail;
  std::string text = "Frame " + std::to_string(shown.number) + " of " +
                     std::to_string(frameCount_) + " | " + std::to_string(shown.placement.width) +
                     " x " + std::to_string(shown.placement.height) + " | " + tail;
  if (!shown.pixels) return text + " | cannot be read";
  if (!pointerOnCanvas) return text;
  const std::optional<Point> pixel = PixelUnderPointer(*pointerOnCanvas, shown.placement, zoom_);
  if (!pixel) return text;
  const std::size_t index = shown.pixels->at(pixel->x, pixel->y);
  const spr::Colour c = palette_.colour(index);
  return text + " | x " + std::to_string(pixel->x) + ", y " + std::to_string(pixel->y) +
         ": index " + std::to_string(index) + " (R " + std::to_string(c.red) + ", G " +
         std::to_string(c.green) + ", B " + std::to_string(c.blue) + ")";
}

}  // namespace glint::anim
