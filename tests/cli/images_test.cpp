#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/gif_writer.h"
#include "cli/ordered_runner.h"
#include "cli/sheet.h"
#include "cli_support.h"
#include "decoders.h"

namespace glint::testing {
namespace {

struct Frame {
  int width, height;
  Bytes pixels;
};

// Frames of mixed sizes with no index 0 inside, so that every 0 read back is background.
std::vector<Frame> MixedFrames() {
  std::vector<Frame> frames;
  int sizes[][2] = {{6, 4}, {3, 9}, {10, 2}, {1, 1}, {7, 7}};
  std::uint8_t colour = 10;
  for (auto& s : sizes) {
    Bytes pixels(static_cast<std::size_t>(s[0] * s[1]));
    for (auto& p : pixels) p = colour++;
    frames.push_back({s[0], s[1], pixels});
  }
  return frames;
}

std::string WriteMixed(const TempDir& dir, bool withEmpty) {
  SpriteBuilder b;
  auto frames = MixedFrames();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (withEmpty && i == 2) b.rawFrame(0, 0, {});  // takes no cell and no GIF image
    b.frame(frames[i].width, frames[i].height, frames[i].pixels);
  }
  return b.write(dir.file("m.spr"));
}

TEST(Sheet, FramesSitAtTheirCellsTopLeft) {
  struct Case {
    std::vector<std::string> extra;
    int columns, rows;
  } cases[] = {{{}, 3, 2}, {{"--columns", "2"}, 2, 3}, {{"--columns", "9"}, 9, 1}};
  for (const Case& c : cases) {
    TempDir dir;
    std::vector<std::string> args{"sheet", WriteMixed(dir, true), "-o", dir.file("s.png")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    CliRun run = Sprconv(args);
    ASSERT_EQ(run.status, 0) << run.err;

    DecodedPng png = ReadPng(dir.file("s.png"));
    const int cellW = 10, cellH = 9;
    ASSERT_EQ(png.width, c.columns * cellW);
    ASSERT_EQ(png.height, c.rows * cellH);
    EXPECT_TRUE(png.alpha.empty());
    auto frames = MixedFrames();
    Bytes expected(png.pixels.size(), 0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      int x0 = static_cast<int>(i) % c.columns * cellW,
          y0 = static_cast<int>(i) / c.columns * cellH;
      for (int y = 0; y < frames[i].height; ++y)
        for (int x = 0; x < frames[i].width; ++x)
          expected[static_cast<std::size_t>((y0 + y) * png.width + x0 + x)] =
              frames[i].pixels[static_cast<std::size_t>(y * frames[i].width + x)];
    }
    EXPECT_EQ(png.pixels, expected);
  }
}

TEST(Sheet, DefaultColumnsMakeASquare) {
  std::pair<std::size_t, int> cases[] = {{1, 1}, {2, 2},  {4, 2},   {5, 3},
                                         {9, 3}, {10, 4}, {600, 25}};
  for (auto [count, columns] : cases) EXPECT_EQ(cli::SquareColumns(count), columns) << count;
}

TEST(SheetAndGif, TransparentMarksIndexZero) {
  TempDir dir;
  std::string sprite = WriteMixed(dir, false);
  ASSERT_EQ(Sprconv({"sheet", sprite, "-o", dir.file("t.png"), "--transparent"}).status, 0);
  EXPECT_EQ(ReadPng(dir.file("t.png")).alpha, Bytes{0});
  ASSERT_EQ(Sprconv({"gif", sprite, "-o", dir.file("t.gif"), "--transparent"}).status, 0);
  for (const auto& f : ReadGif(dir.file("t.gif")).frames) {
    EXPECT_EQ(f.transparent, 0);
    EXPECT_EQ(f.delay, 10);  // the default 100 ms
  }
}

TEST(Gif, AnimatesEveryFrameWithPixelsCentred) {
  TempDir dir;
  CliRun run = Sprconv({"gif", WriteMixed(dir, true), "-o", dir.file("a.gif"), "--delay", "125"});
  ASSERT_EQ(run.status, 0) << run.err;
  DecodedGif gif = ReadGif(dir.file("a.gif"));
  EXPECT_EQ(gif.version, "89a");
  EXPECT_TRUE(gif.loopsForever);
  EXPECT_EQ(gif.width, 10);
  EXPECT_EQ(gif.height, 9);
  EXPECT_EQ(gif.background, 0);
  auto palette = DistinctPalette();
  ASSERT_EQ(gif.colours.size(), 256u);
  EXPECT_EQ(gif.colours[200],
            (std::array<std::uint8_t, 3>{palette[800], palette[801], palette[802]}));

  auto frames = MixedFrames();
  ASSERT_EQ(gif.frames.size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const DecodedGifFrame& f = gif.frames[i];
    EXPECT_EQ(f.width, frames[i].width);
    EXPECT_EQ(f.height, frames[i].height);
    EXPECT_EQ(f.left, (10 - frames[i].width) / 2);
    EXPECT_EQ(f.top, (9 - frames[i].height) / 2);
    EXPECT_EQ(f.delay, 13);
    EXPECT_EQ(f.disposal, 2);  // back to the background: nothing ghosts
    EXPECT_EQ(f.transparent, -1);
    EXPECT_EQ(f.pixels, frames[i].pixels);
  }
}

TEST(Gif, DelayRoundsToHundredths) {
  std::pair<int, int> cases[] = {{0, 1},    {4, 1},    {5, 1},    {14, 1},        {15, 2},
                                 {100, 10}, {104, 10}, {105, 11}, {655350, 65535}};
  for (auto [ms, hundredths] : cases) EXPECT_EQ(cli::DelayHundredths(ms), hundredths) << ms;
}

TEST(SheetAndGif, NeedFramesWithPixels) {
  for (std::string command : {"sheet", "gif"}) {
    TempDir dir;
    SpriteBuilder().rawFrame(0, 0, {}).write(dir.file("e.spr"));
    CliRun run = Sprconv({command, dir.file("e.spr"), "-o", dir.file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sprconv: " + dir.file("e.spr") + ": no frames to show\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    run = Sprconv({command, dir.file("e.spr"), "-o", dir.file("no/such/folder/x")});
    EXPECT_EQ(run.status, 1);
  }
  TempDir dir;
  SpriteBuilder().patternFrame(3, 3, 1).rawFrame(3, 3, {0}).write(dir.file("b.spr"));
  CliRun run = Sprconv({"gif", dir.file("b.spr"), "-o", dir.file("b.gif")});
  EXPECT_EQ(run.err, "sprconv: " + dir.file("b.spr") +
                         ": broken file: frame 2 ends inside a run of zeros\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.gif")));
}

TEST(OrderedRunner, ReportsInInputOrderWhateverFinishesFirst) {
  for (int threads : {1, 3, 8}) {
    std::vector<std::size_t> order;
    cli::RunInOrder(
        6, threads,
        [](std::size_t i) {
          std::this_thread::sleep_for(std::chrono::milliseconds(12 - 2 * static_cast<int>(i)));
          if (i == 4) throw std::runtime_error("boom");
          return cli::Outcome{i != 2, std::to_string(i)};
        },
        [&](std::size_t i, cli::Outcome& o) {
          order.push_back(i);
          EXPECT_EQ(o.ok, i != 2 && i != 4);
          EXPECT_EQ(o.messages, i == 4 ? "sprconv: boom\n" : std::to_string(i));
        });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5})) << threads;
  }
}

}  // namespace
}  // namespace glint::testing
