// Reading sprite files and decoding their frames: records, faults, images, where tokens end,
// and the decoder's fast paths against a plain reading of the token rules. Writing them: canonical
// stored bytes, the limits, and replacing one frame (the round trips are the converter's).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "spr/sprite.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

using testing::SpriteBuilder;
using Kind = Fault::Kind;
using R = Refusal::Kind;

// The kind of fault or refusal the call raises, and the frame a fault names.
template <typename E = Fault>
std::optional<typename E::Kind> faultOf(const std::function<void()>& call, int* frame = nullptr) {
  try {
    call();
  } catch (const E& e) {
    if (frame != nullptr) *frame = e.frame();
    return e.kind();
  }
  return std::nullopt;
}

// A file opened as the callers open it.
struct Opened {
  Bytes file;
  MemoryBytes source{file};
  SprReader reader{source};
  Palette palette{};
  int count = reader.open(palette);
  std::vector<FrameRecord> frames(bool withData) {
    return ReadFramesWithPixels(reader, count, withData);
  }
};

// A stored length above 32,767 is read unsigned; trailing bytes shift the palette.
TEST(SprReader, ReadsRecordsInOrderAndThePaletteFromTheLast1024Bytes) {
  const Bytes big(40000, 1);
  Opened s{SpriteBuilder().rawFrame(200, 200, big).rawFrame(1, 1, {9}).trailing({0xAA}).build()};
  const FrameRecord first = s.reader.readFrame(), second = s.reader.readFrame();
  EXPECT_EQ(std::tuple(s.count, s.palette[1022], s.palette[1023], first.number, first.offset,
                       first.width, first.height, first.storedLength, first.stored == big,
                       second.number, second.offset, second.stored),
            std::tuple(2, 0x40, 0xAA, 1, 8, 200, 200, 40000, true, 2, 40014, Bytes{9}));
}

// Every record is read, the frames without pixels decoded for their faults; by headers alone the
// faults are the same.
TEST(SprReader, FaultsNameTheirKindAndFrame) {
  auto sig = [](std::array<std::uint8_t, 4> b) { return SpriteBuilder().signature(b).build(); };
  const SpriteBuilder sound = SpriteBuilder().frame(2, 1, {1, 2});
  const std::tuple<Bytes, Kind, int> cases[] = {
      {Bytes(1000, 0), Kind::kShortFile, 0},
      {sig({0x53, 0x50, 0x00, 0x02}), Kind::kWrongSignature, 0},
      {sig({0x53, 0x50, 0x02, 0x01}), Kind::kWrongSignature, 0},
      {sig({0x53, 0x51, 0x01, 0x02}), Kind::kWrongSignature, 0},
      {SpriteBuilder().frameCount(0x8000).build(), Kind::kNegativeCount, 0},
      {SpriteBuilder(sound).rawFrame(32767, 32767, {1, 2}).build(), Kind::kTooManyPixels, 2},
      // The stored length runs past the end of the file: the missing bytes are never made up.
      {SpriteBuilder().rawFrame(4, 4, {1, 2}, 5000).build(), Kind::kRecordCutShort, 1},
      // So does a record the count claims, read from the palette's bytes.
      {SpriteBuilder().frameCount(1).build(), Kind::kRecordCutShort, 1},
      {SpriteBuilder(sound).rawFrame(0, 4, {1}).build(), Kind::kPixelsWithoutSize, 2},
  };
  for (const auto& [file, kind, frame] : cases)
    for (bool withData : {true, false}) {
      int at = -1;
      EXPECT_EQ(faultOf([&] { Opened{file}.frames(withData); }, &at), kind);
      EXPECT_EQ(at, frame);
    }
}

// What the format's rules make of a record, token by token.
struct Expected {
  Bytes image;                // the pixels, filled with index 0 or cut at the frame's size
  std::optional<Kind> fault;  // a cut run first, pixels without a size next
  std::vector<bool> ends;     // whether a token ends after each stored byte
};

Expected byTheRules(const FrameRecord& frame) {
  Expected e;
  const Bytes& stored = frame.stored;
  for (std::size_t i = 1; i <= stored.size(); ++i) {
    if (stored[i - 1] != 0) {
      e.image.push_back(stored[i - 1]);
    } else if (++i > stored.size()) {
      e.ends.push_back(false);
      return {{}, Kind::kZeroRunCutShort, e.ends};
    } else {
      e.image.insert(e.image.end(), stored[i - 1], 0);
      e.ends.push_back(false);
    }
    e.ends.push_back(true);
  }
  const bool sized = frame.width > 0 && frame.height > 0;
  if (!sized && !e.image.empty()) e.fault = Kind::kPixelsWithoutSize;
  e.image.resize(sized ? std::size_t(frame.width) * std::size_t(frame.height) : 0, 0);
  return e;
}

FrameRecord record(int width, int height, Bytes stored) {
  const auto length = static_cast<std::uint16_t>(stored.size());
  return {4, 0, std::int16_t(width), std::int16_t(height), length, std::move(stored)};
}

// By hand: literals over two rows, a run inside a row, a short expansion (index 0 to the bottom
// right), a long one (cut at the frame's size), a maximal run, no data (all index 0), a literal on
// the last pixel and one just past it, also after nine runs; frames without a size: no data, a run
// of count 0, pixels, and a cut run before the size. Then token streams of every shape.
std::vector<FrameRecord> records() {
  Bytes nineRuns;
  for (int k = 0; k < 9; ++k) nineRuns.insert(nineRuns.end(), {0, 10});
  nineRuns.push_back(5);
  std::vector<FrameRecord> frames = {
      record(91, 1, nineRuns),          record(90, 1, nineRuns),
      record(3, 2, {1, 2, 3, 4, 5, 6}), record(4, 1, {7, 0, 2, 9}),
      record(5, 2, {7, 7, 0, 3}),       record(2, 2, {1, 2, 3, 4, 5, 6, 7, 8}),
      record(256, 1, {0, 255, 3}),      record(3, 1, {}),
      record(3, 1, {0, 2, 9}),          record(2, 2, {0, 3, 0, 1, 5})};
  frames.insert(frames.end(), {record(0, 5, {}), record(-3, 2, {0, 0}), record(0, 3, {1, 2}),
                               record(1, -1, {1}), record(0, 1, {5, 0})});
  const std::pair<std::size_t, double> shapes[] = {
      // tokens, share of zero runs
      {0, 0.5},   {1, 1.0},    {17, 0.0},   {40, 0.3},   {255, 0.1},
      {300, 0.0}, {600, 0.05}, {900, 0.15}, {2000, 0.5}, {4000, 0.9}};
  std::mt19937 random(2024);
  for (const auto& [tokens, runShare] : shapes)
    for (int variant = 0; variant < 12; ++variant)
      frames.push_back(record(1 + variant * 37 % 130, 1 + variant % 5 * 20,
                              testing::RandomTokens(random, tokens, runShare, variant % 4 == 3)));
  return frames;
}

TEST(DecodeFrameData, ExpandsTheTokensAsTheRulesRead) {
  for (const FrameRecord& frame : records()) {
    const Expected want = byTheRules(frame);
    std::optional<IndexedImage> got;
    EXPECT_EQ(faultOf([&] { got = DecodeFrameData(frame); }), want.fault) << frame.stored.size();
    EXPECT_EQ(got.has_value(), frame.width > 0 && frame.height > 0 && !want.fault);
    if (got) {
      EXPECT_EQ(std::tuple(got->width, got->height, got->pixels),
                std::tuple(frame.width, frame.height, want.image));
    }
  }
}

TEST(CheckFrameData, FindsTheDecodersFaultsWithoutDecoding) {
  for (const FrameRecord& frame : records())
    EXPECT_EQ(faultOf([&] { CheckFrameData(frame); }), byTheRules(frame).fault);
}

TEST(HasNonZeroPixel, ReadsTheStoredBytesAlone) {
  for (const FrameRecord& frame : records())
    if (const Expected want = byTheRules(frame); !want.fault) {
      EXPECT_EQ(HasNonZeroPixel(frame), want.image != Bytes(want.image.size(), 0));
    }
}

TEST(TokenEnds, MarkWhereEachTokenEnds) {
  for (const FrameRecord& frame : records()) {
    const Expected want = byTheRules(frame);
    const TokenEnds ends(frame.stored);
    std::vector<bool> found;
    for (std::size_t p = 1; p <= frame.stored.size(); ++p) found.push_back(ends.after(p));
    EXPECT_EQ(std::tuple(found, ends.last()),
              std::tuple(want.ends, want.ends.size() - (want.fault == Kind::kZeroRunCutShort)));
  }
}

IndexedImage image(int width, int height, Bytes pixels) {
  IndexedImage i;
  std::tie(i.width, i.height, i.pixels) = std::tuple(width, height, std::move(pixels));
  return i;
}

Bytes zeros(std::size_t n, Bytes then = {}) {
  then.insert(then.begin(), n, 0);
  return then;
}

TEST(EncodeFrameData, WritesCanonicalTokensOrRefusesWhatNoRecordHolds) {
  const std::tuple<const char*, IndexedImage, Bytes, std::optional<R>> cases[] = {
      {"literals", image(3, 1, {1, 2, 3}), {1, 2, 3}, {}},
      {"a single 0 is a run of one", image(1, 1, {0}), {0, 1}, {}},
      {"runs cross rows", image(2, 2, {5, 0, 0, 6}), {5, 0, 2, 6}, {}},
      {"trailing zeros are written", image(3, 1, {4, 0, 0}), {4, 0, 2}, {}},
      {"255 zeros", image(255, 1, zeros(255)), {0, 255}, {}},
      {"256 zeros split, never a count of 0", image(256, 1, zeros(256)), {0, 255, 0, 1}, {}},
      {"510 zeros and a literal", image(511, 1, zeros(510, {5})), {0, 255, 0, 255, 5}, {}},
      {"the longest side", image(32767, 1, Bytes(32767, 1)), Bytes(32767, 1), {}},
      {"stored length 32,768", image(16384, 2, Bytes(32768, 1)), {}, R::kStoredTooLong},
      {"width 0", image(0, 1, {}), {}, R::kBadSize},
      {"height -1", image(1, -1, {}), {}, R::kBadSize},
      {"width 32,768", image(32768, 1, Bytes(32768, 0)), {}, R::kBadSize},
      {"too many pixels", image(32767, 128, zeros(32767 * 128)), {}, R::kTooManyPixels},
  };
  for (const auto& [name, picture, want, refusal] : cases) {
    Bytes stored;
    EXPECT_EQ(faultOf<Refusal>([&] { stored = EncodeFrameData(picture, 7); }), refusal) << name;
    EXPECT_EQ(stored, want) << name;
  }
  // All zeros, as many as fit: 32,767 x 127 pixels in 16,320 runs.
  EXPECT_EQ(EncodeFrameData(image(32767, 127, zeros(32767 * 127))).size(), 2u * 16320);
}

TEST(EncodeHeader, RefusesMoreThan32767Frames) {
  EXPECT_EQ(faultOf<Refusal>([] { EncodeHeader(32768); }), R::kTooManyFrames);
}

// Runs may reach across the fast path's 16-byte pieces and the middle between its two chains.
TEST(EncodeFrameData, FastPathWritesWhatThePlainEncoderWrites) {
  for (const double zeroShare : {0.0, 0.5, 0.9, 0.99, 1.0})
    for (const int side : {23, 90, 170}) {
      const Bytes pixels = testing::MakePixels(side, side, 5, zeroShare);
      EXPECT_EQ(EncodeFrameData(image(side, side, pixels)), testing::EncodePixels(pixels)) << side;
    }
}

// Stored bytes no writer of ours makes (runs of 0 and of 1, a short expansion), and a gap.
const Bytes odd{0, 0, 7, 0, 1, 0, 1, 9}, gap{1, 2, 3};
const IndexedImage other = image(3, 1, {0, 0, 4}), pixel = image(1, 1, {3});
const Bytes twoFrames = SpriteBuilder().rawFrame(4, 3, odd).frame(2, 1, {5, 6}).gap(gap).build();

TEST(ReplaceFrame, ChangesOnlyTheRecordAskedFor) {
  EXPECT_EQ(std::pair(ReplaceFrame(twoFrames, 2, other), ReplaceFrame(twoFrames, 1, other)),
            std::pair(SpriteBuilder().rawFrame(4, 3, odd).frame(3, 1, {0, 0, 4}).gap(gap).build(),
                      SpriteBuilder().frame(3, 1, {0, 0, 4}).frame(2, 1, {5, 6}).gap(gap).build()));
}

TEST(ReplaceFrame, RefusesWhatItCannotChange) {
  EXPECT_EQ(faultOf<Refusal>([&] { ReplaceFrame(twoFrames, 0, pixel); }), R::kNoSuchFrame);
  EXPECT_EQ(faultOf<Refusal>([&] { ReplaceFrame(twoFrames, 3, pixel); }), R::kNoSuchFrame);
  EXPECT_EQ(faultOf<Refusal>([&] { ReplaceFrame(twoFrames, 2, image(0, 1, {})); }), R::kBadSize);
  // A record that runs into the last 1,024 bytes: replacing it would change the palette.
  const Bytes overlapping = SpriteBuilder().rawFrame(1, 1, {1}, 1000).build();
  EXPECT_EQ(faultOf<Refusal>([&] { ReplaceFrame(overlapping, 1, pixel); }), R::kRecordInPalette);
}

TEST(ReplaceFrame, LeavesABrokenRecordBeforeTheFrameToTheReader) {
  const Bytes cut = SpriteBuilder().frameCount(2).rawFrame(4, 4, {1}, 5000).build();
  EXPECT_THROW(ReplaceFrame(cut, 2, pixel), Fault);
}

}  // namespace
}  // namespace glint::spr
