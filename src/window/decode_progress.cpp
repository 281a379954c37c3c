#include "window/decode_progress.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "spr/sprite.h"

namespace glint {

namespace {

// " (This bitmap p%)" without building a string per token.
std::string_view progressText(char (&buffer)[32], int percent) {
  static constexpr char kHead[] = " (This bitmap ";
  constexpr std::size_t headSize = sizeof(kHead) - 1;
  std::memcpy(buffer, kHead, headSize);
  auto result = std::to_chars(buffer + headSize, buffer + sizeof(buffer) - 2, percent);
  result.ptr[0] = '%';
  result.ptr[1] = ')';
  return std::string_view(buffer, static_cast<std::size_t>(result.ptr + 2 - buffer));
}

// The percentage shown after `position` of `length` stored bytes.
int percentAt(std::size_t position, std::size_t length) {
  return static_cast<int>(
      std::floor(static_cast<double>(position) / static_cast<double>(length) * 100.0));
}

// The first position whose percentage is above `percent`.
std::size_t firstPositionAbove(int percent, std::size_t length) {
  std::size_t j = (static_cast<std::size_t>(percent + 1) * length + 99) / 100;
  while (j > 0 && percentAt(j - 1, length) > percent) --j;  // floating point may round across
  while (percentAt(j, length) <= percent) ++j;
  return j;
}

}  // namespace

void ShowDecodeProgress(std::span<const std::uint8_t> stored, StatusAndYield& window) {
  const std::size_t length = stored.size();
  if (length == 0 || !window.ShowsProgress()) return;
  const spr::TokenEnds ends(stored);
  const std::size_t lastEnd = ends.last();
  // Kept unchanged across the tails, so the line rewrites only the tail.
  const std::string prefix = window.StatusText();
  std::optional<std::uint64_t> written;  // the line's revision after our last write

  char buffer[32];
  int percent = -1;
  std::size_t nextPercent = 1;  // where the percentage changes next
  bool textStale = true;        // the text may not end in `percent`'s progress
  std::size_t nextYield = 7;
  std::size_t at = 0;
  while (at < lastEnd) {
    // The next token end worth a look: a percentage change, a yield or the last token.
    std::size_t percentEnd = nextPercent;
    if (percentEnd <= lastEnd && !ends.after(percentEnd)) ++percentEnd;  // a run's count ends it
    while (nextYield <= lastEnd && (nextYield <= at || !ends.after(nextYield))) nextYield += 7;
    at = std::min({percentEnd, nextYield, lastEnd});
    if (at >= nextPercent) {
      percent = percentAt(at, length);
      nextPercent = firstPositionAbove(percent, length);
      textStale = true;
    }
    if (textStale) {
      window.SetStatusTail(prefix, progressText(buffer, percent));
      written = window.StatusRevision();
      textStale = false;
    }
    if (at == nextYield) {
      window.Yield();
      textStale = !written || window.StatusRevision() != written;
      nextYield += 7;
    }
  }
}

}  // namespace glint
