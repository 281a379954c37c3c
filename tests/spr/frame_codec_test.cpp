// The frame codec: pixel blocks, progress texts and yields, the palette and the fitting step, and
// the decoder's fast paths against a plain reading of the token rules.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "spr/frame_codec.h"
#include "support/error_number.h"

namespace glint::spr {
namespace {

// Stands for the window: records every progress text and the text at each yield. A yield may
// also set another text, as a handler could; the watcher may count the text's changes, as the
// real window does.
struct Watcher : StatusAndYield {
  Watcher(std::string prefix = "", bool interrupts = false, bool counts = false)
      : interrupt(interrupts), count(counts) {
    line.set(std::move(prefix));
  }
  const std::string& StatusText() const override { return line.text(); }
  void SetStatusText(std::string text) override { line.set(std::move(text)); }
  void SetStatusTail(const std::string& prefix, std::string_view tail) override {
    line.setTail(prefix, tail);
    texts.push_back(line.text());
  }
  void Yield() override {
    atYields.push_back(line.text());
    if (interrupt) line.set("something else");
  }
  std::optional<std::uint64_t> StatusRevision() const override {
    return count ? std::optional(line.revision()) : std::nullopt;
  }

  bool interrupt, count;
  StatusLine line;
  std::vector<std::string> texts, atYields;
};

TEST(DecodeFrameData, PixelBlocksAndFailures) {
  const struct {
    const char* name;
    Bytes stored;
    int width;
    Bytes block;
    int error = 0;
  } cases[] = {
      {"literals, two rows, one pad byte", {1, 2, 3, 4, 5, 6}, 3, {4, 5, 6, 0, 1, 2, 3, 0}},
      {"zero run inside a row", {7, 0, 2, 9}, 4, {7, 0, 0, 9}},
      {"short last piece stands first", {5, 0, 3, 7}, 2, {7, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}},
      {"run of count 0 adds nothing", {0, 0}, 4, {}},
      {"maximal run and one pad byte", {0, 255}, 255, Bytes(256, 0)},
      {"empty stored bytes, width 0", {}, 0, {}},
      {"width 1 pads 3", {1, 2}, 1, {2, 0, 0, 0, 1, 0, 0, 0}},
      {"width 5 pads 3", {1, 2, 3, 4, 5}, 5, {1, 2, 3, 4, 5, 0, 0, 0}},
      {"width 6 pads 2", {1, 2, 3, 4, 5, 6}, 6, {1, 2, 3, 4, 5, 6, 0, 0}},
      {"width 7 pads 1", {1, 2, 3, 4, 5, 6, 7}, 7, {1, 2, 3, 4, 5, 6, 7, 0}},
      {"width 8 pads 0", {1, 2, 3, 4, 5, 6, 7, 8}, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"zero run cut short", {5, 0}, 4, {}, err::kInvalidCall},
      {"pixels but width 0", {1, 2}, 0, {}, err::kInvalidCall},
      {"pixels but width -3", {1, 2}, -3, {}, err::kInvalidCall},
  };
  for (const auto& c : cases) {
    Watcher window;
    Bytes block;
    EXPECT_EQ(testing::ErrorNumberOf([&] { block = DecodeFrameData(c.stored, c.width, window); }),
              c.error)
        << c.name;
    EXPECT_EQ(block, c.block) << c.name;
  }
}

TEST(DecodeFrameData, ProgressTextsOncePerTokenAfterThePrefix) {
  const std::string p = "Decoding 1 of 2 bitmaps.", t = p + " (This bitmap ";
  const struct {
    std::string prefix;
    Bytes stored;
    std::vector<std::string> texts;
  } cases[] = {
      {p, {1, 2, 3, 4}, {t + "25%)", t + "50%)", t + "75%)", t + "100%)"}},
      // A zero run is one token, written once, for its count byte's position.
      {"", {0, 3, 1}, {" (This bitmap 66%)", " (This bitmap 100%)"}},
  };
  for (const auto& c : cases) {
    Watcher window;
    window.SetStatusText(c.prefix);
    DecodeFrameData(c.stored, 4, window);
    EXPECT_EQ(window.texts, c.texts);
    EXPECT_EQ(window.line.text(), c.texts.empty() ? c.prefix : c.texts.back());
  }
  // The next frame's decode takes the whole text as its prefix: Save Multiple's line grows.
  Watcher window;
  window.SetStatusText("S");
  DecodeFrameData(Bytes{1}, 1, window);
  DecodeFrameData(Bytes{2}, 1, window);
  EXPECT_EQ(window.line.text(), "S (This bitmap 100%) (This bitmap 100%)");
}

TEST(ConvertPalette, SwapsRedAndBlueAndClearsTheFourthByte) {
  Bytes stored(1024, 0);
  stored[0] = 0x10, stored[1] = 0x20, stored[2] = 0x30, stored[3] = 0x40;
  stored[1020] = 1, stored[1021] = 2, stored[1022] = 3, stored[1023] = 4;
  Bytes table = ConvertPalette(stored);
  ASSERT_EQ(table.size(), 1024u);
  EXPECT_EQ(Bytes(table.begin(), table.begin() + 4), (Bytes{0x30, 0x20, 0x10, 0}));
  EXPECT_EQ(Bytes(table.end() - 4, table.end()), (Bytes{3, 2, 1, 0}));
  EXPECT_EQ(ConvertPalette(Bytes(1026, 7)).size(), 1027u);  // a short last entry
}

TEST(FitPixelBlock, FitsTheExpansionToTheFrame) {
  const struct {
    const char* name;
    Bytes stored;
    int width, height;
    Bytes fitted;
    int error = 0;
  } cases[] = {
      {"exact frame unchanged", {1, 2, 3, 4, 5, 6}, 3, 2, {4, 5, 6, 0, 1, 2, 3, 0}},
      // 07 07 00 00 00 of a 5 x 2 frame: the top row, then index 0 below.
      {"short expansion", {7, 7, 0, 3}, 5, 2, {0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0, 0, 0}},
      {"short piece starts its row", {5, 0, 3, 7}, 2, 3, {7, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}},
      {"long expansion cut", {1, 2, 3, 4, 5, 6, 7, 8}, 2, 2, {3, 4, 0, 0, 1, 2, 0, 0}},
      {"no data gives index 0", {}, 3, 1, {0, 0, 0, 0}},
      {"no size and no data is empty", {}, 0, 5, {}},
      {"pixels but no height", {1}, 1, 0, {}, err::kInvalidCall},
  };
  for (const auto& c : cases) {
    Watcher window;
    const Bytes block = DecodeFrameData(c.stored, c.width, window);
    Bytes fitted;
    EXPECT_EQ(testing::ErrorNumberOf([&] { fitted = FitPixelBlock(block, c.width, c.height); }),
              c.error);
    EXPECT_EQ(fitted, c.fitted) << c.name;
  }
}

const std::string kPrefix = "Decoding 2 of 3 bitmaps.";

struct Reference {
  Bytes block;
  int error = 0;
  std::vector<std::string> textsAtYields;
  std::string lastText = kPrefix;  // at the end, or at the failure
  bool endsOnAYield = false;       // the last whole token ended on a seventh position
};

// Token by token, as the format reads; rows reversed and padded.
Reference decodeByTheRules(const Bytes& stored, std::size_t width) {
  Reference r;
  Bytes pixels;
  for (std::size_t i = 1; i <= stored.size(); ++i) {
    if (stored[i - 1] != 0) {
      pixels.push_back(stored[i - 1]);
    } else if (++i > stored.size()) {
      r.error = err::kInvalidCall;
      return r;
    } else {
      pixels.insert(pixels.end(), stored[i - 1], 0);
    }
    const double share = static_cast<double>(i) / static_cast<double>(stored.size());
    r.lastText = kPrefix + " (This bitmap " + std::to_string(int(std::floor(share * 100))) + "%)";
    r.endsOnAYield = i % 7 == 0;
    if (r.endsOnAYield) r.textsAtYields.push_back(r.lastText);
  }
  for (std::size_t row = (pixels.size() + width - 1) / width; row-- > 0;) {
    for (std::size_t x = row * width; x < std::min(pixels.size(), row * width + width); ++x)
      r.block.push_back(pixels[x]);
    r.block.insert(r.block.end(), std::size_t(PadCount(std::int64_t(width))), 0);
  }
  return r;
}

// Token streams of every kind the fast paths treat apart: long and short literal spans, runs of
// 0 to 255, spans across the 16-byte pieces and the middle of the data, and a run cut short.
Bytes randomTokens(std::mt19937& random, std::size_t tokens, double runShare, bool cutShort) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> literal(1, 255), count(0, 255), shortCount(0, 20);
  Bytes stored;
  for (std::size_t t = 0; t < tokens; ++t) {
    if (unit(random) >= runShare) {
      stored.push_back(static_cast<std::uint8_t>(literal(random)));
    } else {
      stored.push_back(0);
      stored.push_back(std::uint8_t(unit(random) < 0.5 ? shortCount(random) : count(random)));
    }
  }
  if (cutShort) stored.push_back(0);
  return stored;
}

TEST(DecodeFrameData, FastPathsFollowTheTokenRules) {
  const std::pair<std::size_t, double> shapes[] = {
      // tokens, share of zero runs
      {0, 0.5},   {1, 1.0},    {17, 0.0},   {40, 0.3},   {255, 0.1},
      {300, 0.0}, {600, 0.05}, {900, 0.15}, {2000, 0.5}, {4000, 0.9}};
  std::mt19937 random(2024);
  for (const auto& [tokens, runShare] : shapes) {
    for (int variant = 0; variant < 12; ++variant) {
      const std::size_t width = 1 + std::size_t(variant) * 37 % 130;
      const Bytes stored = randomTokens(random, tokens, runShare, variant % 4 == 3);
      SCOPED_TRACE("tokens " + std::to_string(tokens) + ", variant " + std::to_string(variant));
      const Reference expected = decodeByTheRules(stored, width);
      auto decodes = [&](StatusAndYield& window) {
        Bytes block;
        EXPECT_EQ(testing::ErrorNumberOf([&] { block = DecodeFrameData(stored, width, window); }),
                  expected.error);
        EXPECT_EQ(block, expected.block);
      };
      NoWindow quiet;
      decodes(quiet);
      for (int kind = 0; kind < 4; ++kind) {
        Watcher watcher(kPrefix, kind & 1, kind & 2);
        decodes(watcher);
        EXPECT_EQ(watcher.atYields, expected.textsAtYields);
        // The text ends in the last whole token's progress, unless a yield came after it.
        EXPECT_EQ(watcher.StatusText(), watcher.interrupt && expected.endsOnAYield
                                            ? "something else"
                                            : expected.lastText);
      }
    }
  }
}

}  // namespace
}  // namespace glint::spr
