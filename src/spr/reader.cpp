#include <cstring>

#include "spr/sprite.h"

namespace glint::spr {
namespace {

std::int16_t toInt16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace

Fault::Fault(Kind kind, int frame, std::int64_t offset, int width, int height)
    // The words for each kind are each audience's own, told from the kind.
    : std::runtime_error("broken sprite file"),
      kind_(kind),
      frame_(frame),
      offset_(offset),
      width_(width),
      height_(height) {}

bool MemoryBytes::readAt(std::int64_t offset, std::span<std::uint8_t> out) {
  const auto size = static_cast<std::int64_t>(bytes_.size());
  if (offset < 0 || offset > size || static_cast<std::int64_t>(out.size()) > size - offset)
    return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

Palette SprReader::readPalette() {
  const std::int64_t length = source_.length();
  Palette palette{};
  if (length < static_cast<std::int64_t>(kPaletteSize) ||
      !source_.readAt(length - static_cast<std::int64_t>(kPaletteSize), palette))
    throw Fault(Fault::Kind::kShortFile);
  return palette;
}

bool SprReader::readSignature() {
  std::array<std::uint8_t, 4> bytes{};
  if (!source_.readAt(0, bytes)) throw Fault(Fault::Kind::kShortFile);
  return bytes == kSignature;
}

std::int16_t SprReader::readFrameCount() {
  std::array<std::uint8_t, 2> bytes{};
  if (!source_.readAt(4, bytes)) throw Fault(Fault::Kind::kShortFile);
  return toInt16(bytes.data());
}

int SprReader::open(Palette& palette) {
  palette = readPalette();
  if (!readSignature()) throw Fault(Fault::Kind::kWrongSignature);
  const int count = readFrameCount();
  if (count < 0) throw Fault(Fault::Kind::kNegativeCount);
  return count;
}

FrameRecord SprReader::readFrame() {
  FrameRecord frame = readFrameHeader();
  readStored(frame);
  return frame;
}

FrameRecord SprReader::readFrameHeader() {
  FrameRecord frame;
  frame.number = framesRead_ + 1;
  frame.offset = next_;
  std::array<std::uint8_t, kRecordHeaderSize> header{};
  if (!source_.readAt(next_, header))
    throw Fault(Fault::Kind::kRecordCutShort, frame.number, frame.offset);
  frame.width = toInt16(header.data());
  frame.height = toInt16(header.data() + 2);
  frame.storedLength = static_cast<std::uint16_t>(header[4] | (header[5] << 8));
  if (HasPixels(frame) && std::int64_t{frame.width} * frame.height > kMaxFramePixels)
    throw Fault(Fault::Kind::kTooManyPixels, frame.number, frame.offset, frame.width, frame.height);
  if (source_.length() - next_ - kRecordHeaderSize < frame.storedLength)
    throw Fault(Fault::Kind::kRecordCutShort, frame.number, frame.offset, frame.width,
                frame.height);
  next_ += kRecordHeaderSize + frame.storedLength;
  framesRead_ = frame.number;
  return frame;
}

void SprReader::readStored(FrameRecord& frame) const {
  frame.stored.resize(frame.storedLength);  // at most 64 KiB, whatever the file claims
  if (!source_.readAt(frame.offset + kRecordHeaderSize, frame.stored))
    throw Fault(Fault::Kind::kRecordCutShort, frame.number, frame.offset, frame.width,
                frame.height);
}

std::vector<FrameRecord> ReadFramesWithPixels(SprReader& reader, int count, bool keepStored) {
  std::vector<FrameRecord> frames;
  for (int k = 0; k < count; ++k) {
    FrameRecord frame = reader.readFrameHeader();
    if (HasPixels(frame)) {
      if (keepStored) reader.readStored(frame);
      frames.push_back(std::move(frame));
    } else if (frame.storedLength > 0) {
      reader.readStored(frame);
      CheckFrameData(frame);
    }
  }
  return frames;
}

}  // namespace glint::spr
