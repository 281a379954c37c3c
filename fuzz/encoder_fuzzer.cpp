// The sprite writer: any image the limits allow decodes back to itself from canonical bytes (those
// of a plain reference encoding, so they are stable), a whole file written is one the reader
// accepts, and every refusal lies outside the limits. A frame replaced in a fuzzed file changes
// that record's bytes and nothing else.
//
// Input: one byte of mode (bit 0: replace a frame of the file that follows, else build an image),
// then for an image two little-endian int16 for width and height and (index, run - 1) byte
// pairs, repeated to fill it; for a replace, one byte of frame number and a sprite file.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "spr/sprite.h"
#include "support/sprite_builder.h"

using namespace glint;

namespace {

// Few enough pixels for a thousand inputs a second, and just enough for stored data one byte
// past the limit.
constexpr std::int64_t kPixelBudget = spr::kMaxStoredLength + 1;

void require(bool ok) {
  if (!ok) std::abort();
}

std::vector<spr::IndexedImage> readAll(const spr::Bytes& file) {
  spr::MemoryBytes source(file);
  spr::SprReader reader(source);
  spr::Palette palette{};
  const int count = reader.open(palette);
  std::vector<spr::IndexedImage> frames;
  for (int k = 0; k < count; ++k) {
    auto image = spr::DecodeFrameData(reader.readFrame());
    require(image.has_value());
    frames.push_back(std::move(*image));
  }
  return frames;
}

void checkImage(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  spr::IndexedImage image;
  image.width = static_cast<std::int16_t>(data[0] | data[1] << 8);
  image.height = static_cast<std::int16_t>(data[2] | data[3] << 8);
  const bool sized = image.width >= 1 && image.height >= 1;
  const std::int64_t pixels = sized ? std::int64_t{image.width} * image.height : 0;
  if (pixels > kPixelBudget) return;
  image.pixels.resize(static_cast<std::size_t>(pixels));
  std::size_t filled = 0;
  for (std::size_t at = 4; at + 1 < size && filled < image.pixels.size(); at += 2)
    for (int k = 0; k <= data[at + 1] && filled < image.pixels.size(); ++k)
      image.pixels[filled++] = data[at];
  for (std::size_t k = filled; filled > 0 && k < image.pixels.size(); ++k)
    image.pixels[k] = image.pixels[k % filled];

  const spr::Bytes expected = sized ? testing::EncodePixels(image.pixels) : spr::Bytes{};
  try {
    const spr::Bytes stored = spr::EncodeFrameData(image);
    require(sized && stored == expected && stored.size() <= spr::kMaxStoredLength);
    spr::Palette palette{};
    for (std::size_t k = 0; k < palette.size(); ++k) palette[k] = static_cast<std::uint8_t>(k * 7);
    const spr::Bytes file = spr::EncodeSprite(std::span(&image, 1), palette);
    const auto frames = readAll(file);
    require(frames.size() == 1 && frames[0].width == image.width &&
            frames[0].height == image.height && frames[0].pixels == image.pixels);
  } catch (const spr::Refusal& r) {
    using Kind = spr::Refusal::Kind;
    require((r.kind() == Kind::kBadSize && !sized) ||
            (r.kind() == Kind::kStoredTooLong && sized && expected.size() > spr::kMaxStoredLength &&
             r.storedLength() == static_cast<std::int64_t>(expected.size())));
  }
}

// The record of frame `number`, read as every reader reads it.
spr::FrameRecord recordOf(const spr::Bytes& file, int number) {
  spr::MemoryBytes source(file);
  spr::SprReader reader(source);
  spr::Palette palette{};
  reader.open(palette);
  spr::FrameRecord record;
  for (int k = 1; k <= number; ++k) record = reader.readFrame();
  return record;
}

void checkReplace(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const int number = data[0] % 8;
  const spr::Bytes file(data + 1, data + size);
  spr::IndexedImage image(3, 2);
  image.pixels = {0, 5, 0, 0, 9, 0};
  spr::Bytes replaced;
  try {
    replaced = spr::ReplaceFrame(file, number, image);
  } catch (const spr::Fault&) {
    return;
  } catch (const spr::Refusal&) {
    return;
  }
  // The frame reads back as the image, and everything around its record is as it was.
  const spr::FrameRecord record = recordOf(replaced, number);
  const auto pixels = spr::DecodeFrameData(record);
  require(pixels && pixels->pixels == image.pixels);
  const spr::FrameRecord old = recordOf(file, number);
  require(old.offset == record.offset);
  const auto start = static_cast<std::size_t>(old.offset);
  const std::size_t tail = file.size() - start - 6 - old.storedLength;
  require(tail >= spr::kPaletteSize && std::memcmp(file.data(), replaced.data(), start) == 0 &&
          std::memcmp(file.data() + file.size() - tail, replaced.data() + replaced.size() - tail,
                      tail) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if (data[0] & 1)
    checkReplace(data + 1, size - 1);
  else
    checkImage(data + 1, size - 1);
  return 0;
}
