#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "spr/frame_codec.h"
#include "support/error_number.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

// Records every status text and where the yields fall, as positions in the text history.
class Recorder : public StatusAndYield {
 public:
  const std::string& StatusText() const override { return line.text(); }
  void SetStatusText(std::string text) override { line.set(std::move(text)); }
  void SetStatusTail(const std::string& prefix, std::string_view tail) override {
    line.setTail(prefix, tail);
    texts.push_back(line.text());
  }
  void Yield() override { yieldsAfter.push_back(texts.size()); }

  StatusLine line;
  std::vector<std::string> texts;
  std::vector<std::size_t> yieldsAfter;  // number of texts written before each yield
};

struct DecodeCase {
  const char* name;
  Bytes stored;
  int width;
  Bytes block;
};

TEST(DecodeFrameData, PixelBlocks) {
  const DecodeCase cases[] = {
      {"literals, two rows, one pad byte", {1, 2, 3, 4, 5, 6}, 3, {4, 5, 6, 0, 1, 2, 3, 0}},
      {"zero run inside a row", {7, 0, 2, 9}, 4, {7, 0, 0, 9}},
      {"short last piece stands first", {5, 0, 3, 7}, 2, {7, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}},
      {"run of count 0 adds nothing", {0, 0}, 4, {}},
      {"empty stored bytes", {}, 4, {}},
      {"empty stored bytes, width 0", {}, 0, {}},
      {"width 1 pads 3", {1, 2}, 1, {2, 0, 0, 0, 1, 0, 0, 0}},
      {"width 5 pads 3", {1, 2, 3, 4, 5}, 5, {1, 2, 3, 4, 5, 0, 0, 0}},
      {"width 6 pads 2", {1, 2, 3, 4, 5, 6}, 6, {1, 2, 3, 4, 5, 6, 0, 0}},
      {"width 8 pads 0", {1, 2, 3, 4, 5, 6, 7, 8}, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    Recorder window;
    EXPECT_EQ(DecodeFrameData(c.stored, c.width, window), c.block) << c.name;
  }
}

TEST(DecodeFrameData, MaximalRunExpandsTo255Zeros) {
  Recorder window;
  Bytes block = DecodeFrameData(Bytes{0, 255}, 255, window);
  EXPECT_EQ(block, Bytes(256, 0));  // 255 pixels and one pad byte
}

TEST(DecodeFrameData, WideFramesBeyondSixteenBits) {
  // 200 x 200 needs positions past 32,767: counted wide, nothing wraps.
  Bytes stored;
  for (int i = 0; i < 200 * 200 / 255; ++i) stored.insert(stored.end(), {0, 255});
  stored.insert(stored.end(), {0, static_cast<std::uint8_t>(200 * 200 % 255)});
  Recorder window;
  EXPECT_EQ(DecodeFrameData(stored, 200, window).size(), 200u * 200u);
}

TEST(DecodeFrameData, Failures) {
  Recorder window;
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              DecodeFrameData(Bytes{5, 0}, 4, window);
            }),
            err::kInvalidCall);
  EXPECT_EQ(window.line.text(), " (This bitmap 50%)");  // the token before keeps its text
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              DecodeFrameData(Bytes{1, 2}, 0, window);
            }),
            err::kInvalidCall);
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              DecodeFrameData(Bytes{1, 2}, -3, window);
            }),
            err::kInvalidCall);
}

TEST(DecodeFrameData, ProgressTextsFollowThePrefixOncePerToken) {
  Recorder window;
  window.SetStatusText("Decoding 1 of 2 bitmaps.");
  DecodeFrameData(Bytes{1, 2, 3, 4}, 4, window);
  EXPECT_EQ(window.texts, (std::vector<std::string>{
                              "Decoding 1 of 2 bitmaps. (This bitmap 25%)",
                              "Decoding 1 of 2 bitmaps. (This bitmap 50%)",
                              "Decoding 1 of 2 bitmaps. (This bitmap 75%)",
                              "Decoding 1 of 2 bitmaps. (This bitmap 100%)",
                          }));

  // A zero run is one token, its text written once, for the count byte's position.
  Recorder runs;
  DecodeFrameData(Bytes{0, 3, 1}, 4, runs);
  EXPECT_EQ(runs.texts, (std::vector<std::string>{" (This bitmap 66%)", " (This bitmap 100%)"}));

  // Empty data reads the text and leaves it.
  Recorder empty;
  empty.SetStatusText("before");
  DecodeFrameData(Bytes{}, 4, empty);
  EXPECT_EQ(empty.line.text(), "before");
  EXPECT_TRUE(empty.yieldsAfter.empty());
}

TEST(DecodeFrameData, SecondDecodeTakesTheWholeTextAsItsPrefix) {
  Recorder window;
  window.SetStatusText("S");
  DecodeFrameData(Bytes{1}, 1, window);
  DecodeFrameData(Bytes{2}, 1, window);
  EXPECT_EQ(window.line.text(), "S (This bitmap 100%) (This bitmap 100%)");
}

TEST(DecodeFrameData, PrefixRestoredWhenSomeoneElseSetsTheTextDuringAYield) {
  struct Interrupting : Recorder {
    void Yield() override { SetStatusText("other"); }
  } window;
  window.SetStatusText("P");
  Bytes stored(8, 1);
  DecodeFrameData(stored, 8, window);
  EXPECT_EQ(window.line.text(), "P (This bitmap 100%)");
}

TEST(DecodeFrameData, YieldsAtEverySeventhPosition) {
  struct Case {
    Bytes stored;
    std::vector<std::size_t> yieldsAfterToken;
  };
  Bytes run67(20, 1);
  run67[5] = 0;  // a zero run in positions 6 and 7 ends on 7
  run67[6] = 1;
  Bytes run78(20, 1);
  run78[6] = 0;  // a run in positions 7 and 8 ends on 8: no yield at 7
  run78[7] = 1;
  const Case cases[] = {
      {Bytes(20, 1), {7, 14}},
      {run67, {6, 13}},
      {run78, {13}},
  };
  for (const auto& c : cases) {
    Recorder window;
    DecodeFrameData(c.stored, 4, window);
    EXPECT_EQ(window.yieldsAfter, c.yieldsAfterToken);
  }
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
  struct Case {
    const char* name;
    Bytes stored;
    int width, height;
    Bytes fitted;
  };
  const Case cases[] = {
      {"exact frame unchanged", {1, 2, 3, 4, 5, 6}, 3, 2, {4, 5, 6, 0, 1, 2, 3, 0}},
      // 07 07 00 00 00 of a 5 x 2 frame: the top row, then index 0 below.
      {"short expansion fills the bottom right",
       {7, 7, 0, 3},
       5,
       2,
       {0, 0, 0, 0, 0, 0, 0, 0, 7, 7, 0, 0, 0, 0, 0, 0}},
      {"short piece lands at the start of its row",
       {5, 0, 3, 7},
       2,
       3,
       {7, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}},
      {"longer expansion drops what is beyond",
       {1, 2, 3, 4, 5, 6, 7, 8},
       2,
       2,
       {3, 4, 0, 0, 1, 2, 0, 0}},
      {"no data gives index 0", {}, 3, 1, {0, 0, 0, 0}},
      {"no size and no data is empty", {}, 0, 5, {}},
  };
  for (const auto& c : cases) {
    Recorder window;
    Bytes block = DecodeFrameData(c.stored, c.width, window);
    EXPECT_EQ(FitPixelBlock(block, c.width, c.height), c.fitted) << c.name;
  }
  EXPECT_EQ(testing::ErrorNumberOf([] {
              FitPixelBlock(Bytes{1, 0, 0, 0}, 1, 0);
            }),
            err::kInvalidCall);
}

}  // namespace
}  // namespace glint::spr

namespace glint::spr {
namespace {

TEST(DecodeFrameData, WithNobodyWatchingGivesTheSameBlocks) {
  for (std::uint32_t seed = 0; seed < 20; ++seed) {
    int width = 1 + static_cast<int>(seed * 7 % 40);
    Bytes stored = testing::EncodePixels(testing::MakePixels(width, 9, seed, 0.1 * (seed % 10)));
    Recorder watched;
    NoWindow quiet;
    EXPECT_EQ(DecodeFrameData(stored, width, quiet), DecodeFrameData(stored, width, watched));
  }
  NoWindow quiet;
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              DecodeFrameData(Bytes{1, 0, 2, 0}, 4, quiet);
            }),
            err::kInvalidCall);
}

}  // namespace
}  // namespace glint::spr
