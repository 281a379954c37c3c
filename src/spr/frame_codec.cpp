#include "spr/frame_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/errors.h"

namespace glint::spr {

int PadCount(std::int64_t width) {
  if (width <= 0) return 0;
  int pad = 4 - static_cast<int>(width & 3);
  return pad == 4 ? 0 : pad;
}

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

// The expansion with nobody watching: literal spans and zero runs copied whole.
Bytes expandQuietly(std::span<const std::uint8_t> stored) {
  Bytes expanded;
  expanded.reserve(stored.size() * 2);
  const std::uint8_t* p = stored.data();
  const std::uint8_t* end = p + stored.size();
  while (p < end) {
    auto* zero =
        static_cast<const std::uint8_t*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
    const std::uint8_t* literalsEnd = zero == nullptr ? end : zero;
    expanded.insert(expanded.end(), p, literalsEnd);
    if (zero == nullptr) break;
    if (zero + 1 >= end) throw Error(err::kInvalidCall);
    expanded.resize(expanded.size() + zero[1], 0);
    p = zero + 2;
  }
  return expanded;
}

// The expansion as the window sees it: a progress text per token, a yield every 7 positions.
Bytes expandWithProgress(std::span<const std::uint8_t> stored, StatusAndYield& window) {
  const std::string prefix = window.StatusText();
  const std::size_t length = stored.size();
  Bytes expanded;
  expanded.reserve(length * 2);
  char buffer[32];
  for (std::size_t i = 1; i <= length; ++i) {  // 1-based positions
    std::uint8_t byte = stored[i - 1];
    if (byte != 0) {
      expanded.push_back(byte);
    } else {
      ++i;
      if (i > length) throw Error(err::kInvalidCall);
      expanded.resize(expanded.size() + stored[i - 1], 0);
    }
    double share = static_cast<double>(i) / static_cast<double>(length) * 100.0;
    window.SetStatusTail(prefix, progressText(buffer, static_cast<int>(std::floor(share))));
    if (i % 7 == 0) window.Yield();
  }
  return expanded;
}

}  // namespace

Bytes DecodeFrameData(std::span<const std::uint8_t> stored, std::int64_t width,
                      StatusAndYield& window) {
  const int pad = PadCount(width);
  Bytes expanded =
      window.ShowsProgress() ? expandWithProgress(stored, window) : expandQuietly(stored);
  if (expanded.empty()) return {};
  if (width <= 0) throw Error(err::kInvalidCall);  // rows of no width never end

  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t pieces = (expanded.size() + w - 1) / w;
  const std::size_t shortPiece = expanded.size() % w;
  Bytes block(expanded.size() + pieces * static_cast<std::size_t>(pad), 0);
  std::size_t out = 0;
  for (std::size_t k = pieces; k-- > 0;) {  // last piece first
    std::size_t begin = k * w;
    std::size_t size = (k == pieces - 1 && shortPiece != 0) ? shortPiece : w;
    std::memcpy(block.data() + out, expanded.data() + begin, size);
    out += size + static_cast<std::size_t>(pad);
  }
  return block;
}

Bytes ConvertPalette(std::span<const std::uint8_t> stored) {
  Bytes table;
  table.reserve(stored.size());
  const std::size_t length = stored.size();
  for (std::size_t i = 0; i < length; i += 4) {
    if (i + 2 < length) table.push_back(stored[i + 2]);
    if (i + 1 < length) table.push_back(stored[i + 1]);
    table.push_back(stored[i]);
    table.push_back(0);
  }
  return table;
}

Bytes FitPixelBlock(Bytes block, std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) {
    if (!block.empty()) throw Error(err::kInvalidCall);
    return {};
  }
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  const std::size_t pad = static_cast<std::size_t>(PadCount(width));
  const std::size_t stride = w + pad;
  if (block.size() == stride * h) return block;  // a whole frame: already exact

  // Recover the expansion: a block that is not whole rows starts with the short piece.
  const std::size_t rest = block.size() % stride;
  if (rest != 0 && rest <= pad) throw Error(err::kInvalidCall);  // not a pixel block
  const std::size_t shortPiece = rest == 0 ? 0 : rest - pad;
  const std::size_t fullPieces = block.size() / stride;
  const std::size_t expandedSize = fullPieces * w + shortPiece;

  Bytes fitted(stride * h, 0);
  // Image row y (0 = top) is expansion piece y; in the block, piece k of P stands at slot P-1-k.
  const std::size_t pieces = fullPieces + (shortPiece != 0 ? 1 : 0);
  for (std::size_t y = 0; y < h && y * w < expandedSize; ++y) {
    std::size_t slot = pieces - 1 - y;
    std::size_t start =
        shortPiece != 0 ? (slot == 0 ? 0 : shortPiece + pad + (slot - 1) * stride) : slot * stride;
    std::size_t size = std::min(w, expandedSize - y * w);
    std::memcpy(fitted.data() + (h - 1 - y) * stride, block.data() + start, size);
  }
  return fitted;
}

}  // namespace glint::spr
