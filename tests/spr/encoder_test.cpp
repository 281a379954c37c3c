// Writing sprite files: canonical stored bytes, the limits, and the round trips through the
// reader over generated sprites.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "spr/sprite.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

using testing::SpriteBuilder;

IndexedImage image(int width, int height, Bytes pixels) {
  IndexedImage i;
  i.width = width;
  i.height = height;
  i.pixels = std::move(pixels);
  return i;
}

std::optional<Refusal::Kind> refusalOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Refusal& r) {
    return r.kind();
  }
  return std::nullopt;
}

Bytes zeros(std::size_t n, Bytes then = {}) {
  Bytes b(n, 0);
  b.insert(b.end(), then.begin(), then.end());
  return b;
}

TEST(EncodeFrameData, CanonicalTokensAndLimits) {
  const struct {
    const char* name;
    IndexedImage image;
    Bytes stored;
    std::optional<Refusal::Kind> refusal = std::nullopt;
  } cases[] = {
      {"literals", image(3, 1, {1, 2, 3}), {1, 2, 3}},
      {"a single 0 is a run of one", image(1, 1, {0}), {0, 1}},
      {"runs cross rows", image(2, 2, {5, 0, 0, 6}), {5, 0, 2, 6}},
      {"trailing zeros are written", image(3, 1, {4, 0, 0}), {4, 0, 2}},
      {"255 zeros", image(255, 1, zeros(255)), {0, 255}},
      {"256 zeros split, never a count of 0", image(256, 1, zeros(256)), {0, 255, 0, 1}},
      {"510 zeros and a literal", image(511, 1, zeros(510, {5})), {0, 255, 0, 255, 5}},
      {"the longest side", image(32767, 1, Bytes(32767, 1)), Bytes(32767, 1)},
      {"stored length 32,768", image(16384, 2, Bytes(32768, 1)), {}, Refusal::Kind::kStoredTooLong},
      {"width 0", image(0, 1, {}), {}, Refusal::Kind::kBadSize},
      {"height -1", image(1, -1, {}), {}, Refusal::Kind::kBadSize},
      {"width 32,768", image(32768, 1, Bytes(32768, 0)), {}, Refusal::Kind::kBadSize},
      {"more pixels than 32,767 bytes hold",
       image(32767, 128, zeros(32767 * 128)),
       {},
       Refusal::Kind::kTooManyPixels},
  };
  for (const auto& c : cases) {
    Bytes stored;
    EXPECT_EQ(refusalOf([&] { stored = EncodeFrameData(c.image, 7); }), c.refusal) << c.name;
    if (!c.refusal) {
      EXPECT_EQ(stored, c.stored) << c.name;
    }
  }
  // All zeros, as many as fit: 32,767 x 127 pixels in 32,638 bytes.
  const Bytes most = EncodeFrameData(image(32767, 127, zeros(32767 * 127)));
  EXPECT_EQ(most.size(), 2 * ((32767 * 127 + 254) / 255));

  try {
    EncodeHeader(32768);
    ADD_FAILURE() << "32,768 frames written";
  } catch (const Refusal& r) {
    EXPECT_EQ(std::tuple(r.kind(), r.frame()), std::tuple(Refusal::Kind::kTooManyFrames, 32768));
  }
}

// Frames of every kind the fast path treats apart: long literal spans, runs across the 16-byte
// pieces, runs longer than 255, all zeros, none.
IndexedImage randomImage(std::mt19937& random) {
  std::uniform_int_distribution<int> side(1, 90), kind(0, 4), colour(1, 255), run(1, 40);
  IndexedImage i(side(random), side(random));
  const int shape = kind(random);
  for (std::size_t p = 0; p < i.pixels.size();) {
    const bool zero = shape == 0 || (shape != 1 && random() % 2 == 0);
    const std::size_t length =
        shape == 3 ? 300 + random() % 300 : static_cast<std::size_t>(run(random));
    for (std::size_t k = 0; k < length && p < i.pixels.size(); ++k)
      i.pixels[p++] = zero ? 0 : static_cast<std::uint8_t>(colour(random));
  }
  return i;
}

std::vector<IndexedImage> decodeAll(const Bytes& file, Palette& palette) {
  MemoryBytes source(file);
  SprReader reader(source);
  const int count = reader.open(palette);
  std::vector<IndexedImage> frames;
  for (int k = 0; k < count; ++k) frames.push_back(*DecodeFrameData(reader.readFrame()));
  return frames;
}

TEST(EncodeSprite, DecodesBackAndIsStable) {
  std::mt19937 random(77);
  for (int round = 0; round < 40; ++round) {
    std::vector<IndexedImage> frames;
    for (int k = 0; k < 1 + round % 6; ++k) frames.push_back(randomImage(random));
    const Palette palette = testing::DistinctPalette();
    const Bytes file = EncodeSprite(frames, palette);

    // The reader's view: the same frames; the palette's colours with reserved bytes 0.
    Palette read{};
    const std::vector<IndexedImage> decoded = decodeAll(file, read);
    ASSERT_EQ(decoded.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
      EXPECT_EQ(std::tuple(decoded[k].width, decoded[k].height, decoded[k].pixels),
                std::tuple(frames[k].width, frames[k].height, frames[k].pixels));
      // The test builder's plain encoder agrees byte for byte.
      EXPECT_EQ(EncodeFrameData(frames[k]), testing::EncodePixels(frames[k].pixels));
    }
    for (std::size_t k = 0; k < kPaletteSize; ++k)
      EXPECT_EQ(read[k], k % 4 == 3 ? 0 : palette[k]) << k;
    EXPECT_EQ(file, EncodeSprite(decoded, read));
  }
}

TEST(ReplaceFrame, KeepsEveryOtherByte) {
  std::mt19937 random(5);
  for (int round = 0; round < 30; ++round) {
    // Stored bytes no writer of ours makes: runs of 0 and 1, expansions shorter than the frame.
    SpriteBuilder builder;
    builder.rawFrame(4, 3, {0, 0, 7, 0, 1, 0, 1, 9});
    const int frames = 2 + round % 4;
    for (int k = 1; k < frames; ++k) {
      const IndexedImage i = randomImage(random);
      builder.frame(i.width, i.height, i.pixels);
    }
    const Bytes file = builder.gap({1, 2, 3}).build();
    const int number = 1 + round % frames;
    Palette palette{};
    const std::vector<IndexedImage> before = decodeAll(file, palette);

    // The frame's own pixels: it decodes the same, and a canonical record stays byte for byte.
    const Bytes same = ReplaceFrame(file, number, before[number - 1]);
    Palette after{};
    EXPECT_EQ(decodeAll(same, after).at(number - 1).pixels, before[number - 1].pixels);
    if (number > 1) {
      EXPECT_EQ(same, file);
    }

    // Another image: that frame changes, and only the bytes of its record.
    const IndexedImage other = randomImage(random);
    const Bytes changed = ReplaceFrame(file, number, other);
    const std::vector<IndexedImage> decoded = decodeAll(changed, after);
    for (int k = 1; k <= frames; ++k)
      EXPECT_EQ(decoded[k - 1].pixels, k == number ? other.pixels : before[k - 1].pixels);
    MemoryBytes source(file);
    SprReader reader(source);
    reader.open(palette);
    FrameRecord record;
    for (int k = 1; k <= number; ++k) record = reader.readFrame();
    const auto start = static_cast<std::ptrdiff_t>(record.offset);
    const auto tail =
        static_cast<std::ptrdiff_t>(file.size()) - start - kRecordHeaderSize - record.storedLength;
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + start, changed.begin()));
    EXPECT_TRUE(std::equal(file.end() - tail, file.end(), changed.end() - tail));
  }
}

TEST(ReplaceFrame, RefusesWhatItCannotReplace) {
  const Bytes two = SpriteBuilder().frame(1, 1, {1}).frame(1, 1, {2}).build();
  const IndexedImage pixel = image(1, 1, {3});
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(two, 0, pixel); }), Refusal::Kind::kNoSuchFrame);
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(two, 3, pixel); }), Refusal::Kind::kNoSuchFrame);
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(two, 2, image(0, 1, {})); }), Refusal::Kind::kBadSize);
  // A record that runs into the last 1,024 bytes: replacing it would change the palette.
  Bytes overlapping = SpriteBuilder().rawFrame(1, 1, Bytes(1030, 1)).build();
  overlapping.resize(overlapping.size() - kPaletteSize);
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(overlapping, 1, pixel); }),
            Refusal::Kind::kRecordInPalette);
  // A broken record before the frame is the reader's fault.
  const Bytes cut = SpriteBuilder().frameCount(2).rawFrame(4, 4, {1}, 5000).build();
  EXPECT_THROW(ReplaceFrame(cut, 2, pixel), Fault);
}

}  // namespace
}  // namespace glint::spr
