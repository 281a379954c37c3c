#include "cli/sprite_input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/failure.h"
#include "export/frame_bmp.h"
#include "platform/errors.h"

namespace glint::cli {

namespace reason {
std::string EndsInsideFrame(int frame) {
  return "the file ends inside frame " + std::to_string(frame);
}
std::string FrameTooLarge(int frame, int width, int height) {
  return "broken file: frame " + std::to_string(frame) + " is too large (" + std::to_string(width) +
         " x " + std::to_string(height) + " pixels)";
}
std::string RunCutShort(int frame) {
  return "broken file: frame " + std::to_string(frame) + " ends inside a run of zeros";
}
std::string PixelsWithoutSize(int frame, int width, int height) {
  return "broken file: frame " + std::to_string(frame) + " has pixel data but no size (" +
         std::to_string(width) + " x " + std::to_string(height) + ")";
}
}  // namespace reason

namespace {

bool zeroRunCutShort(const std::vector<std::uint8_t>& stored) {
  std::size_t i = 0;
  while (i < stored.size()) i += stored[i] == 0 ? 2 : 1;
  return i > stored.size();
}

// The decoder raises 5 for two faults; tell the user which one it was.
[[noreturn]] void frameFailure(const std::string& path, const spr::FrameRecord& frame, int number,
                               const Error& error) {
  if (error.number() == err::kInvalidCall) {
    if (frame.width > 0 && frame.height > 0) throw Failure(path, reason::RunCutShort(number));
    if (zeroRunCutShort(frame.stored)) throw Failure(path, reason::RunCutShort(number));
    throw Failure(path, reason::PixelsWithoutSize(number, frame.width, frame.height));
  }
  throw Failure(path, "cannot decode frame " + std::to_string(number) + ": " + error.description());
}

std::string openReason(const std::string& path) {
  if (::access(path.c_str(), R_OK) != 0) return SystemErrorReason(errno);
  return "cannot open the file";
}

}  // namespace

SpriteFile::SpriteFile(std::string path) : path_(std::move(path)) {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) throw Failure(path_, SystemErrorReason(errno));
  if (S_ISDIR(st.st_mode)) throw Failure(path_, "a folder, not a sprite file");
  // Opening a FIFO or a device could block or never end.
  if (!S_ISREG(st.st_mode)) throw Failure(path_, "not an ordinary file");
  try {
    source_ = std::make_unique<FileSource>(path_);
  } catch (const Error&) {
    throw Failure(path_, openReason(path_));
  }
  reader_ = std::make_unique<spr::SprReader>(*source_);
  try {
    palette_ = reader_->readPalette();
    colourTable_ = spr::ConvertPalette(palette_);
    if (!reader_->readSignature()) throw Failure(path_, reason::kWrongSignature);
    count_ = reader_->readFrameCount();
  } catch (const Error& e) {
    if (e.number() == err::kBadRecordNumber) throw Failure(path_, reason::kShortFile);
    throw Failure(path_, "cannot read the file: " + e.description());
  }
  if (count_ < 0) throw Failure(path_, reason::kNegativeCount);
}

spr::FrameRecord SpriteFile::nextFrame() {
  const int number = framesRead_ + 1;
  try {
    spr::FrameRecord frame = reader_->readFrame();
    framesRead_ = number;
    recordOffset_ += 6 + static_cast<std::int64_t>(frame.storedLength);
    return frame;
  } catch (const Error& e) {
    if (e.number() == err::kInputPastEnd) throw Failure(path_, reason::EndsInsideFrame(number));
    if (e.number() == err::kInvalidCall) {
      // Only a size beyond what stored data can describe fails once the header is read.
      std::array<std::uint8_t, 4> size{};
      source_->readAt(recordOffset_, size);
      auto field = [&](int at) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(size[at] | size[at + 1] << 8));
      };
      throw Failure(path_, reason::FrameTooLarge(number, field(0), field(2)));
    }
    throw Failure(path_, "cannot read frame " + std::to_string(number) + ": " + e.description());
  }
}

std::optional<std::vector<std::uint8_t>> SpriteFile::bmpFile(const spr::FrameRecord& frame,
                                                             int number) {
  window_.SetStatusText({});  // the decoder's progress would otherwise pile up frame after frame
  try {
    return bmp::FrameFile(frame, colourTable_, window_);
  } catch (const Error& e) {
    frameFailure(path_, frame, number, e);
  }
}

std::optional<IndexedImage> SpriteFile::image(const spr::FrameRecord& frame, int number) {
  window_.SetStatusText({});
  try {
    spr::Bytes block = spr::DecodeFrameData(frame.stored, frame.width, window_);
    if (!spr::HasPixels(frame, block.size())) return std::nullopt;
    block = spr::FitPixelBlock(std::move(block), frame.width, frame.height);
    return ImageFromPixelBlock(block, frame.width, frame.height);
  } catch (const Error& e) {
    frameFailure(path_, frame, number, e);
  }
}

IndexedImage ImageFromPixelBlock(const spr::Bytes& block, int width, int height) {
  IndexedImage image(width, height);
  const std::size_t stride =
      static_cast<std::size_t>(width) + static_cast<std::size_t>(spr::PadCount(width));
  for (int y = 0; y < height; ++y)
    std::memcpy(image.row(y), block.data() + static_cast<std::size_t>(height - 1 - y) * stride,
                static_cast<std::size_t>(width));
  return image;
}

}  // namespace glint::cli
