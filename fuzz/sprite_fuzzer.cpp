// A whole export in memory: a sprite file read and decoded by the one reader, each frame laid
// out as a BMP file and checked against its decoded image; and the reading of the sheet and the
// animation, which decodes only frames without pixels up front, agreeing with it.
#include <cstdlib>

#include "bmp/bmp.h"
#include "decoded_sprite.h"

using namespace glint;

namespace {

// The reader takes up to kMaxFramePixels a frame; a few thousand find the same faults.
constexpr std::int64_t kPixelBudget = std::int64_t{1} << 14;

void require(bool ok) {
  if (!ok) std::abort();
}

bool sameRecord(const spr::FrameRecord& a, const spr::FrameRecord& b) {
  return a.number == b.number && a.offset == b.offset && a.width == b.width &&
         a.height == b.height && a.storedLength == b.storedLength && a.stored == b.stored;
}

// The records of the frames with pixels, as the sheet and the animation read them. Every fault
// they meet is one the full decode meets too, and without one they are the same records.
void checkFramesWithPixels(std::span<const std::uint8_t> file, const fuzz::DecodedSprite& sprite) {
  spr::MemoryBytes bytes(file);
  spr::SprReader reader(bytes);
  spr::Palette palette;
  require(reader.open(palette) == sprite.frameCount);
  std::vector<spr::FrameRecord> records;
  try {
    records = spr::ReadFramesWithPixels(reader, sprite.frameCount);
  } catch (const spr::Fault& fault) {
    require(sprite.fault.has_value() && fault.frame() >= sprite.fault->frame());
    require(fault.frame() > sprite.fault->frame() || fault.kind() == sprite.fault->kind());
    return;
  }
  // Only a fault in the stored pixels of a frame with a size goes unseen here.
  if (sprite.fault)
    require(sprite.fault->kind() == spr::Fault::Kind::kZeroRunCutShort &&
            sprite.fault->width() > 0 && sprite.fault->height() > 0);
  require(records.size() == sprite.records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    require(sameRecord(records[i], sprite.records[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  const fuzz::DecodedSprite sprite = fuzz::DecodeSprite(file, kPixelBudget);
  if (sprite.outcome != fuzz::DecodedSprite::Outcome::kRead) return 0;

  const std::vector<std::uint8_t> table = bmp::ConvertPalette(sprite.palette);
  require(table.size() == bmp::kColourTableSize);
  for (std::size_t i = 0; i < table.size(); i += 4)
    require(table[i] == sprite.palette[i + 2] && table[i + 1] == sprite.palette[i + 1] &&
            table[i + 2] == sprite.palette[i] && table[i + 3] == 0);
  for (const spr::IndexedImage& frame : sprite.frames)
    fuzz::CheckFrameFile(bmp::FrameFile(frame, table), frame, table);
  checkFramesWithPixels(file, sprite);
  return 0;
}
