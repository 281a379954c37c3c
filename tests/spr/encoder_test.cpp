// Writing sprite files: canonical stored bytes, the limits, and the round trips through the
// reader over generated sprites.
#include <gtest/gtest.h>

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
      {"too many pixels", image(32767, 128, zeros(32767 * 128)), {}, Refusal::Kind::kTooManyPixels},
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

  EXPECT_EQ(refusalOf([] { EncodeHeader(32768); }), Refusal::Kind::kTooManyFrames);
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

TEST(EncodeSprite, DecodesBackAndIsStable) {
  std::mt19937 random(77);
  for (int round = 0; round < 40; ++round) {
    std::vector<IndexedImage> frames;
    for (int k = 0; k < 1 + round % 6; ++k) frames.push_back(randomImage(random));
    const Palette palette = testing::DistinctPalette();
    const Bytes file = EncodeSprite(frames, palette);
    // The reader's view: the same frames; the palette's colours with reserved bytes 0.
    MemoryBytes source(file);
    SprReader reader(source);
    Palette read{};
    ASSERT_EQ(reader.open(read), static_cast<int>(frames.size()));
    for (std::size_t k = 0; k < frames.size(); ++k) {
      const IndexedImage decoded = *DecodeFrameData(reader.readFrame());
      EXPECT_EQ(std::tuple(decoded.width, decoded.height, decoded.pixels),
                std::tuple(frames[k].width, frames[k].height, frames[k].pixels));
      // The test builder's plain encoder agrees byte for byte.
      EXPECT_EQ(EncodeFrameData(frames[k]), testing::EncodePixels(frames[k].pixels));
      EXPECT_EQ(ReplaceFrame(file, static_cast<int>(k + 1), decoded), file);
    }
    for (std::size_t k = 0; k < kPaletteSize; ++k)
      EXPECT_EQ(read[k], k % 4 == 3 ? 0 : palette[k]) << k;
  }
}

TEST(ReplaceFrame, ChangesOneRecordAndRefusesWhatItCannot) {
  // Stored bytes no writer of ours makes (runs of 0 and of 1, a short expansion), and a gap.
  const Bytes odd{0, 0, 7, 0, 1, 0, 1, 9}, gap{1, 2, 3};
  const Bytes file = SpriteBuilder().rawFrame(4, 3, odd).frame(2, 1, {5, 6}).gap(gap).build();
  const IndexedImage other = image(3, 1, {0, 0, 4});
  EXPECT_EQ(ReplaceFrame(file, 2, other),
            SpriteBuilder().rawFrame(4, 3, odd).frame(3, 1, {0, 0, 4}).gap(gap).build());
  EXPECT_EQ(ReplaceFrame(file, 1, other),
            SpriteBuilder().frame(3, 1, {0, 0, 4}).frame(2, 1, {5, 6}).gap(gap).build());

  const IndexedImage pixel = image(1, 1, {3});
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(file, 0, pixel); }), Refusal::Kind::kNoSuchFrame);
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(file, 3, pixel); }), Refusal::Kind::kNoSuchFrame);
  EXPECT_EQ(refusalOf([&] { ReplaceFrame(file, 2, image(0, 1, {})); }), Refusal::Kind::kBadSize);
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
