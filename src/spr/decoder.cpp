#include "spr/sprite.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace glint::spr {

namespace {

// The stored bytes end in a 0 without its count.
struct CutShort {};

// Room kept past the expansion, so spans are copied and runs cleared in whole 16-byte pieces.
constexpr std::size_t kSlack = 32;
// A larger expansion buffer is given back after use rather than kept for the next frame.
constexpr std::size_t kKeptScratch = std::size_t{1} << 22;

// The expansion buffers of this thread: decoding frame after frame allocates them once. A decode
// calls out to nobody, so no other decode finds them in use.
Bytes& scratch(int which) {
  thread_local Bytes buffers[2];
  return buffers[which];
}

// Grows the buffer to at least `need` bytes, keeping what it holds.
void grow(Bytes& out, std::size_t need) { out.resize(std::max(need, 2 * out.size())); }

// Makes room for `used` bytes written, `more` to come and the slack.
inline std::uint8_t* reserveFor(Bytes& out, std::size_t used, std::size_t more) {
  const std::size_t need = used + more + kSlack;
  if (out.size() < need) [[unlikely]]
    grow(out, need);
  return out.data();
}

// Copies 16 bytes and tells where the zero bytes among them are, one bit each.
inline unsigned copy16(const std::uint8_t* from, std::uint8_t* to) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
#else
  std::memcpy(to, from, 16);
  unsigned zeros = 0;
  for (unsigned k = 0; k < 16; ++k) zeros |= static_cast<unsigned>(from[k] == 0) << k;
  return zeros;
#endif
}

// Clears `count` bytes and up to 32 more, never past the slack: most runs take no loop.
inline void clearRun(std::uint8_t* to, std::size_t count) {
  std::memset(to, 0, 32);
  for (std::size_t k = 32; k < count; k += 16) std::memset(to + k, 0, 16);
}

// Expands one stretch of tokens with nobody watching into a buffer of its own. Literal spans are
// copied 16 bytes at a time: what lands past a span's end is overwritten by what follows it.
// The buffer's start and size are kept here: stores through byte pointers could alias them.
class QuietExpansion {
 public:
  QuietExpansion(std::span<const std::uint8_t> tokens, Bytes& out)
      : p_(tokens.data()), end_(p_ + tokens.size()), out_(out) {
    // Literals never grow: room for every stored byte holds until a run.
    base_ = reserveFor(out_, 0, tokens.size());
    room_ = out_.size() - kSlack;
    o_ = base_;
  }

  // Enough left for one whole step: a 16-byte piece and a run token after it.
  bool canStep() const { return end_ - p_ >= 18; }

  // One piece of a literal span, and the zero run that ends the span if it is in the piece.
  void step() {
    const unsigned zeros = copy16(p_, o_);
    if (zeros == 0) {
      p_ += 16;
      o_ += 16;
      return;
    }
    const int k = std::countr_zero(zeros);
    o_ += k;
    run(p_[k + 1]);
    p_ += k + 2;
  }

  // The rest of the tokens.
  void finish() {
    while (p_ < end_) {
      if (canStep()) {
        step();
        continue;
      }
      if (*p_ != 0) {
        *o_++ = *p_++;
        continue;
      }
      if (end_ - p_ < 2) throw CutShort{};
      run(p_[1]);
      p_ += 2;
    }
  }

  std::size_t size() const { return static_cast<std::size_t>(o_ - base_); }
  const std::uint8_t* data() const { return base_; }

 private:
  void run(std::size_t count) {
    const std::size_t size = this->size();
    const std::size_t left = static_cast<std::size_t>(end_ - p_);  // bounds what literals add
    if (size + count + left > room_) [[unlikely]] {
      base_ = reserveFor(out_, size, count + left);
      room_ = out_.size() - kSlack;
      o_ = base_ + size;
    }
    clearRun(o_, count);
    o_ += count;
  }

  const std::uint8_t* p_;
  const std::uint8_t* const end_;
  Bytes& out_;
  std::uint8_t* base_;
  std::uint8_t* o_;
  std::size_t room_;
};

// Where the second of two stretches of tokens may start: after a byte that is not 0, which ends
// a token (a pixel, or the count of a run). 0 when there is no such byte past the middle.
std::size_t tokenStartNearMiddle(std::span<const std::uint8_t> stored) {
  for (std::size_t j = stored.size() / 2; j < stored.size(); ++j)
    if (stored[j] != 0) return j + 1;
  return 0;
}

// Large enough that expanding two halves side by side pays for itself.
constexpr std::size_t kTwoStretches = 256;

}  // namespace

TokenEnds::TokenEnds(std::span<const std::uint8_t> stored) : runStarts_(stored.size() / 64 + 1, 0) {
  std::size_t countAt = SIZE_MAX;  // the count byte of the last run seen
  auto zeroAt = [&](std::size_t j) {
    if (j == countAt) return;
    runStarts_[j / 64] |= std::uint64_t{1} << (j % 64);
    countAt = j + 1;
  };
  std::size_t j = 0;
#if defined(__SSE2__) || defined(_M_X64)
  for (; j + 16 <= stored.size(); j += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored.data() + j));
    auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
    for (; zeros != 0; zeros &= zeros - 1)
      zeroAt(j + static_cast<std::size_t>(std::countr_zero(zeros)));
  }
#endif
  for (; j < stored.size(); ++j)
    if (stored[j] == 0) zeroAt(j);
  last_ = stored.empty() || after(stored.size()) ? stored.size() : stored.size() - 1;
}

void CheckFrameData(const FrameRecord& frame) {
  const std::span<const std::uint8_t> stored = frame.stored;
  // A byte other than 0 ends a token (a pixel or a run's count), so the zeros after the last such
  // byte pair up into runs of count 0: an odd number of them leaves the last run without its count.
  std::size_t trailing = 0;
  while (trailing < stored.size() && stored[stored.size() - 1 - trailing] == 0) ++trailing;
  if (trailing % 2 != 0)
    throw Fault(Fault::Kind::kZeroRunCutShort, frame.number, frame.offset, frame.width,
                frame.height);
  // And any byte other than 0 adds pixels.
  if (trailing != stored.size() && !HasPixels(frame))
    throw Fault(Fault::Kind::kPixelsWithoutSize, frame.number, frame.offset, frame.width,
                frame.height);
}

bool HasNonZeroPixel(const FrameRecord& frame) {
  if (!HasPixels(frame)) return false;
  const auto pixels =
      static_cast<std::uint64_t>(frame.width) * static_cast<std::uint64_t>(frame.height);
  const std::uint8_t* const p = frame.stored.data();
  const std::size_t size = frame.stored.size();
  std::size_t j = 0;
  std::uint64_t at = 0;  // the pixel the token at j starts at
#if defined(__SSE2__) || defined(_M_X64)
  // Frames that show nothing are mostly runs: sixteen bytes that hold 0 at every even place are
  // eight runs, and their counts add up at once.
  const __m128i even = _mm_set1_epi16(0x00FF), zero = _mm_setzero_si128();
  for (; j + 16 <= size && at < pixels; j += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, even), zero)) != 0xFFFF) break;
    const __m128i sums = _mm_sad_epu8(v, zero);
    at += static_cast<std::uint64_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
  }
#endif
  for (; j < size && at < pixels; j += 2) {
    if (p[j] != 0) return true;
    if (j + 1 < size) at += p[j + 1];
  }
  return false;
}

std::optional<IndexedImage> DecodeFrameData(const FrameRecord& frame) {
  const std::span<const std::uint8_t> stored = frame.stored;
  struct GiveBackLarge {
    ~GiveBackLarge() {
      for (int k = 0; k < 2; ++k)
        if (scratch(k).size() > kKeptScratch) Bytes().swap(scratch(k));
    }
  } giveBack;
  // Each token's place depends on the token before it; two halves expanded side by side keep
  // two such chains going at once.
  const std::size_t middle = stored.size() >= kTwoStretches ? tokenStartNearMiddle(stored) : 0;
  QuietExpansion a(stored.first(middle), scratch(0));
  QuietExpansion b(stored.subspan(middle), scratch(1));
  try {
    while (a.canStep() && b.canStep()) {
      a.step();
      b.step();
    }
    a.finish();
    b.finish();
  } catch (const CutShort&) {
    throw Fault(Fault::Kind::kZeroRunCutShort, frame.number, frame.offset, frame.width,
                frame.height);
  }

  const std::size_t expanded = a.size() + b.size();
  if (!HasPixels(frame)) {
    if (expanded == 0) return std::nullopt;
    throw Fault(Fault::Kind::kPixelsWithoutSize, frame.number, frame.offset, frame.width,
                frame.height);
  }
  IndexedImage image(frame.width, frame.height);
  const std::size_t first = std::min(a.size(), image.pixels.size());
  const std::size_t second = std::min(b.size(), image.pixels.size() - first);
  if (first != 0) std::memcpy(image.pixels.data(), a.data(), first);
  if (second != 0) std::memcpy(image.pixels.data() + first, b.data(), second);
  return image;
}

}  // namespace glint::spr
