// The animation window's arithmetic: placement, zoom, timing on a clock of the test's own,
// pointer mapping, painting with the checkerboard, and the decode cache's bound.
#include <gtest/gtest.h>

#include <vector>

#include "anim/animation.h"
#include "anim/index_counts.h"
#include "support/sprite_builder.h"

namespace glint::anim {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

// Canvas and frame sizes, and where the frame's top left stands.
TEST(Canvas, FramesStandCentredRoundedDown) {
  const int cases[][6] = {{10, 9, 3, 4, 3, 2}, {7, 5, 4, 2, 1, 1}, {32767, 255, 1, 1, 16383, 127}};
  for (auto [canvasW, canvasH, frameW, frameH, left, top] : cases) {
    const Placement p = PlaceOnCanvas(canvasW, canvasH, frameW, frameH);
    EXPECT_EQ(std::tuple(p.left, p.top, p.width, p.height), std::tuple(left, top, frameW, frameH));
  }
}

// Which pixel a screen point falls on, at each zoom.
TEST(Canvas, ThePointerFallsOnThePixelWhoseBlockHoldsIt) {
  const Placement frame{2, 1, 5, 3};  // on a 9 x 5 canvas
  // The first and last screen pixel of a frame pixel's block map to it; one beyond does not. A
  // screen point x blocks and dx pixels across, y and dy down; the pixel (-1: none).
  const int points[][6] = {{2, 0, 1, 0, 0, 0},    {3, -1, 2, -1, 0, 0}, {7, -1, 4, -1, 4, 2},
                           {2, -1, 1, 0, -1, -1}, {7, 0, 2, 0, -1, -1}, {3, 0, 4, 0, -1, -1}};
  for (int zoom : kZoomSteps)
    for (auto [x, dx, y, dy, px, py] : points)
      EXPECT_EQ(PixelUnderPointer({x * zoom + dx, y * zoom + dy}, frame, zoom),
                px < 0 ? std::nullopt : std::optional(Point{px, py}))
          << zoom;
  // Left of and above the canvas is never pixel 0.
  EXPECT_EQ(PixelUnderPointer({-1, 0}, Placement{0, 0, 2, 2}, 4), std::nullopt);
}

// Zoom steps and frame-time steps: each steps to its neighbour in the list, stops at the list's
// ends, and goes from between two steps to the next one that way.
TEST(Steps, GoThroughTheirListAndStopAtItsEnds) {
  const std::tuple<std::vector<int>, int (*)(int), int (*)(int)> lists[] = {
      {{1, 2, 3, 4, 6, 8, 12, 16}, ZoomIn, ZoomOut},
      {{10, 20, 30, 40, 50, 60, 80, 100, 120, 150, 200, 250, 300, 400, 500, 750, 1000, 1500, 2000},
       SlowerFrameTime,
       FasterFrameTime}};
  for (const auto& [steps, up, down] : lists) {
    for (std::size_t k = 0; k + 1 < steps.size(); ++k)
      EXPECT_EQ(std::pair(up(steps[k]), down(steps[k + 1])), std::pair(steps[k + 1], steps[k]));
    EXPECT_EQ(std::pair(up(steps.back()), down(steps[0])), std::pair(steps.back(), steps[0]));
  }
  EXPECT_EQ(std::tuple(ZoomIn(5), ZoomOut(5), SlowerFrameTime(55), FasterFrameTime(55)),
            std::tuple(6, 4, 60, 50));
}

// The largest step up to 4 that fits 800 x 600.
TEST(Canvas, OpensAtTheLargestZoomUpTo4ThatFitsTheScreen) {
  const int cases[][3] = {{20, 30, 4},   {200, 150, 4}, {201, 150, 3}, {266, 100, 3}, {267, 100, 2},
                          {400, 300, 2}, {401, 10, 1},  {10, 601, 1},  {32767, 1, 1}};
  for (auto [w, h, zoom] : cases) EXPECT_EQ(OpeningZoom(w, h), zoom) << w << " x " << h;
}

// Any area painted alone at a zoom: blocks of the frame's pixels, the checkerboard for index 0
// when it is transparent, the canvas colour around (and alone without a frame); with a highlight,
// the pixels of the other indices (the checkerboard too) faded, and the canvas around as it was.
TEST(Canvas, PaintsTheAreaAskedPixelByPixel) {
  spr::IndexedImage frame(3, 2);
  frame.pixels = {0, 1, 2, 3, 0, 255};
  Colours colours{};
  for (std::size_t k = 0; k < 256; ++k) colours[k] = 0xFF000000u | static_cast<std::uint32_t>(k);
  const Placement p{1, 1, 3, 2};  // on a 5 x 4 canvas
  const Highlight highlights[] = {Highlight(), Highlight().set(1), Highlight().set(0).set(255)};
  for (const spr::IndexedImage* shown : {&frame, static_cast<spr::IndexedImage*>(nullptr)})
    for (int zoom : {1, 3, 16})
      for (bool transparent : {false, true})
        for (const Highlight& highlight : highlights)
          for (const Rect area : {Rect{0, 0, 5 * zoom, 4 * zoom},
                                  Rect{zoom + 1, zoom / 2, 2 * zoom + 1, 2 * zoom + 1}}) {
            std::vector<std::uint32_t> want,
                got(static_cast<std::size_t>(area.width * area.height));
            for (int y = area.y; y < area.y + area.height; ++y)
              for (int x = area.x; x < area.x + area.width; ++x) {
                const auto pixel = shown ? PixelUnderPointer({x, y}, p, zoom) : std::nullopt;
                const std::uint8_t index = pixel ? frame.at(pixel->x, pixel->y) : 0;
                const std::uint32_t colour =
                    index == 0 && transparent ? CheckerColour(x, y) : colours[index];
                want.push_back(!pixel                                 ? kCanvasColour
                               : highlight.none() || highlight[index] ? colour
                                                                      : Faded(colour));
              }
            PaintCanvas(shown, p, colours, zoom, transparent, area, got.data(), area.width,
                        &highlight);
            EXPECT_EQ(got, want) << (shown != nullptr) << " " << zoom << " " << transparent << " "
                                 << highlight.count() << " " << area.width;
          }
}

// Faded: a quarter of the colour over three quarters of the canvas grey, channel by channel. The
// checkerboard: 8-pixel squares of the screen, light first, whatever the zoom.
TEST(Canvas, FadedIsAQuarterOfTheColourOverTheGreyAndTheCheckerboardIsOfScreenSquares) {
  const std::uint32_t cases[][2] = {{0xFF000000, 0xFF606060},
                                    {0xFFFFFFFF, 0xFF9F9F9F},
                                    {0xFFC8280C, 0xFF926A63},
                                    {kCanvasColour, kCanvasColour}};
  for (auto [colour, faded] : cases) EXPECT_EQ(Faded(colour), faded) << std::hex << colour;
  std::vector<std::uint32_t> squares;
  for (auto [x, y] : {std::pair{0, 0}, {7, 7}, {8, 0}, {8, 8}, {0, 15}, {16, 0}})
    squares.push_back(CheckerColour(x, y));
  const std::uint32_t light = 0xFFCCCCCC, dark = 0xFF999999;
  EXPECT_EQ(squares, (std::vector{light, light, dark, light, dark, light}));
}

// Stored bytes counted as stored: literals one pixel each, a run its length of index 0, a 0
// without its count nothing.
TEST(IndexCounts, StoredBytesCountLiteralsAndRuns) {
  const std::tuple<Bytes, std::uint64_t, std::uint64_t, std::uint64_t> cases[] = {
      // stored, index 0, index 5, index 255
      {{5, 5, 255}, 0, 2, 1},
      {{0, 200, 5, 0, 3}, 203, 1, 0},
      {{0, 0, 0, 5}, 5, 0, 0},  // a run of none, then a run of 5
      {{5, 0}, 0, 1, 0},
      {{0, 255, 0, 255, 0, 1}, 511, 0, 0},
      {{}, 0, 0, 0}};
  for (const auto& [stored, zeros, fives, top] : cases) {
    IndexCounts counts{};
    CountStoredPixels(stored, counts);
    EXPECT_EQ(std::tuple(counts[0], counts[5], counts[255]), std::tuple(zeros, fives, top))
        << ::testing::PrintToString(stored);
  }
}

// Every record's stored bytes, whatever the sizes say, up to a broken record.
TEST(IndexCounts, TheSpriteCountsItsRecordsUpToABrokenOne) {
  // The third record holds more bytes than pixels; the fourth is cut short.
  SpriteBuilder b;
  b.rawFrame(2, 2, {7, 7, 0, 2}).rawFrame(0, 0, {}).rawFrame(1, 1, {7, 9, 0, 4});
  const Bytes file = b.rawFrame(2, 2, {9, 9, 9, 9}, 3000).build();
  spr::MemoryBytes source(file);
  const IndexCounts counts = CountSpritePixels(source, std::atomic<bool>(false));
  EXPECT_EQ(std::tuple(counts[0], counts[7], counts[9]), std::tuple(6u, 3u, 1u));
  spr::MemoryBytes again(file);
  EXPECT_EQ(CountSpritePixels(again, std::atomic<bool>(true)), IndexCounts{});
}

TEST(IndexCounts, TheSwatchTellsItsColourAndCounts) {
  const std::tuple<std::uint64_t, std::optional<std::uint64_t>, std::string> cases[] = {
      {340, 2100, "340 pixels in this frame, 2,100 in the sprite"},
      {1, std::nullopt, "1 pixel in this frame"},
      {0, 1234567, "0 pixels in this frame, 1,234,567 in the sprite"},
      {999, 1000, "999 pixels in this frame, 1,000 in the sprite"}};
  for (const auto& [inFrame, inSprite, counts] : cases)
    EXPECT_EQ(SwatchText(17, {200, 40, 12}, inFrame, inSprite),
              "index 17 (R 200, G 40, B 12) #C8280C | " + counts);
}

// Four frames of 100 ms, on a clock of the test's own.
struct PlaybackTest : ::testing::Test {
  PlaybackTest() { play.reset(4); }
  // The position at a moment, microseconds after the start.
  int at(std::int64_t moment) { return now = kStart + moment, play.position(); }
  static constexpr std::int64_t kStart = 1'000'000;
  std::int64_t now = kStart;
  Playback play{[this] { return now; }};
};

// Late by whole frames, frames are skipped, not slowed, and the next is due on the grid.
TEST_F(PlaybackTest, TheFrameShownFollowsTheElapsedClockAtTheFrameTime) {
  const std::pair<std::int64_t, int> timeline[] = {{99'999, 0},  {100'000, 1}, {250'000, 2},
                                                   {399'999, 3}, {400'000, 0}, {1'050'000, 2}};
  for (auto [moment, position] : timeline) EXPECT_EQ(at(moment), position) << moment;
  EXPECT_EQ(at(12'345'678), 123 % 4);
  EXPECT_EQ(play.nextChangeAt(), kStart + 12'400'000);
}

TEST_F(PlaybackTest, ANewFrameTimeKeepsTheStartOfTheFrameShowing) {
  at(12'345'678);
  play.setFrameTime(50);
  EXPECT_EQ(play.nextChangeAt(), kStart + 12'350'000);
  EXPECT_EQ(at(12'350'000), 0);
}

TEST_F(PlaybackTest, PauseHoldsAndPlayGivesTheFrameItsWholeTimeAgain) {
  play.pause();
  EXPECT_EQ(at(5'160'000), 0);  // off the frame grid, so a resume that jumps would show
  play.play();
  EXPECT_EQ(play.nextChangeAt(), now + 100'000);
}

// Steps wrap around and pause; go plays on from the frame it shows.
TEST_F(PlaybackTest, StepsAndGoMoveToTheFrameAskedFor) {
  play.step(-1);
  EXPECT_EQ(std::pair(play.position(), play.playing()), std::pair(3, false));
  play.step(2);
  EXPECT_EQ(play.position(), 1);
  play.togglePlaying();
  play.go(3);
  EXPECT_EQ(std::pair(at(100'000), play.playing()), std::pair(0, true));
}

TEST_F(PlaybackTest, WithNothingToPlayNothingMoves) {
  play.reset(0);
  play.play();
  play.step(1);
  EXPECT_EQ(std::pair(play.position(), play.playing()), std::pair(0, false));
}

// The decoded frames kept stay within the byte budget, the least recently used dropped.
TEST(FrameCache, StaysWithinItsBudgetDroppingTheFrameUsedLongestAgo) {
  std::vector<std::size_t> decoded;
  FrameCache cache(
      [&](std::size_t i) {
        decoded.push_back(i);
        return spr::IndexedImage(10, static_cast<int>(i) + 1);  // 10 bytes a row
      },
      60);
  for (std::size_t i : {0, 1, 2, 0, 3, 0, 1, 5})  // 10 + 20 + 30, then 0 is used again
    EXPECT_EQ(cache.get(i)->height, static_cast<int>(i) + 1);
  EXPECT_EQ(decoded, (std::vector<std::size_t>{0, 1, 2, 3, 1, 5}));
  // A frame larger than the whole budget is handed out and not kept.
  EXPECT_EQ(cache.get(9)->pixels.size(), 100u);
  EXPECT_LE(cache.bytes(), 60u);
}

// A long sprite shows its first frame at once and takes the rest as they are read; a record cut
// short ends the frames.
TEST(Animation, ShowsTheFirstFrameBeforeTheHeadersAreReadAndEndsAtARecordCutShort) {
  SpriteBuilder longer = SpriteBuilder().rawFrame(0, 0, {}).frame(1, 1, {3});
  for (int k = 0; k < Animation::kFirstHeaders + 2; ++k) longer.frame(1, 1, {4});
  const Bytes file = longer.frame(300, 1, Bytes(300, 5)).build();
  Animation a(std::make_unique<spr::MemoryBytes>(file), [] { return std::int64_t{0}; });
  EXPECT_EQ(
      std::tuple(a.indexed(), a.playableCount(), a.canvasWidth(), a.zoom(), a.current().number),
      std::tuple(false, 1, 1, 4, 2));
  EXPECT_FALSE(a.readHeaders(2));
  EXPECT_TRUE(a.readHeaders(2));
  EXPECT_EQ(std::tuple(a.playableCount(), a.canvasWidth(), a.zoom()),
            std::tuple(Animation::kFirstHeaders + 4, 300, 2));
  // What comes before a record cut short plays.
  Bytes cut = SpriteBuilder().frame(1, 1, {5}).rawFrame(2, 2, {1, 2, 3, 4}, 3000).build();
  Animation b(std::make_unique<spr::MemoryBytes>(cut), [] { return std::int64_t{0}; });
  EXPECT_EQ(std::tuple(b.playableCount(), b.brokenAt()), std::tuple(1, 2));
}

}  // namespace
}  // namespace glint::anim
