// Loading and scrolling on a window model without widgets: what the sheet and the preview show,
// where frames stand, the scroll range, the messages, and actions taken during the yields.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/fake_window.h"
#include "support/sprite_builder.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

gdi::COLORREF colourOf(int index) {
  static const auto palette = testing::DistinctPalette();
  return gdi::RGB(palette[4 * index], palette[4 * index + 1], palette[4 * index + 2]);
}

Bytes solid(int w, int h, int index) {
  return Bytes(static_cast<std::size_t>(w) * h, static_cast<std::uint8_t>(index));
}

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
};

struct Frame {
  int w, h;
};

// Frames of one colour each (frame k in index k); empty frames get no data.
SpriteBuilder solidFrames(const std::vector<Frame>& frames) {
  SpriteBuilder sprite;
  int k = 0;
  for (auto [w, h] : frames) {
    ++k;
    if (w <= 0 || h <= 0)
      sprite.rawFrame(w, h, {});
    else
      sprite.frame(w, h, solid(w, h, k));
  }
  return sprite;
}

TEST(LoadSprite, PaintsEveryPixelInItsPaletteColourOnTheSheetAndThePreview) {
  Viewer v;
  const Bytes pattern = testing::MakePixels(100, 120, 1);
  const Bytes narrow = testing::MakePixels(3, 5, 2);  // rows padded to 4 bytes
  SpriteBuilder sprite;
  sprite.frame(100, 120, pattern)
      .frame(3, 5, narrow)
      .rawFrame(5, 2, {7, 7, 0, 3})        // a short expansion: the rest is index 0
      .rawFrame(2, 2, {1, 2, 3, 4, 5, 6})  // a long one: the extra pixels are dropped
      .rawFrame(4, 4, {});                 // no data at all: every pixel index 0
  const std::string path = v.load(sprite);

  struct Expect {
    int left, w, h;
    Bytes pixels;
  };
  Bytes shortOne = {7, 7, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<Expect> expected = {{0, 100, 120, pattern},
                                        {100, 3, 5, narrow},
                                        {103, 5, 2, shortOne},
                                        {108, 2, 2, {1, 2, 3, 4}},
                                        {110, 4, 4, solid(4, 4, 0)}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.left);
    for (int y = 0; y < e.h; ++y)
      for (int x = 0; x < e.w; ++x) {
        const gdi::COLORREF want = colourOf(e.pixels[static_cast<std::size_t>(y * e.w + x)]);
        ASSERT_EQ(v.sheet(e.left + x, y), want) << x << "," << y;
        ASSERT_EQ(v.preview(e.left + x, y), want) << x << "," << y;
      }
  }
  EXPECT_EQ(v.sheet(114, 0), testing::FakeWindow::kGrey);
  EXPECT_EQ(v.preview(0, 120), testing::FakeWindow::kGrey);
  EXPECT_EQ(v.window.StatusText(), "Decoded 5 pictures in " + path);
  EXPECT_EQ(v.window.preview().MousePointer(), pointer::kDefault);
  EXPECT_FALSE(v.window.Loading);
  EXPECT_EQ(v.window.channels().openCount(), 0);
  EXPECT_TRUE(v.window.scripted().messages.empty());
}

struct PlacementCase {
  const char* name;
  std::vector<Frame> frames;
  std::vector<std::pair<int, int>> spots;  // of the frames with pixels, in order
  int scrollMax;
};

TEST(LoadSprite, PlacesFramesInRowsAndScrollsToTheLowestOne) {
  auto repeat = [](int n, Frame f) { return std::vector<Frame>(static_cast<std::size_t>(n), f); };
  auto grid = [](int n, int w, int h) {
    std::vector<std::pair<int, int>> spots;
    for (int k = 0; k < n; ++k) spots.push_back({(k % 3) * w, (k / 3) * h});
    return spots;
  };
  const std::vector<PlacementCase> cases = {
      {"twelve frames of 100 x 120", repeat(12, {100, 120}), grid(12, 100, 120), 187},
      {"five tall frames now scroll", repeat(5, {100, 200}), grid(5, 100, 200), 107},
      {"a wider frame that does not fit starts a row",
       {{100, 50}, {300, 40}, {50, 10}},
       {{0, 0}, {0, 50}, {300, 50}},
       0},
      {"a narrower frame that fits stays", {{200, 50}, {100, 60}}, {{0, 0}, {200, 0}}, 0},
      {"a frame wider than the preview stands alone", {{400, 30}, {10, 10}}, {{0, 0}, {0, 30}}, 0},
      {"181 x 181 is drawn", {{181, 181}, {181, 181}}, {{0, 0}, {0, 181}}, 69},
      {"empty frames take no place",
       {{100, 120}, {0, 0}, {-5, 3}, {7, -1}, {100, 120}},
       {{0, 0}, {100, 0}},
       0},
      {"rows below 1,500 pixels are kept", repeat(41, {100, 120}), grid(41, 100, 120), 1387},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Viewer v;
    v.load(solidFrames(c.frames));
    std::size_t spot = 0;
    for (std::size_t k = 0; k < c.frames.size(); ++k) {
      auto [w, h] = c.frames[k];
      if (w <= 0 || h <= 0) continue;
      ASSERT_LT(spot, c.spots.size());
      auto [x, y] = c.spots[spot++];
      const gdi::COLORREF colour = colourOf(static_cast<int>(k + 1));
      EXPECT_EQ(v.sheet(x, y), colour) << "frame " << k + 1;
      EXPECT_EQ(v.sheet(x + w - 1, y + h - 1), colour) << "frame " << k + 1;
    }
    EXPECT_EQ(v.window.scroll.max, c.scrollMax);
    EXPECT_EQ(v.window.scroll.enabled, c.scrollMax > 0);
  }
}

TEST(LoadSprite, ShowsOnlyTheFirstFrameWhenAllFramesIsUnticked) {
  const std::vector<std::pair<int, int>> countAndShown = {{3, 1}, {1, 1}, {0, 0}};
  for (auto [count, shown] : countAndShown) {
    Viewer v;
    v.window.check1 = 0;
    std::vector<std::string> progress;
    v.window.onYield = [&] { progress.push_back(v.window.StatusText()); };
    const std::string path = v.load(solidFrames(std::vector<Frame>(count, Frame{100, 120})));
    EXPECT_EQ(v.window.StatusText(), "Decoded " + std::to_string(shown) + " pictures in " + path);
    EXPECT_EQ(v.sheet(0, 0), shown ? colourOf(1) : testing::FakeWindow::kGrey);
    EXPECT_EQ(v.sheet(100, 0), testing::FakeWindow::kGrey);
    if (shown) {
      EXPECT_EQ(progress.front(), "Decoding 1 of 1 bitmaps.");
    } else {  // nothing drawn: the layout may give the sheet any size
      v.viewer.ApplySheetLayout(3000, 1500);
      EXPECT_EQ(v.window.sheet().pixelWidth(), 200);
      EXPECT_EQ(v.window.sheet().pixelHeight(), 100);
    }
  }
}

struct BrokenCase {
  const char* name;
  std::function<Bytes()> bytes;
  std::string caption;
  bool late;  // fails after the sheet was cleared and the first frame drawn
  int check1 = 1;
};

TEST(LoadSprite, BrokenFilesEndInTheFailurePathAndKeepTheWindowUsable) {
  auto withSignature = [](std::array<std::uint8_t, 4> s) {
    return [s] { return solidFrames({{10, 10}}).signature(s).build(); };
  };
  auto secondFrame = [](std::function<void(SpriteBuilder&)> add) {
    return [add] {
      SpriteBuilder sprite = solidFrames({{10, 10}});
      add(sprite);
      return sprite.build();
    };
  };
  const std::string sig = "Error -2147221498";
  const std::vector<BrokenCase> cases = {
      {"signature 53 50 00 02", withSignature({0x53, 0x50, 0, 2}), sig, false},
      {"signature not SP", withSignature({'P', 'K', 1, 2}), sig, false},
      {"shorter than a palette", [] { return Bytes(1000, 0); }, "Error 63", false},
      {"negative count", [] { return SpriteBuilder().frameCount(0x8000).build(); }, "Error 5",
       false},
      {"negative count, one frame shown", [] { return SpriteBuilder().frameCount(0xFFFF).build(); },
       "Error 5", false, 0},
      {"zero run cut short", secondFrame([](auto& s) {
         s.rawFrame(4, 1, {5, 0});
       }),
       "Error 5", true},
      {"record cut short", secondFrame([](auto& s) {
         s.rawFrame(4, 1, {1, 2}, std::uint16_t{5000});
       }),
       "Error 62", true},
      {"no width but pixel data", secondFrame([](auto& s) {
         s.rawFrame(0, 4, {1, 2});
       }),
       "Error 5", true},
      {"no height but pixel data", secondFrame([](auto& s) {
         s.rawFrame(4, 0, {1, 2});
       }),
       "Error 5", true},
      {"huge dimensions", secondFrame([](auto& s) {
         s.rawFrame(32767, 32767, {1, 2, 3, 4});
       }),
       "Error 5", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Viewer v;
    const std::string previous = v.load(solidFrames(std::vector<Frame>(12, Frame{100, 120})));
    v.window.check1 = c.check1;
    const std::string path = v.dir.file("broken.spr");
    {
      std::FILE* f = std::fopen(path.c_str(), "wb");
      const Bytes bytes = c.bytes();
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    v.window.text1 = path;
    v.viewer.LoadSprite();

    ASSERT_EQ(v.window.scripted().messages.size(), 1u);
    const auto& box = v.window.scripted().messages[0];
    EXPECT_EQ(box.prompt, "The file \"broken.spr\" doesn't look like an SPR file.");
    EXPECT_EQ(box.style, 64);
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_FALSE(v.window.Loading);
    EXPECT_EQ(v.window.channels().openCount(), 0);
    EXPECT_EQ(v.window.preview().MousePointer(), pointer::kDefault);
    if (c.late) {  // the first frame stays; the bar stays off; the last progress text stays
      EXPECT_EQ(v.sheet(0, 0), colourOf(1));
      EXPECT_EQ(v.sheet(10, 0), testing::FakeWindow::kGrey);
      EXPECT_FALSE(v.window.scroll.enabled);
      EXPECT_EQ(v.window.scroll.max, 0);
      EXPECT_EQ(v.window.StatusText().rfind("Decoding 2 of 2 bitmaps.", 0), 0u);
    } else {  // the previous file's sheet, bar and status line
      EXPECT_EQ(v.sheet(200, 360), colourOf(12));
      EXPECT_TRUE(v.window.scroll.enabled);
      EXPECT_EQ(v.window.scroll.max, 187);
      EXPECT_EQ(v.window.StatusText(), "Decoded 12 pictures in " + previous);
    }
  }
}

TEST(LoadSprite, LabelsFramesWhileFrameNumbersAreTicked) {
  Viewer v;
  v.window.check2 = 1;
  v.window.onYield = [&] {  // unticked while frame 2 loads: frame 2 is unlabelled
    if (v.window.StatusText().rfind("Decoding 2", 0) == 0) v.window.check2 = 0;
  };
  v.load(solidFrames({{40, 40}, {40, 40}}));
  int minX = 40, minY = 40, white = 0, black = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const gdi::COLORREF c = v.sheet(x, y);
      if (c == colourOf(1)) continue;
      minX = std::min(minX, x);
      minY = std::min(minY, y);
      const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;  // text is smoothed
      white += r > 200 && g > 200 && b > 200;
      black += r < 60 && g < 60 && b < 60;
    }
  EXPECT_GT(white, 0);
  EXPECT_GT(black, 0);
  EXPECT_LE(minX, 3);  // at the frame's top-left corner
  EXPECT_LE(minY, 4);
  for (int y = 0; y < 40; ++y)
    for (int x = 40; x < 80; ++x) ASSERT_EQ(v.sheet(x, y), colourOf(2)) << x << "," << y;
}

TEST(LoadSprite, ActionsDuringTheYieldsNeitherDisturbNorCrashTheLoad) {
  Viewer v;
  const std::string other =
      SpriteBuilder().frame(10, 10, solid(10, 10, 99)).write(v.dir.file("other.spr"));
  int step = 0;
  v.window.onYield = [&] {
    ASSERT_TRUE(v.window.Loading);
    if (++step % 25 != 0) return;
    switch (step / 25 % 4) {
      case 0:  // another file opened: ignored, and the summary still names the first
        v.window.text1 = other;
        v.viewer.LoadSprite();
        break;
      case 1:  // the window shrinks: the layout asks for a small sheet
        v.viewer.ApplySheetLayout(1500, 1500);
        break;
      case 2:
        v.viewer.PreviewResized();
        break;
      default:
        v.viewer.VScroll1_Scroll();
    }
  };
  const std::string path = v.dir.file("walk.spr");
  v.load(solidFrames(std::vector<Frame>(41, Frame{100, 120})));
  EXPECT_GT(step, 41 * 120);
  EXPECT_EQ(v.window.StatusText(), "Decoded 41 pictures in " + path);
  EXPECT_TRUE(v.window.scripted().messages.empty());
  for (int k = 0; k < 41; ++k)
    EXPECT_EQ(v.sheet((k % 3) * 100 + 99, (k / 3) * 120 + 119), colourOf(k + 1)) << k + 1;
  EXPECT_EQ(v.window.scroll.max, 1387);
}

TEST(LoadSprite, EndsSilentlyWhileAnExportHoldsTheChannel) {
  Viewer v;
  const std::string previous = v.load(solidFrames({{10, 10}}));
  v.window.channels().openForReading(FileChannels::kSpriteChannel, previous);
  v.load(solidFrames({{20, 20}}), "next.spr");
  EXPECT_TRUE(v.window.scripted().messages.empty());
  EXPECT_FALSE(v.window.Loading);
  EXPECT_TRUE(v.window.channels().isOpen(FileChannels::kSpriteChannel));
  EXPECT_EQ(v.window.StatusText(), "Decoded 1 pictures in " + previous);
  EXPECT_EQ(v.sheet(15, 15), testing::FakeWindow::kGrey);
}

TEST(LoadSprite, LeavesOutFramesBeyondTheSheetBoundAndSaysHowMany) {
  Viewer v(361 * 1600);  // 13 rows of 120 fit, the fourteenth does not
  const std::string path = v.load(solidFrames(std::vector<Frame>(41, Frame{100, 120})));
  EXPECT_EQ(v.window.StatusText(),
            "Decoded 41 pictures in " + path + " (2 left out: the sheet is full)");
  EXPECT_EQ(v.viewer.framesLeftOut(), 2);
  EXPECT_EQ(v.sheet(200, 1559), colourOf(39));
  EXPECT_EQ(v.viewer.drawnBottom(), 1560);
  EXPECT_EQ(v.window.scroll.max, 1560 - 313 + 20);
}

TEST(Scrolling, ReachesTheLastRowAndFollowsThePreviewsSize) {
  Viewer v;
  v.load(solidFrames(std::vector<Frame>(41, Frame{100, 120})));
  ASSERT_EQ(v.window.scroll.max, 1387);
  v.window.scroll.SetValue(1387);
  v.viewer.VScroll1_Change();
  EXPECT_EQ(v.preview(100, 292), colourOf(41));  // the last row's bottom, 20 pixels up
  EXPECT_EQ(v.preview(100, 293), testing::FakeWindow::kGrey);
  EXPECT_EQ(v.preview(0, 0), v.sheet(0, 1387));

  struct Resize {
    int heightTwips, max;
    bool enabled;
  };
  for (auto r : {Resize{3000, 1500, true}, Resize{30000, 0, false}, Resize{4695, 1387, true}}) {
    v.window.preview().SetHeight(r.heightTwips);
    v.viewer.ApplySheetLayout(v.window.preview().Width(), 22500);
    v.viewer.PreviewResized();
    EXPECT_EQ(v.window.scroll.max, r.max);
    EXPECT_EQ(v.window.scroll.enabled, r.enabled);
    v.window.scroll.SetValue(r.max);
    v.viewer.VScroll1_Scroll();
    const int bottomRow = 1680 - r.max - 1;
    EXPECT_EQ(v.preview(100, bottomRow), colourOf(41)) << r.heightTwips;
  }
}

}  // namespace
}  // namespace glint
