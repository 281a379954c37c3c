#include "gallery/live_frames.h"

#include <algorithm>
#include <memory>

#include "anim/canvas.h"
#include "platform/byte_source.h"

namespace glint::gallery {

std::vector<image::RgbaImage> LiveFrames(const std::string& path, int box,
                                         std::size_t budgetBytes) {
  // Every record sizes the canvas; only those the budget plays are kept.
  const std::size_t playable = budgetBytes / (std::size_t{4} * box * box);
  std::vector<spr::FrameRecord> records;
  spr::Palette palette;
  int width = 0, height = 0;
  try {
    FileSource source(path);
    spr::SprReader reader(source);
    const int count = reader.open(palette);
    for (int k = 1; k <= count; ++k) {
      spr::FrameRecord record = reader.readFrame();
      spr::CheckFrameData(record);
      if (!spr::HasPixels(record)) continue;
      width = std::max<int>(width, record.width);
      height = std::max<int>(height, record.height);
      if (records.size() < playable) records.push_back(std::move(record));
    }
  } catch (const std::exception&) {
    // Not a sprite, or broken further on: the frames before play.
  }
  std::vector<image::RgbaImage> frames;
  // Frames wide and frames tall together could ask for a canvas of 32,767 x 32,767.
  if (std::int64_t{width} * height > kMaxCanvasPixels) return frames;
  spr::IndexedImage canvas(width, height);
  for (const spr::FrameRecord& record : records) {
    const std::optional<spr::IndexedImage> frame = spr::DecodeFrameData(record);
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), std::uint8_t{0});
    const anim::Placement at = anim::PlaceOnCanvas(width, height, frame->width, frame->height);
    for (int y = 0; y < frame->height; ++y)
      std::copy_n(frame->row(y), frame->width, canvas.row(at.top + y) + at.left);
    frames.push_back(image::ScaleToThumbnail(width, height, canvas.pixels, palette, box));
  }
  return frames;
}

}  // namespace glint::gallery
