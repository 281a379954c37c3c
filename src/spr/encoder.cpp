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

// Encodes pixels [i, end) one token at a time; what every chain ends with.
std::uint8_t* encodeTail(const std::uint8_t* p, std::size_t i, std::size_t end, std::uint8_t* o) {
  while (i < end) {
    if (p[i] != 0) {
      *o++ = p[i++];
      continue;
    }
    const std::size_t start = i;
    while (i < end && p[i] == 0) ++i;
    o = putRun(o, i - start);
  }
  return o;
}

#ifdef GLINT_SPR_SSE2
// One chain of tokens over pixels [i, end). Each step takes a literal span and the run after it
// from two 16-pixel masks, so spans and runs shorter than 16 take no branch of their own; the
// literals are copied 16 bytes at a time, what lands past a span's end overwritten by what
// follows. Each token's place depends on the one before it, so two chains side by side keep two
// such dependencies going at once. (Masks of 32 or 64 pixels, fewer branches but more work a
// step, were slower.)
class Chain {
 public:
  Chain(const std::uint8_t* p, std::size_t i, std::size_t end, std::uint8_t* o)
      : p_(p), i_(i), end_(end), o_(o) {}

  bool canStep() const { return end_ - i_ >= 16; }

  void step() {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p_ + i_));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o_), v);
    const unsigned zeros = zeroMask(v);
    if (zeros == 0) {
      i_ += 16;
      o_ += 16;
      return;
    }
    const auto k = static_cast<std::size_t>(std::countr_zero(zeros));
    i_ += k;
    o_ += k;
    if (!canStep()) return;  // the run is the tail's
    const unsigned literals = ~zeroMask(p_ + i_) & 0xFFFFu;
    if (literals == 0) return longRun();
    const auto length = static_cast<std::size_t>(std::countr_zero(literals));
    o_[0] = 0;
    o_[1] = static_cast<std::uint8_t>(length);
    o_ += 2;
    i_ += length;
  }

  std::uint8_t* finish() { return encodeTail(p_, i_, end_, o_); }

 private:
  static unsigned zeroMask(__m128i v) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
  }
  static unsigned zeroMask(const std::uint8_t* p) {
    return zeroMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }

  // A run of 16 zeros or more, from i_.
  void longRun() {
    const std::size_t start = i_;
    for (i_ += 16; canStep(); i_ += 16) {
      const unsigned literals = ~zeroMask(p_ + i_) & 0xFFFFu;
      if (literals != 0) {
        i_ += static_cast<std::size_t>(std::countr_zero(literals));
        o_ = putRun(o_, i_ - start);
        return;
      }
    }
    while (i_ < end_ && p_[i_] == 0) ++i_;
    o_ = putRun(o_, i_ - start);
  }

  const std::uint8_t* p_;
  std::size_t i_;
  const std::size_t end_;
  std::uint8_t* o_;
};
#endif

// Room enough for the tokens of n pixels: at most 2 bytes a pixel (a literal and a run of one,
// over and over, take 1.5), and the slack of the 16-byte copies.
constexpr std::size_t room(std::size_t n) { return 2 * n + 16; }

// Large enough that two chains pay for themselves.
constexpr std::size_t kTwoChains = 512;

// Encodes n pixels into `out`, which has room(n) bytes; returns the length. Two chains meet at
// a literal past the middle, so no run crosses from one into the other.
std::size_t encodeTokens(const std::uint8_t* p, std::size_t n, std::uint8_t* out) {
#ifdef GLINT_SPR_SSE2
  std::size_t middle = n;
  if (n >= kTwoChains) {
    middle = n / 2;
    while (middle < n && p[middle] == 0) ++middle;
  }
  std::uint8_t* second = out + room(middle);
  Chain a(p, 0, middle, out), b(p, middle, n, second);
  while (a.canStep() && b.canStep()) {
    a.step();
    b.step();
  }
  while (a.canStep()) a.step();
  while (b.canStep()) b.step();
  const auto first = static_cast<std::size_t>(a.finish() - out);
  const auto rest = static_cast<std::size_t>(b.finish() - second);
  std::memmove(out + first, second, rest);
  return first + rest;
#else
  return static_cast<std::size_t>(encodeTail(p, 0, n, out) - out);
#endif
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
  Bytes& buffer = scratch();
  const std::size_t need = room(n) + room(0);  // two chains: two slacks
  if (buffer.size() < need) buffer.resize(need);
  const std::size_t length = encodeTokens(image.pixels.data(), n, buffer.data());
  Bytes stored(buffer.data(), buffer.data() + length);
  if (buffer.size() > kKeptScratch) Bytes().swap(buffer);
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

RecordSpan FindRecord(ByteSource& source, int number) {
  SprReader reader(source);
  Palette palette{};
  const int count = reader.open(palette);
  if (number < 1 || number > count)
    throw Refusal(Refusal::Kind::kNoSuchFrame, number, 0, 0, 0, count);
  FrameRecord old;
  for (int k = 1; k <= number; ++k) old = reader.readFrameHeader();
  const RecordSpan span{old.offset, old.offset + kRecordHeaderSize + old.storedLength};
  if (span.end > source.length() - static_cast<std::int64_t>(kPaletteSize))
    throw Refusal(Refusal::Kind::kRecordInPalette, number, old.width, old.height, old.storedLength,
                  count);
  return span;
}

Bytes ReplaceFrame(std::span<const std::uint8_t> file, int number, const IndexedImage& image) {
  MemoryBytes source(file);
  const RecordSpan span = FindRecord(source, number);
  const Bytes record = EncodeRecord(image, number);
  Bytes out(file.begin(), file.begin() + span.start);
  out.insert(out.end(), record.begin(), record.end());
  out.insert(out.end(), file.begin() + span.end, file.end());
  return out;
}

}  // namespace glint::spr
