#include "decoded_sprite.h"

#include <cstdlib>

#include "cli/sprite_input.h"
#include "platform/errors.h"
#include "spr/frame_codec.h"

namespace glint::fuzz {
namespace {

// The stored tokens expanded one by one, as plainly as possible; nothing for a cut run.
std::optional<std::vector<std::uint8_t>> expand(const std::vector<std::uint8_t>& stored) {
  std::vector<std::uint8_t> pixels;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != 0) {
      pixels.push_back(stored[i]);
      continue;
    }
    if (++i == stored.size()) return std::nullopt;
    pixels.insert(pixels.end(), stored[i], 0);
  }
  return pixels;
}

// The frame's image must be its expansion in reading order, cut or filled with index 0.
void check(const cli::IndexedImage& image, const spr::FrameRecord& frame) {
  auto pixels = expand(frame.stored);
  if (!pixels || image.width != frame.width || image.height != frame.height) std::abort();
  for (std::size_t i = 0; i < image.pixels.size(); ++i)
    if (image.pixels[i] != (i < pixels->size() ? (*pixels)[i] : 0)) std::abort();
}

}  // namespace

DecodedSprite DecodeSprite(std::span<const std::uint8_t> file, std::int64_t pixelBudget) {
  using Outcome = DecodedSprite::Outcome;
  MemorySource source(std::vector<std::uint8_t>(file.begin(), file.end()));
  spr::SprReader reader(source);
  DecodedSprite sprite;
  std::vector<spr::FrameRecord> records;
  try {
    sprite.palette = reader.readPalette();
    if (!reader.readSignature()) return sprite;
    const int count = reader.readFrameCount();
    if (count < 0) return sprite;
    std::int64_t pixels = 0;
    for (int k = 0; k < count; ++k) {
      records.push_back(reader.readFrame());
      const spr::FrameRecord& r = records.back();
      if (r.width > 0 && r.height > 0) pixels += std::int64_t{r.width} * r.height;
      if (pixels > pixelBudget) {
        sprite.outcome = Outcome::kTooLarge;
        return sprite;
      }
    }
  } catch (const Error& e) {
    if (e.number() == err::kBadRecordNumber) return sprite;  // shorter than a palette
    if (e.number() != err::kInputPastEnd && e.number() != err::kInvalidCall) std::abort();
    sprite.broken = true;  // the frames before the record stand
  }
  sprite.outcome = Outcome::kRead;
  NoWindow window;
  for (const spr::FrameRecord& record : records) {
    try {
      spr::Bytes block = spr::DecodeFrameData(record.stored, record.width, window);
      if (!spr::HasPixels(record, block.size())) continue;
      block = spr::FitPixelBlock(std::move(block), record.width, record.height);
      sprite.frames.push_back(cli::ImageFromPixelBlock(block, record.width, record.height));
      check(sprite.frames.back(), record);
    } catch (const Error& e) {
      if (e.number() != err::kInvalidCall) std::abort();
      if (record.width > 0 && record.height > 0 && expand(record.stored)) std::abort();
      sprite.broken = true;
      break;
    }
  }
  return sprite;
}

}  // namespace glint::fuzz
