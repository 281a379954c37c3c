#include <algorithm>
#include <bit>
#include <cstring>

#include "spr/sprite.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define GLINT_SPR_SSE2 1
#endif

namespace glint::spr {
namespace {

const char* describe(Refusal::Kind kind) {
  switch (kind) {
    case Refusal::Kind::kBadSize:
      return "a frame's width or height is outside 1 to 32,767";
    case Refusal::Kind::kTooManyPixels:
      return "a frame with more pixels than a record can hold";
    case Refusal::Kind::kStoredTooLong:
      return "a frame's stored bytes would be longer than 32,767";
    case Refusal::Kind::kTooManyFrames:
      return "more than 32,767 frames";
    case Refusal::Kind::kNoSuchFrame:
      return "no such frame";
    case Refusal::Kind::kRecordInPalette:
      return "the frame's record reaches into the palette";
  }
  return "cannot be written";
}

void put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Runs of index 0 as tokens of 255 and one of the rest.
inline std::uint8_t* putRun(std::uint8_t* o, std::size_t length) {
  for (; length >= 255; length -= 255) *o++ = 0, *o++ = 255;
  if (length != 0) *o++ = 0, *o++ = static_cast<std::uint8_t>(length);
  return o;
}

#ifdef GLINT_SPR_SSE2
inline unsigned zeroMask(const std::uint8_t* p) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
}
#endif

// Encodes n pixels into `o`, which has room for 2n + 16 bytes; returns the end. Literal spans
// are copied 16 bytes at a time: what lands past a span's end is overwritten by what follows.
std::uint8_t* encodeTokens(const std::uint8_t* p, std::size_t n, std::uint8_t* o) {
  std::size_t i = 0;
  while (i < n) {
    // A span of literals up to the next 0.
#ifdef GLINT_SPR_SSE2
    for (; i + 16 <= n;) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
      const auto zeros =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
      const std::size_t k = zeros == 0 ? 16 : static_cast<std::size_t>(std::countr_zero(zeros));
      i += k;
      o += k;
      if (zeros != 0) break;
    }
#endif
    while (i < n && p[i] != 0) *o++ = p[i++];
    if (i == n) break;
    // A run of zeros up to the next literal.
    const std::size_t start = i;
#ifdef GLINT_SPR_SSE2
    for (; i + 16 <= n;) {
      const unsigned literals = ~zeroMask(p + i) & 0xFFFFu;
      i += literals == 0 ? 16 : static_cast<std::size_t>(std::countr_zero(literals));
      if (literals != 0) break;
    }
#endif
    while (i < n && p[i] == 0) ++i;
    o = putRun(o, i - start);
  }
  return o;
}

// The encoding's room, kept by the thread so frame after frame allocates it once.
Bytes& scratch() {
  thread_local Bytes buffer;
  return buffer;
}

constexpr std::size_t kKeptScratch = std::size_t{1} << 22;

}  // namespace

Refusal::Refusal(Kind kind, int frame, int width, int height, std::int64_t storedLength,
                 int frameCount)
    : std::runtime_error(describe(kind)),
      kind_(kind),
      frame_(frame),
      width_(width),
      height_(height),
      storedLength_(storedLength),
      frameCount_(frameCount) {}

Bytes EncodeFrameData(const IndexedImage& image, int frame) {
  if (image.width < 1 || image.width > kMaxSide || image.height < 1 || image.height > kMaxSide)
    throw Refusal(Refusal::Kind::kBadSize, frame, image.width, image.height);
  const std::size_t n = image.pixels.size();
  if (static_cast<std::int64_t>(n) > kMaxEncodablePixels)
    throw Refusal(Refusal::Kind::kTooManyPixels, frame, image.width, image.height);
  // At most 1.5 bytes a pixel (a literal and a run of one, over and over), and the slack of the
  // 16-byte copies.
  Bytes& room = scratch();
  const std::size_t need = 2 * n + 16;
  if (room.size() < need) room.resize(need);
  const std::uint8_t* end = encodeTokens(image.pixels.data(), n, room.data());
  const auto length = static_cast<std::size_t>(end - room.data());
  Bytes stored(room.data(), room.data() + length);
  if (room.size() > kKeptScratch) Bytes().swap(room);
  if (length > kMaxStoredLength)
    throw Refusal(Refusal::Kind::kStoredTooLong, frame, image.width, image.height,
                  static_cast<std::int64_t>(length));
  return stored;
}

Bytes EncodeHeader(int frameCount) {
  if (frameCount > kMaxFrames) throw Refusal(Refusal::Kind::kTooManyFrames, frameCount);
  Bytes header(static_cast<std::size_t>(kFirstRecordOffset), 0);
  std::memcpy(header.data(), kSignature.data(), kSignature.size());
  put16(header.data() + 4, static_cast<std::uint16_t>(frameCount));
  return header;
}

Bytes EncodeRecord(const IndexedImage& image, int frame) {
  const Bytes stored = EncodeFrameData(image, frame);
  Bytes record(static_cast<std::size_t>(kRecordHeaderSize) + stored.size());
  put16(record.data(), static_cast<std::uint16_t>(image.width));
  put16(record.data() + 2, static_cast<std::uint16_t>(image.height));
  put16(record.data() + 4, static_cast<std::uint16_t>(stored.size()));
  if (!stored.empty()) std::memcpy(record.data() + kRecordHeaderSize, stored.data(), stored.size());
  return record;
}

Palette EncodePalette(const Palette& palette) {
  Palette written = palette;
  for (std::size_t k = 3; k < kPaletteSize; k += 4) written[k] = 0;
  return written;
}

Bytes EncodeSprite(std::span<const IndexedImage> frames, const Palette& palette) {
  Bytes file = EncodeHeader(static_cast<int>(std::min<std::size_t>(frames.size(), 1 << 20)));
  int number = 0;
  for (const IndexedImage& image : frames) {
    const Bytes record = EncodeRecord(image, ++number);
    file.insert(file.end(), record.begin(), record.end());
  }
  const Palette written = EncodePalette(palette);
  file.insert(file.end(), written.begin(), written.end());
  return file;
}

Bytes ReplaceFrame(std::span<const std::uint8_t> file, int number, const IndexedImage& image) {
  MemoryBytes source(file);
  SprReader reader(source);
  Palette palette{};
  const int count = reader.open(palette);
  if (number < 1 || number > count)
    throw Refusal(Refusal::Kind::kNoSuchFrame, number, 0, 0, 0, count);
  FrameRecord old;
  for (int k = 1; k <= number; ++k) old = reader.readFrame();
  const auto start = static_cast<std::size_t>(old.offset);
  const std::size_t end = start + static_cast<std::size_t>(kRecordHeaderSize) + old.storedLength;
  if (end > file.size() - kPaletteSize)
    throw Refusal(Refusal::Kind::kRecordInPalette, number, old.width, old.height, old.storedLength,
                  count);
  const Bytes record = EncodeRecord(image, number);
  Bytes out;
  out.reserve(file.size() - (end - start) + record.size());
  out.insert(out.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(start));
  out.insert(out.end(), record.begin(), record.end());
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(end), file.end());
  return out;
}

}  // namespace glint::spr
