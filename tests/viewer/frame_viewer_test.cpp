// Loading and scrolling on a window model without widgets: what the sheet and the preview show,
// where frames stand, the scroll range, the messages, and the bound on the sheet.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "support/fake_window.h"
#include "support/sprite_builder.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;
using Frame = std::pair<int, int>;  // width, height
using Spot = std::pair<int, int>;   // left, top
constexpr gdi::COLORREF kGrey = testing::FakeWindow::kGrey;

gdi::COLORREF colourOf(int index) {
  static const auto palette = testing::DistinctPalette();
  return gdi::RGB(palette[4 * index], palette[4 * index + 1], palette[4 * index + 2]);
}

// Frames of one colour each: frame k in index k.
SpriteBuilder solidFrames(const std::vector<Frame>& frames) {
  SpriteBuilder sprite;
  std::uint8_t k = 0;
  for (auto [w, h] : frames) sprite.solidFrame(w, h, ++k);
  return sprite;
}

std::vector<Frame> repeat(int n, Frame f) { return std::vector<Frame>(std::size_t(n), f); }

struct Viewer {
  testing::TempDir dir;
  testing::FakeWindow window;
  FrameViewer viewer;

  explicit Viewer(std::int64_t bound = FrameViewer::kMaxSheetPixels) : viewer(window, bound) {
    window.check2 = 0;
  }
  std::string load(const SpriteBuilder& sprite, const std::string& name = "walk.spr") {
    window.text1 = sprite.write(dir.file(name));
    viewer.LoadSprite();
    return window.text1;
  }
  gdi::COLORREF sheet(int x, int y) { return gdi::GetPixel(window.sheet().hDC(), x, y); }
  gdi::COLORREF preview(int x, int y) { return gdi::GetPixel(window.preview().hDC(), x, y); }
  std::pair<int, bool> bar() const { return {window.scroll.max, window.scroll.enabled}; }
  std::pair<int, int> size() { return {window.sheet().pixelWidth(), window.sheet().pixelHeight()}; }
};

// Frames of patterns (the expansion rules are the decoder's): each pixel shows in its colour, top
// row first, where its frame stands on the sheet and, scrolled, in the preview.
TEST(LoadSprite, PlacesFramesInRowsAndScrollsToTheLowestOne) {
  auto grid = [](int n, int w, int h) {
    std::vector<Spot> spots;
    for (int k = 0; k < n; ++k) spots.push_back({(k % 3) * w, (k / 3) * h});
    return spots;
  };
  struct Case {
    const char* name;
    std::vector<Frame> frames;
    std::vector<Spot> spots;  // of the frames drawn
    int scrollMax, decoded, check1 = 1;
    std::int64_t bound = FrameViewer::kMaxSheetPixels;
    std::string leftOut = "";
  };
  const std::vector<Case> cases = {
      {"no room: a new row", {{100, 50}, {300, 40}, {50, 10}}, {{0, 0}, {0, 50}, {300, 50}}, 0, 3},
      {"rows: the tallest", {{100, 120}, {100, 50}, {300, 10}}, {{0, 0}, {100, 0}, {0, 120}}, 0, 3},
      {"a narrower one stays", {{200, 50}, {100, 60}}, {{0, 0}, {200, 0}}, 0, 2},
      {"too wide: alone", {{400, 30}, {10, 10}}, {{0, 0}, {0, 30}}, 0, 2},
      {"181 x 181 is drawn", {{181, 181}, {181, 181}}, {{0, 0}, {0, 181}}, 69, 2},
      {"no size", {{100, 120}, {0, 0}, {7, -1}, {100, 120}}, {{0, 0}, {}, {}, {100, 0}}, 0, 4},
      {"rows below 1,500 kept", repeat(41, {100, 120}), grid(41, 100, 120), 1387, 41},
      {"the first only", repeat(3, {100, 120}), {{0, 0}}, 0, 1, 0},
      {"the first of none", {}, {}, 0, 0, 0},
      {"13 rows within the bound", repeat(41, {100, 120}), grid(39, 100, 120), 1560 - 313 + 20, 41,
       1, 361 * 1600, " (2 left out: the sheet is full)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Viewer v(c.bound);
    v.window.check1 = c.check1;
    SpriteBuilder sprite;
    for (std::uint32_t k = 0; k < c.frames.size(); ++k) {
      auto [w, h] = c.frames[k];
      w > 0 && h > 0 ? sprite.patternFrame(w, h, k) : sprite.rawFrame(w, h, {});
    }
    const std::string path = v.load(sprite);
    const int top = v.window.scroll.value;
    for (std::size_t k = 0; k < c.spots.size(); ++k) {
      auto [w, h] = c.frames[k];
      auto [x, y] = c.spots[k];
      if (w <= 0 || h <= 0) continue;  // takes no place
      const Bytes pixels = testing::MakePixels(w, h, static_cast<std::uint32_t>(k));
      for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
          const gdi::COLORREF want = colourOf(pixels[static_cast<std::size_t>(j * w + i)]);
          ASSERT_EQ(v.sheet(x + i, y + j), want) << "frame " << k + 1 << " " << i << "," << j;
          const bool shown = x + i < 361 && y + j >= top && y + j < top + 313;
          ASSERT_TRUE(!shown || v.preview(x + i, y + j - top) == want) << "frame " << k + 1;
        }
    }
    EXPECT_EQ(
        std::tuple(v.window.preview().MousePointer(), v.bar(), v.window.StatusText()),
        std::tuple(pointer::kDefault, std::pair(c.scrollMax, c.scrollMax > 0),
                   "Decoded " + std::to_string(c.decoded) + " pictures in " + path + c.leftOut));
  }
}

// A broken file shows its message and leaves the previous sprite, or the frames read so far.
TEST(LoadSprite, BrokenFileShowsItsErrorNumberAndKeepsTheWindowUsable) {
  // By caption; late: fails after the sheet was cleared and the first frame drawn. No caption:
  // an export holds the channel, and the load ends silently.
  const std::tuple<const char*, Bytes, std::string, bool, int> cases[] = {
      {"not SP", SpriteBuilder().signature({0, 0, 1, 2}).build(), "Error -2147221498", false, 1},
      {"shorter than a palette", Bytes(1000, 0), "Error 63", false, 1},
      {"count < 0, first only", SpriteBuilder().frameCount(0xFFFF).build(), "Error 5", false, 0},
      // Late: a zero run cut short, a record cut short.
      {"zero run", solidFrames({{10, 10}}).rawFrame(4, 1, {5, 0}).build(), "Error 5", true, 1},
      {"record", solidFrames({{10, 10}}).rawFrame(4, 1, {1}, 5000).build(), "Error 62", true, 1},
      {"an export holds the channel", solidFrames({{20, 20}}).build(), "", false, 1},
  };
  for (const auto& [name, bytes, caption, late, check1] : cases) {
    SCOPED_TRACE(name);
    Viewer v;
    const std::string previous = v.load(solidFrames(repeat(12, {100, 120})));
    v.window.check1 = check1;
    testing::WriteFile(v.window.text1 = v.dir.file("broken.spr"), bytes);
    const bool exporting = caption.empty();
    if (exporting) v.window.channels().openForReading(FileChannels::kSpriteChannel, previous);
    v.viewer.LoadSprite();

    EXPECT_EQ(v.window.scripted().messages.size(), exporting ? 0u : 1u);
    for (const auto& box : v.window.scripted().messages)
      EXPECT_EQ(std::to_string(box.style) + " " + box.caption + ": " + box.prompt,
                "64 " + caption + ": The file \"broken.spr\" doesn't look like an SPR file.");
    EXPECT_EQ(std::tuple(v.window.Loading, v.window.channels().openCount(),
                         v.window.preview().MousePointer()),
              std::tuple(false, exporting ? 1 : 0, pointer::kDefault));
    // Late, the first frame and the last progress text stay and the bar stays off; else the
    // previous file's sheet, bar and status line stay.
    const std::string status = v.window.StatusText();
    if (late)
      EXPECT_EQ(std::tuple(v.sheet(0, 0), v.sheet(10, 0), v.bar(), status.substr(0, 24)),
                std::tuple(colourOf(1), kGrey, std::pair(0, false), "Decoding 2 of 2 bitmaps."));
    else
      EXPECT_EQ(
          std::tuple(v.sheet(200, 360), v.bar(), status),
          std::tuple(colourOf(12), std::pair(187, true), "Decoded 12 pictures in " + previous));
  }
}

// Frame numbers are drawn only while their box is ticked, checked frame by frame.
TEST(LoadSprite, LabelsFramesWhileFrameNumbersAreTicked) {
  Viewer v;
  v.window.check2 = 1;
  v.window.onYield = [&] {  // unticked while frame 2 loads: frame 2 is unlabelled
    if (v.window.StatusText().rfind("Decoding 2", 0) == 0) v.window.check2 = 0;
  };
  v.load(solidFrames({{40, 40}, {40, 40}}));
  int white = 0, black = 0;  // white text with a black shadow at the top-left corner, smoothed
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) {
      const gdi::COLORREF c = v.sheet(x, y);
      ASSERT_TRUE(c == colourOf(x < 40 ? 1 : 2) || (x < 20 && y < 20)) << x << "," << y;
      white += (c & 0xFF) > 200 && (c >> 8 & 0xFF) > 200 && (c >> 16) > 200;
      black += (c & 0xFF) < 60 && (c >> 8 & 0xFF) < 60 && (c >> 16) < 60;
    }
  EXPECT_TRUE(white > 0 && black > 0);
}

// With 41 frames of 100 x 120: the scroll range follows the preview's height, and the sheet keeps
// every frame drawn, whatever size the layout gives it.
TEST(Layout, TheScrollRangeFollowsThePreviewAndTheSheetKeepsItsFrames) {
  Viewer v;
  v.load(solidFrames(repeat(41, {100, 120})));
  for (auto [heightTwips, max] : {std::pair{3000, 1500}, {30000, 0}, {4695, 1387}}) {
    v.window.preview().SetHeight(heightTwips);
    v.viewer.PreviewResized();
    EXPECT_EQ(v.bar(), std::pair(max, max > 0)) << heightTwips;
  }
  v.viewer.ApplySheetLayout(1500, 1500);
  EXPECT_EQ(std::pair(v.size(), v.sheet(199, 1679)), std::pair(std::pair(300, 1680), colourOf(41)));
}

}  // namespace
}  // namespace glint
