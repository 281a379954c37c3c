#pragma once

// A sprite file held in memory, read and decoded by the one reader, for the fuzzers. Each
// decoded frame and each fault is checked against an expansion of the stored tokens of its own.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "spr/sprite.h"

namespace glint::fuzz {

struct DecodedSprite {
  enum class Outcome {
    kRefused,   // shorter than a palette, wrong signature, negative count
    kTooLarge,  // its frames hold more pixels than the budget: not decoded
    kRead,
  };
  Outcome outcome = Outcome::kRefused;
  // The first fault in file order: why it was refused, or the record or frame `frames` ends
  // before.
  std::optional<spr::Fault> fault;
  spr::Palette palette{};
  int frameCount = 0;
  // The records of the frames with pixels, in order, up to a record that could not be read.
  std::vector<spr::FrameRecord> records;
  // The first of them decoded, up to the first fault.
  std::vector<spr::IndexedImage> frames;

  bool sound() const { return outcome == Outcome::kRead && !fault; }
};

// The stored tokens expanded one by one, as plainly as possible.
struct Expansion {
  bool cutShort = false;    // the tokens end in a 0 without its count
  std::uint64_t count = 0;  // pixels in all
  spr::Bytes pixels;        // the first `limit` of them, filled up with index 0
};
Expansion ExpandTokens(std::span<const std::uint8_t> stored, std::size_t limit);

// Aborts unless `image` is the frame's expansion in reading order, cut or filled with index 0.
void CheckImage(const spr::IndexedImage& image, const spr::FrameRecord& frame);

// Decodes one record as every reader does and checks the outcome: the image, nothing for an
// empty frame without pixels, or the fault the stored tokens call for.
std::optional<spr::IndexedImage> DecodeChecked(const spr::FrameRecord& frame);

// Aborts unless `file` is the BMP file of the image: a header that agrees, the 1,024-byte colour
// table, and the image's rows bottom-up, each padded with zeros to four bytes.
void CheckFrameFile(std::span<const std::uint8_t> file, const spr::IndexedImage& image,
                    std::span<const std::uint8_t> colourTable);

// The sheet's grid, worked out here on its own: equal cells as wide as the widest frame and as
// high as the highest, `columns` of them a row (0: the fewest that make a square).
struct SheetGrid {
  std::size_t perRow = 0, rows = 0, cellWidth = 0, cellHeight = 0;
  std::size_t width() const { return perRow * cellWidth; }
  std::size_t height() const { return rows * cellHeight; }
  std::int64_t pixels() const { return static_cast<std::int64_t>(width() * height()); }
};
SheetGrid ExpectedSheet(const std::vector<spr::FrameRecord>& frames, int columns);

// Reads every record, then decodes the frames in order. Records holding more than
// `pixelBudget` pixels in all are not decoded, so that every input runs quickly.
DecodedSprite DecodeSprite(std::span<const std::uint8_t> file, std::int64_t pixelBudget);

}  // namespace glint::fuzz
