// A decode's progress as the window shows it: the status text after each token and the yields.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/sprite_builder.h"
#include "window/decode_progress.h"

namespace glint {
namespace {

using testing::Bytes;

// Stands for the window: records the text at each yield. A yield may also set another text, as a
// handler could; the window may count the line's changes, so the decode can tell its text stayed.
struct Watcher : StatusAndYield {
  const std::string& StatusText() const override { return line.text(); }
  void SetStatusText(std::string text) override { line.set(std::move(text)); }
  void SetStatusTail(const std::string& prefix, std::string_view tail) override {
    line.setTail(prefix, tail);
  }
  void Yield() override {
    atYields.push_back(line.text());
    if (interrupts) line.set("something else");
  }
  std::optional<std::uint64_t> StatusRevision() const override {
    return counts ? std::optional(line.revision()) : std::nullopt;
  }
  bool interrupts = false, counts = false;
  StatusLine line;
  std::vector<std::string> atYields;
};

// After each token its progress, the share of stored bytes read rounded down; a yield after each
// token that ends on a seventh byte; nothing past a run cut short.
TEST(DecodeProgress, ShowsEachTokensShareAndYieldsOnEverySeventhByte) {
  std::vector<Bytes> streams = {{}, {5}, {0}, {0, 3, 0}, {1, 2, 3, 4, 5, 0, 9, 8}, Bytes(200, 1)};
  std::mt19937 random(7);
  for (std::size_t tokens : {3, 17, 40, 300, 2000, 4000})
    for (int variant = 0; variant < 4; ++variant)
      streams.push_back(testing::RandomTokens(random, tokens, 0.3 * variant, variant == 3));
  const std::string prefix = "Decoding 2 of 3 bitmaps.";
  for (const Bytes& stored : streams) {
    std::vector<std::string> atYields;
    std::string last = prefix;
    bool endsOnAYield = false;  // the last whole token
    for (std::size_t i = 1; i <= stored.size(); ++i) {
      if (stored[i - 1] == 0 && ++i > stored.size()) break;
      const double share = static_cast<double>(i) / static_cast<double>(stored.size());
      last = prefix + " (This bitmap " + std::to_string(int(std::floor(share * 100))) + "%)";
      endsOnAYield = i % 7 == 0;
      if (endsOnAYield) atYields.push_back(last);
    }
    for (int kind = 0; kind < 4; ++kind) {
      SCOPED_TRACE(std::to_string(stored.size()) + " bytes, kind " + std::to_string(kind));
      Watcher w;
      std::tie(w.interrupts, w.counts) = std::pair(kind & 1, kind & 2);
      w.line.set(prefix);
      ShowDecodeProgress(stored, w);
      EXPECT_EQ(w.atYields, atYields);
      // The text ends in the last whole token's progress, unless a yield came after it.
      EXPECT_EQ(w.line.text(), w.interrupts && endsOnAYield ? "something else" : last);
    }
  }
}

}  // namespace
}  // namespace glint
