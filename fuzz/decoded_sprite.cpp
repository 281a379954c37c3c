#include "decoded_sprite.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "bmp/bmp.h"

namespace glint::fuzz {
namespace {

using Kind = spr::Fault::Kind;

void require(bool ok) {
  if (!ok) std::abort();
}

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

std::int64_t le16(std::span<const std::uint8_t> b, std::size_t at, bool isSigned) {
  const auto value = static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
  return isSigned ? std::int64_t{static_cast<std::int16_t>(value)} : std::int64_t{value};
}

// The fault names the frame it is about and where its record starts.
void requireAbout(const spr::Fault& fault, const spr::FrameRecord& frame) {
  require(fault.frame() == frame.number && fault.offset() == frame.offset);
}

// Refusals before any record: each one is what the bytes at its place say.
void checkRefusal(const spr::Fault& fault, std::span<const std::uint8_t> file) {
  switch (fault.kind()) {
    case Kind::kShortFile:
      require(file.size() < spr::kPaletteSize);
      break;
    case Kind::kWrongSignature:
      require(!std::equal(spr::kSignature.begin(), spr::kSignature.end(), file.begin()));
      break;
    case Kind::kNegativeCount:
      require(le16(file, 4, true) < 0);
      break;
    default:
      std::abort();
  }
}

// A record the reader could not read: it is cut short where it starts, or its size is beyond
// what stored data can describe.
void checkRecordFault(const spr::Fault& fault, std::span<const std::uint8_t> file, int number,
                      std::int64_t offset) {
  require(fault.frame() == number && fault.offset() == offset);
  const auto size = static_cast<std::int64_t>(file.size());
  const bool header = offset + spr::kRecordHeaderSize <= size;
  const auto at = static_cast<std::size_t>(offset);
  if (fault.kind() == Kind::kRecordCutShort) {
    require(!header || offset + spr::kRecordHeaderSize + le16(file, at + 4, false) > size);
  } else {
    require(fault.kind() == Kind::kTooManyPixels && header);
    const std::int64_t width = le16(file, at, true), height = le16(file, at + 2, true);
    require(fault.width() == width && fault.height() == height);
    require(width > 0 && height > 0 && width * height > spr::kMaxFramePixels);
  }
}

}  // namespace

Expansion ExpandTokens(std::span<const std::uint8_t> stored, std::size_t limit) {
  Expansion e;
  e.pixels.assign(limit, 0);  // a run only moves on
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != 0) {
      if (e.count < limit) e.pixels[e.count] = stored[i];
      ++e.count;
    } else if (++i == stored.size()) {
      e.cutShort = true;
    } else {
      e.count += stored[i];
    }
  }
  return e;
}

void CheckImage(const spr::IndexedImage& image, const spr::FrameRecord& frame) {
  require(image.width == frame.width && image.height == frame.height);
  const Expansion e = ExpandTokens(
      frame.stored, static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
  require(!e.cutShort && image.pixels == e.pixels);
}

std::optional<spr::IndexedImage> DecodeChecked(const spr::FrameRecord& frame) {
  std::optional<spr::IndexedImage> image;
  try {
    image = spr::DecodeFrameData(frame);
  } catch (const spr::Fault& fault) {
    requireAbout(fault, frame);
    const Expansion e = ExpandTokens(frame.stored, 0);
    if (fault.kind() == Kind::kZeroRunCutShort)
      require(e.cutShort);
    else
      require(fault.kind() == Kind::kPixelsWithoutSize && !spr::HasPixels(frame) && !e.cutShort &&
              e.count > 0);
    throw;
  }
  if (image) {
    CheckImage(*image, frame);
  } else {
    const Expansion e = ExpandTokens(frame.stored, 0);
    require(!spr::HasPixels(frame) && !e.cutShort && e.count == 0);
  }
  return image;
}

void CheckFrameFile(std::span<const std::uint8_t> file, const spr::IndexedImage& image,
                    std::span<const std::uint8_t> colourTable) {
  const auto width = static_cast<std::size_t>(image.width);
  const std::size_t stride = (width + 3) / 4 * 4;
  const std::size_t block = stride * static_cast<std::size_t>(image.height);
  require(colourTable.size() == bmp::kColourTableSize);
  require(file.size() == bmp::kPixelOffset + block);
  require(file[0] == 'B' && file[1] == 'M' && le32(file, 2) == file.size());
  require(le32(file, 10) == bmp::kPixelOffset && le32(file, 34) == block);
  require(le32(file, 18) == width && le32(file, 22) == static_cast<std::uint32_t>(image.height));
  require(std::equal(colourTable.begin(), colourTable.end(), file.begin() + bmp::kHeaderSize));
  const std::uint8_t* rows = file.data() + bmp::kPixelOffset;
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = rows + static_cast<std::size_t>(image.height - 1 - y) * stride;
    require(std::memcmp(row, image.row(y), width) == 0);
    for (std::size_t x = width; x < stride; ++x) require(row[x] == 0);
  }
}

SheetGrid ExpectedSheet(const std::vector<spr::FrameRecord>& frames, int columns) {
  SheetGrid grid;
  grid.perRow = static_cast<std::size_t>(columns);
  if (grid.perRow == 0)
    while (grid.perRow * grid.perRow < frames.size()) ++grid.perRow;
  grid.rows = grid.perRow == 0 ? 0 : (frames.size() + grid.perRow - 1) / grid.perRow;
  for (const spr::FrameRecord& f : frames) {
    grid.cellWidth = std::max(grid.cellWidth, static_cast<std::size_t>(f.width));
    grid.cellHeight = std::max(grid.cellHeight, static_cast<std::size_t>(f.height));
  }
  return grid;
}

DecodedSprite DecodeSprite(std::span<const std::uint8_t> file, std::int64_t pixelBudget) {
  using Outcome = DecodedSprite::Outcome;
  DecodedSprite sprite;
  spr::MemoryBytes bytes(file);
  spr::SprReader reader(bytes);
  try {
    sprite.frameCount = reader.open(sprite.palette);
  } catch (const spr::Fault& fault) {
    checkRefusal(fault, file);
    sprite.fault = fault;
    return sprite;
  }
  require(std::equal(sprite.palette.begin(), sprite.palette.end(),
                     file.end() - static_cast<std::ptrdiff_t>(spr::kPaletteSize)));

  // Every record first, so that no frame is decoded past the budget.
  std::vector<spr::FrameRecord> records;
  std::optional<spr::Fault> recordFault;
  std::int64_t pixels = 0;
  std::int64_t next = spr::kFirstRecordOffset;
  for (int k = 1; k <= sprite.frameCount; ++k) {
    try {
      records.push_back(reader.readFrame());
    } catch (const spr::Fault& fault) {
      checkRecordFault(fault, file, k, next);
      recordFault = fault;
      break;
    }
    const spr::FrameRecord& r = records.back();
    require(r.number == k && r.offset == next && r.stored.size() == r.storedLength);
    const std::size_t at = static_cast<std::size_t>(next + spr::kRecordHeaderSize);
    require(r.storedLength == 0 || std::memcmp(r.stored.data(), &file[at], r.storedLength) == 0);
    next += spr::kRecordHeaderSize + r.storedLength;
    if (spr::HasPixels(r)) pixels += std::int64_t{r.width} * r.height;
    if (pixels > pixelBudget) {
      sprite.outcome = Outcome::kTooLarge;
      return sprite;
    }
  }

  sprite.outcome = Outcome::kRead;
  for (spr::FrameRecord& record : records) {
    if (!sprite.fault) {
      try {
        if (auto image = DecodeChecked(record)) sprite.frames.push_back(std::move(*image));
      } catch (const spr::Fault& fault) {
        sprite.fault = fault;  // before the record fault, if any: first in file order
      }
    }
    if (spr::HasPixels(record)) sprite.records.push_back(std::move(record));
  }
  if (!sprite.fault) sprite.fault = recordFault;
  return sprite;
}

}  // namespace glint::fuzz
