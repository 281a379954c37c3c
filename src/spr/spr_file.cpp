#include "spr/spr_file.h"

#include "platform/errors.h"

namespace glint::spr {
namespace {

std::int16_t toInt16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace

Palette SprReader::readPalette() {
  std::int64_t length = source_.length();
  if (length < static_cast<std::int64_t>(kPaletteSize)) throw Error(err::kBadRecordNumber);
  Palette palette{};
  source_.readAt(length - static_cast<std::int64_t>(kPaletteSize), palette);
  return palette;
}

bool SprReader::readSignature() {
  std::array<std::uint8_t, 4> bytes{};
  source_.readAt(0, bytes);
  return bytes == kSignature;
}

std::int16_t SprReader::readFrameCount() {
  std::array<std::uint8_t, 4> bytes{};
  source_.readAt(4, bytes);
  return toInt16(bytes.data());
}

FrameRecord SprReader::readFrame() {
  std::array<std::uint8_t, 6> header{};
  source_.read(header);
  FrameRecord frame;
  frame.width = toInt16(header.data());
  frame.height = toInt16(header.data() + 2);
  frame.storedLength = static_cast<std::uint16_t>(header[4] | (header[5] << 8));
  if (frame.width > 0 && frame.height > 0 &&
      static_cast<std::int64_t>(frame.width) * frame.height > kMaxFramePixels)
    throw Error(err::kInvalidCall);
  frame.stored.resize(frame.storedLength);  // at most 64 KiB, whatever the file claims
  source_.read(frame.stored);
  return frame;
}

bool HasPixels(const FrameRecord& frame, std::size_t pixelBlockSize) {
  if (frame.width > 0 && frame.height > 0) return true;
  if (pixelBlockSize != 0) throw Error(err::kInvalidCall);
  return false;
}

}  // namespace glint::spr
