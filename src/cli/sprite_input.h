#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/indexed_image.h"
#include "platform/byte_source.h"
#include "platform/status.h"
#include "spr/frame_codec.h"
#include "spr/spr_file.h"

namespace glint::cli {

// Plain words for what can be wrong with a sprite file.
namespace reason {
inline constexpr char kShortFile[] = "not a sprite file: shorter than 1,024 bytes";
inline constexpr char kWrongSignature[] = "not a sprite file: wrong signature";
inline constexpr char kNegativeCount[] = "broken file: the frame count is above 32,767";
std::string EndsInsideFrame(int frame);
std::string FrameTooLarge(int frame, int width, int height);
std::string RunCutShort(int frame);
std::string PixelsWithoutSize(int frame, int width, int height);
}  // namespace reason

// One sprite file read in the common order on the calling thread: palette, signature and frame
// count when opened, then the frame records one by one. Every failure is a Failure naming the
// file and saying in plain words what is wrong.
class SpriteFile {
 public:
  explicit SpriteFile(std::string path);

  const std::string& path() const { return path_; }
  int frameCount() const { return count_; }
  const spr::Palette& palette() const { return palette_; }
  const spr::Bytes& colourTable() const { return colourTable_; }

  // The record of frame framesRead() + 1.
  spr::FrameRecord nextFrame();
  int framesRead() const { return framesRead_; }

  // The frame's BMP file, byte for byte what the viewer writes; nothing for a frame without
  // pixels. `number` names the frame in messages.
  std::optional<std::vector<std::uint8_t>> bmpFile(const spr::FrameRecord& frame, int number);
  // The frame's pixels, fitted to its width and height; nothing for a frame without pixels.
  std::optional<IndexedImage> image(const spr::FrameRecord& frame, int number);

 private:
  std::string path_;
  std::unique_ptr<FileSource> source_;
  std::unique_ptr<spr::SprReader> reader_;
  spr::Palette palette_{};
  spr::Bytes colourTable_;
  int count_ = 0;
  int framesRead_ = 0;
  std::int64_t recordOffset_ = 8;  // where the next record starts
  NoWindow window_;                // progress goes nowhere
};

// A fitted BMP pixel block (bottom row first, rows padded to 4 bytes) as top-down rows.
IndexedImage ImageFromPixelBlock(const spr::Bytes& block, int width, int height);

}  // namespace glint::cli
