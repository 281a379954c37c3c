// The decoder's fast paths against a plain reading of the token rules: the same pixel block or
// the same error whoever watches, and for a watched decode the status text and the yields where
// the window can see them.
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

struct Reference {
  std::optional<Bytes> block;  // nullopt: a zero run cut short
  // What the text ends in at each yield, and at the end (or at the failure).
  std::vector<std::string> textsAtYields;
  std::string lastText;
  bool endsOnAYield = false;  // the last whole token ended on a seventh position
};

std::string progress(std::size_t position, std::size_t length) {
  int percent = static_cast<int>(
      std::floor(static_cast<double>(position) / static_cast<double>(length) * 100.0));
  return " (This bitmap " + std::to_string(percent) + "%)";
}

// Token by token, as the format reads; rows reversed and padded.
Reference decodeByTheRules(const Bytes& stored, int width) {
  Reference r;
  Bytes pixels;
  for (std::size_t i = 1; i <= stored.size(); ++i) {
    if (stored[i - 1] != 0) {
      pixels.push_back(stored[i - 1]);
    } else if (++i > stored.size()) {
      return r;
    } else {
      pixels.insert(pixels.end(), stored[i - 1], 0);
    }
    r.lastText = progress(i, stored.size());
    r.endsOnAYield = i % 7 == 0;
    if (r.endsOnAYield) r.textsAtYields.push_back(r.lastText);
  }
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t pad = static_cast<std::size_t>(PadCount(width));
  Bytes block;
  for (std::size_t row = (pixels.size() + w - 1) / w; row-- > 0;) {
    auto begin = pixels.begin() + static_cast<std::ptrdiff_t>(row * w);
    auto end = pixels.begin() + static_cast<std::ptrdiff_t>(std::min(pixels.size(), row * w + w));
    block.insert(block.end(), begin, end);
    block.insert(block.end(), pad, 0);
  }
  r.block = block;
  return r;
}

// Notes the text at each yield; a yield may also set another text, as a handler could. It may
// keep count of the text's changes, as the real window does.
class Watcher : public StatusAndYield {
 public:
  Watcher(bool interrupt, bool counts) : interrupt_(interrupt), counts_(counts) {}
  const std::string& StatusText() const override { return line_.text(); }
  void SetStatusText(std::string text) override { line_.set(std::move(text)); }
  void SetStatusTail(const std::string& prefix, std::string_view tail) override {
    line_.setTail(prefix, tail);
  }
  void Yield() override {
    textsAtYields.push_back(line_.text());
    if (interrupt_) line_.set("something else");
  }
  std::optional<std::uint64_t> StatusRevision() const override {
    if (!counts_) return std::nullopt;
    return line_.revision();
  }
  bool interrupts() const { return interrupt_; }
  std::vector<std::string> textsAtYields;

 private:
  StatusLine line_;
  bool interrupt_, counts_;
};

// Token streams of every kind the fast paths treat apart: long and short literal spans, runs of
// 0 to 255, spans across the 16-byte pieces and the middle of the data, and a run cut short.
Bytes randomTokens(std::mt19937& random, std::size_t tokens, double runShare, bool cutShort) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> literal(1, 255), count(0, 255), shortCount(0, 20);
  Bytes stored;
  for (std::size_t t = 0; t < tokens; ++t) {
    if (unit(random) < runShare) {
      stored.push_back(0);
      stored.push_back(
          static_cast<std::uint8_t>(unit(random) < 0.5 ? shortCount(random) : count(random)));
    } else {
      stored.push_back(static_cast<std::uint8_t>(literal(random)));
    }
  }
  if (cutShort) stored.push_back(0);
  return stored;
}

TEST(DecodeFrameData, FastPathsFollowTheTokenRules) {
  const struct {
    std::size_t tokens;
    double runShare;
  } shapes[] = {{0, 0.5},   {1, 1.0},    {17, 0.0},   {40, 0.3},   {255, 0.1},
                {300, 0.0}, {600, 0.05}, {900, 0.15}, {2000, 0.5}, {4000, 0.9}};
  std::mt19937 random(2024);
  for (const auto& shape : shapes) {
    for (int variant = 0; variant < 12; ++variant) {
      const bool cutShort = variant % 4 == 3;
      const int width = 1 + variant * 37 % 130;
      Bytes stored = randomTokens(random, shape.tokens, shape.runShare, cutShort);
      SCOPED_TRACE("tokens " + std::to_string(shape.tokens) + ", variant " +
                   std::to_string(variant));
      const Reference expected = decodeByTheRules(stored, width);

      NoWindow quiet;
      Watcher watchers[] = {{false, false}, {true, false}, {false, true}, {true, true}};
      for (StatusAndYield* window : std::initializer_list<StatusAndYield*>{
               &quiet, &watchers[0], &watchers[1], &watchers[2], &watchers[3]}) {
        if (expected.block) {
          EXPECT_EQ(DecodeFrameData(stored, width, *window), *expected.block);
        } else {
          EXPECT_EQ(testing::ErrorNumberOf([&] { DecodeFrameData(stored, width, *window); }),
                    err::kInvalidCall);
        }
      }
      for (const Watcher& watcher : watchers) {
        EXPECT_EQ(watcher.textsAtYields, expected.textsAtYields);
        // The text ends in the last whole token's progress, unless a yield came after it.
        EXPECT_EQ(watcher.StatusText(), watcher.interrupts() && expected.endsOnAYield
                                            ? "something else"
                                            : expected.lastText);
      }
    }
  }
}

}  // namespace
}  // namespace glint::spr
