#pragma once

// A sprite file held in memory, read and decoded the way the converter reads one, for the
// fuzzers of the image writers. An independent expansion checks each decoded frame.

#include <cstdint>
#include <span>
#include <vector>

#include "cli/indexed_image.h"
#include "spr/spr_file.h"

namespace glint::fuzz {

struct DecodedSprite {
  enum class Outcome {
    kRefused,   // shorter than a palette, wrong signature, negative count
    kTooLarge,  // its frames hold more pixels than the budget: not decoded
    kRead,
  };
  Outcome outcome = Outcome::kRefused;
  // A record or a frame is broken: `frames` ends before it.
  bool broken = false;
  spr::Palette palette{};
  std::vector<cli::IndexedImage> frames;  // the frames with pixels, in order
};

// Reads and decodes the whole file as the converter does. Aborts when a decoded frame differs
// from the stored pixels. Frames holding more than `pixelBudget` pixels in all are not decoded,
// so that every input runs quickly.
DecodedSprite DecodeSprite(std::span<const std::uint8_t> file, std::int64_t pixelBudget);

}  // namespace glint::fuzz
