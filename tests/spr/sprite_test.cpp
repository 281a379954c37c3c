// Reading sprite files and decoding their frames: records, faults, images, progress and yields,
// and the decoder's fast paths against a plain reading of the token rules.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "spr/sprite.h"
#include "support/sprite_builder.h"

namespace glint::spr {
namespace {

using testing::SpriteBuilder;
using Kind = Fault::Kind;

// Stands for the window: records every progress text and the text at each yield. A yield may
// also set another text, as a handler could; the watcher may know whether its text survived.
struct Watcher : DecodeProgress {
  explicit Watcher(std::string start = "", bool interrupts = false, bool knows = false)
      : prefix(start), interrupt(interrupts), know(knows), text(std::move(start)) {}
  void show(std::string_view progress) override {
    text = prefix + std::string(progress);
    texts.push_back(text);
    overwritten = false;
  }
  void yield() override {
    atYields.push_back(text);
    if (interrupt) text = "something else", overwritten = true;
  }
  bool stillShown() const override { return know && !overwritten; }

  std::string prefix;
  bool interrupt, know, overwritten = false;
  std::string text;
  std::vector<std::string> texts, atYields;
};

std::optional<Kind> faultOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Fault& f) {
    return f.kind();
  }
  return std::nullopt;
}

FrameRecord record(int width, int height, Bytes stored) {
  FrameRecord r;
  r.number = 4;
  r.width = static_cast<std::int16_t>(width);
  r.height = static_cast<std::int16_t>(height);
  r.storedLength = static_cast<std::uint16_t>(stored.size());
  r.stored = std::move(stored);
  return r;
}

TEST(SprReader, SignaturesCountsRecordsAndThePaletteFromTheEnd) {
  const std::pair<std::array<std::uint8_t, 4>, bool> signatures[] = {
      {{0x53, 0x50, 0x01, 0x02}, true},
      {{0x53, 0x50, 0x00, 0x02}, false},
      {{0x53, 0x50, 0x02, 0x01}, false},
      {{0x53, 0x51, 0x01, 0x02}, false},
  };
  for (const auto& [bytes, accepted] : signatures) {
    const Bytes file = SpriteBuilder().signature(bytes).build();
    MemoryBytes source(file);
    EXPECT_EQ(SprReader(source).readSignature(), accepted);
  }
  for (auto [stored, read] :
       {std::pair<std::uint16_t, int>{3, 3}, {0, 0}, {0x8000, -32768}, {0xFFFF, -1}}) {
    const Bytes file = SpriteBuilder().frameCount(stored).build();
    MemoryBytes source(file);
    EXPECT_EQ(SprReader(source).readFrameCount(), read);
  }

  const Bytes big(40000, 1);  // a stored length above 32,767 is read unsigned
  const Bytes file =
      SpriteBuilder().rawFrame(200, 200, big).rawFrame(1, 1, {9}).trailing({0xAA, 0xBB}).build();
  MemoryBytes source(file);
  SprReader reader(source);
  Palette palette{};
  EXPECT_EQ(reader.open(palette), 2);
  // Trailing bytes shift the palette: the last 1,024 bytes are read, whatever they are.
  EXPECT_EQ(Bytes(palette.end() - 3, palette.end()), (Bytes{0x40, 0xAA, 0xBB}));
  const FrameRecord first = reader.readFrame();
  EXPECT_EQ(std::tuple(first.number, first.offset, first.width, first.height, first.storedLength),
            std::tuple(1, 8, 200, 200, 40000));
  EXPECT_EQ(first.stored, big);
  const FrameRecord second = reader.readFrame();
  EXPECT_EQ(std::tuple(second.number, second.offset, second.stored),
            std::tuple(2, 40014, Bytes{9}));
}

TEST(SprReader, FaultsSayWhichAndWhere) {
  const struct {
    Bytes file;
    Kind kind;
    int frame;
  } cases[] = {
      {Bytes(1000, 0), Kind::kShortFile, 0},
      {SpriteBuilder().signature({1, 2, 3, 4}).build(), Kind::kWrongSignature, 0},
      {SpriteBuilder().frameCount(0x8000).build(), Kind::kNegativeCount, 0},
      {SpriteBuilder().frame(1, 1, {1}).rawFrame(32767, 32767, {1, 2}).build(),
       Kind::kTooManyPixels, 2},
      // The stored length runs past the end of the file: the missing bytes are never made up.
      {SpriteBuilder().rawFrame(4, 4, {1, 2}, 5000).build(), Kind::kRecordCutShort, 1},
      // So does a record the count claims, read from the palette's bytes.
      {SpriteBuilder().frameCount(1).build(), Kind::kRecordCutShort, 1},
  };
  for (const auto& c : cases) {
    MemoryBytes source(c.file);
    SprReader reader(source);
    try {
      Palette palette{};
      const int count = reader.open(palette);
      for (int k = 0; k < count; ++k) reader.readFrame();
      ADD_FAILURE() << "no fault";
    } catch (const Fault& f) {
      EXPECT_EQ(std::tuple(f.kind(), f.frame()), std::tuple(c.kind, c.frame));
    }
  }
}

TEST(DecodeFrameData, ImagesAndFaults) {
  const struct {
    const char* name;
    Bytes stored;
    int width, height;
    std::optional<Bytes> pixels;
    std::optional<Kind> fault = std::nullopt;
  } cases[] = {
      {"literals, two rows", {1, 2, 3, 4, 5, 6}, 3, 2, Bytes{1, 2, 3, 4, 5, 6}},
      {"zero run inside a row", {7, 0, 2, 9}, 4, 1, Bytes{7, 0, 0, 9}},
      {"short expansion: index 0 at the bottom right",
       {7, 7, 0, 3},
       5,
       2,
       Bytes{7, 7, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"long expansion cut", {1, 2, 3, 4, 5, 6, 7, 8}, 2, 2, Bytes{1, 2, 3, 4}},
      {"maximal run",
       {0, 255, 3},
       256,
       1,
       [] {
         Bytes b(256, 0);
         b[255] = 3;
         return b;
       }()},
      {"no data gives index 0", {}, 3, 1, Bytes{0, 0, 0}},
      {"no size and no data is empty", {}, 0, 5, std::nullopt},
      {"a run of count 0 adds nothing", {0, 0}, -3, 2, std::nullopt},
      {"zero run cut short", {5, 0}, 4, 1, std::nullopt, Kind::kZeroRunCutShort},
      {"a cut run before a missing size", {5, 0}, 0, 1, std::nullopt, Kind::kZeroRunCutShort},
      {"pixels but width 0", {1, 2}, 0, 3, std::nullopt, Kind::kPixelsWithoutSize},
      {"pixels but height -1", {1}, 1, -1, std::nullopt, Kind::kPixelsWithoutSize},
  };
  for (const auto& c : cases) {
    std::optional<IndexedImage> image;
    EXPECT_EQ(faultOf([&] { image = DecodeFrameData(record(c.width, c.height, c.stored)); }),
              c.fault)
        << c.name;
    ASSERT_EQ(image.has_value(), c.pixels.has_value()) << c.name;
    if (image) {
      EXPECT_EQ(std::tuple(image->width, image->height, image->pixels),
                std::tuple(c.width, c.height, *c.pixels))
          << c.name;
    }
  }
}

TEST(ReadFramesWithPixels, KeepsSizedFramesAndDecodesTheOthers) {
  const Bytes good =
      SpriteBuilder().frame(2, 1, {1, 2}).rawFrame(0, 0, {}).frame(1, 1, {3}).build();
  MemoryBytes source(good);
  SprReader reader(source);
  Palette palette{};
  const auto frames = ReadFramesWithPixels(reader, reader.open(palette));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(std::tuple(frames[0].number, frames[1].number), std::tuple(1, 3));
  // By headers alone, the bytes are read again when asked for.
  SprReader headersOnly(source);
  auto headers = ReadFramesWithPixels(headersOnly, headersOnly.open(palette), false);
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_TRUE(headers[1].stored.empty());
  headersOnly.readStored(headers[1]);
  EXPECT_EQ(headers[1].stored, frames[1].stored);

  for (bool keep : {true, false}) {
    const Bytes broken = SpriteBuilder().frame(2, 1, {1, 2}).rawFrame(0, 4, {1}).build();
    MemoryBytes brokenSource(broken);
    SprReader brokenReader(brokenSource);
    EXPECT_EQ(
        faultOf([&] { ReadFramesWithPixels(brokenReader, brokenReader.open(palette), keep); }),
        Kind::kPixelsWithoutSize);
    // A record longer than the file is cut short before any byte of it is kept.
    const Bytes cut = SpriteBuilder().rawFrame(2, 1, {1, 2}, 2000).build();
    MemoryBytes cutSource(cut);
    SprReader cutReader(cutSource);
    EXPECT_EQ(faultOf([&] { ReadFramesWithPixels(cutReader, cutReader.open(palette), keep); }),
              Kind::kRecordCutShort);
  }
}

const std::string kPrefix = "Decoding 2 of 3 bitmaps.";

struct Reference {
  Bytes pixels;
  bool cut = false;
  std::vector<std::string> textsAtYields;
  std::string lastText = kPrefix;  // at the end, or at the failure
  bool endsOnAYield = false;       // the last whole token ended on a seventh position
};

// Token by token, as the format reads.
Reference decodeByTheRules(const Bytes& stored) {
  Reference r;
  for (std::size_t i = 1; i <= stored.size(); ++i) {
    if (stored[i - 1] != 0) {
      r.pixels.push_back(stored[i - 1]);
    } else if (++i > stored.size()) {
      r.cut = true;
      return r;
    } else {
      r.pixels.insert(r.pixels.end(), stored[i - 1], 0);
    }
    const double share = static_cast<double>(i) / static_cast<double>(stored.size());
    r.lastText = kPrefix + " (This bitmap " + std::to_string(int(std::floor(share * 100))) + "%)";
    r.endsOnAYield = i % 7 == 0;
    if (r.endsOnAYield) r.textsAtYields.push_back(r.lastText);
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

TEST(DecodeFrameData, FastPathsAndProgressFollowTheTokenRules) {
  const std::pair<std::size_t, double> shapes[] = {
      // tokens, share of zero runs
      {0, 0.5},   {1, 1.0},    {17, 0.0},   {40, 0.3},   {255, 0.1},
      {300, 0.0}, {600, 0.05}, {900, 0.15}, {2000, 0.5}, {4000, 0.9}};
  std::mt19937 random(2024);
  for (const auto& [tokens, runShare] : shapes) {
    for (int variant = 0; variant < 12; ++variant) {
      const int width = 1 + variant * 37 % 130;
      const FrameRecord frame = record(width, 1 + variant % 5 * 20,
                                       randomTokens(random, tokens, runShare, variant % 4 == 3));
      SCOPED_TRACE("tokens " + std::to_string(tokens) + ", variant " + std::to_string(variant));
      const Reference expected = decodeByTheRules(frame.stored);
      Bytes wanted = expected.pixels;
      wanted.resize(std::size_t(frame.width) * std::size_t(frame.height), 0);
      auto decodes = [&](DecodeProgress* progress) {
        std::optional<IndexedImage> image;
        EXPECT_EQ(faultOf([&] { image = DecodeFrameData(frame, progress); }),
                  expected.cut ? std::optional(Kind::kZeroRunCutShort) : std::nullopt);
        if (!expected.cut) {
          EXPECT_EQ(image->pixels, wanted);
        }
      };
      decodes(nullptr);
      for (int kind = 0; kind < 4; ++kind) {
        Watcher watcher(kPrefix, kind & 1, kind & 2);
        decodes(&watcher);
        EXPECT_EQ(watcher.atYields, expected.textsAtYields);
        // The text ends in the last whole token's progress, unless a yield came after it.
        EXPECT_EQ(watcher.text, watcher.interrupt && expected.endsOnAYield ? "something else"
                                                                           : expected.lastText);
      }
    }
  }
}

TEST(DecodeFrameData, ProgressTextsOncePerTokenAfterThePrefix) {
  const std::string t = kPrefix + " (This bitmap ";
  const struct {
    Bytes stored;
    std::vector<std::string> texts;
  } cases[] = {
      {{1, 2, 3, 4}, {t + "25%)", t + "50%)", t + "75%)", t + "100%)"}},
      // A zero run is one token, written once, for its count byte's position.
      {{0, 3, 1}, {t + "66%)", t + "100%)"}},
  };
  for (const auto& c : cases) {
    Watcher watcher(kPrefix);
    DecodeFrameData(record(4, 1, c.stored), &watcher);
    EXPECT_EQ(watcher.texts, c.texts);
  }
}

}  // namespace
}  // namespace glint::spr
