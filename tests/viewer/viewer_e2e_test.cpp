// Opening and scrolling sprites in the real window, offscreen, as a user would: what the preview
// widget shows, and what the window does while a load runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QImage>
#include <QScrollBar>
#include <chrono>
#include <iostream>

#include "platform/dialogs_scripted.h"
#include "support/fake_window.h"
#include "support/sprite_builder.h"
#include "ui/form1.h"

namespace glint {
namespace {

using testing::SpriteBuilder;

QRgb paletteColour(int index) {
  static const auto p = testing::DistinctPalette();
  return qRgb(p[4 * index], p[4 * index + 1], p[4 * index + 2]);
}

// `frames` frames of 100 x 120, frame k in index k.
std::string writeSolidSprite(const std::string& path, int frames) {
  SpriteBuilder sprite;
  for (int k = 1; k <= frames; ++k)
    sprite.frame(100, 120, testing::Bytes(100 * 120, static_cast<std::uint8_t>(k)));
  return sprite.write(path);
}

struct Window {
  testing::TempDir app, sprites;
  ScriptedDialogs dialogs;
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};

  Window() {
    form.findChild<QCheckBox*>("Check2")->setChecked(false);
    form.show();
  }
  void open(const std::string& path) {
    dialogs.openAnswers.push_back(path);
    form.findChild<QAction*>("mnuFileOpen")->trigger();
  }
  // What the preview widget shows on screen.
  QImage shown() { return form.findChild<QWidget*>("Picture1")->grab().toImage(); }
};

TEST(ViewerWindow, OpenShowsTheFramesInThePreview) {
  Window w;
  const std::string path = writeSolidSprite(w.sprites.file("walk.spr"), 12);
  w.open(path);
  EXPECT_EQ(w.form.StatusText(), "Decoded 12 pictures in " + path);
  EXPECT_TRUE(w.dialogs.messages.empty());
  const QImage shown = w.shown();
  ASSERT_GE(shown.width(), 300);
  for (int k = 0; k < 9; ++k)  // three rows of three fit in the design-size preview
    EXPECT_EQ(shown.pixel((k % 3) * 100 + 50, (k / 3) * 120 + 50) & 0xFFFFFF,
              paletteColour(k + 1) & 0xFFFFFF)
        << "frame " << k + 1;
  EXPECT_TRUE(w.form.VScroll1Bar().isEnabled());
  // Twelve frames end at 480: the range brings that 20 pixels above the preview's bottom.
  EXPECT_EQ(w.form.VScroll1Bar().maximum(), 480 - w.form.preview().pixelHeight() + 20);
}

TEST(ViewerWindow, ALongSpriteScrollsToItsLastFrame) {
  Window w;
  w.open(writeSolidSprite(w.sprites.file("long.spr"), 41));
  QScrollBar& bar = w.form.VScroll1Bar();
  ASSERT_EQ(bar.maximum(), 1680 - w.form.preview().pixelHeight() + 20);
  bar.setValue(bar.maximum());
  const QImage shown = w.shown();
  // The last row (frames 40 and 41) ends 20 pixels above the preview's bottom edge.
  const int previewHeight = shown.height();
  EXPECT_EQ(shown.pixel(150, previewHeight - 21) & 0xFFFFFF, paletteColour(41) & 0xFFFFFF);
  EXPECT_EQ(shown.pixel(50, previewHeight - 21 - 119) & 0xFFFFFF, paletteColour(40) & 0xFFFFFF);
}

TEST(ViewerWindow, DuringALoadTheWindowStaysUsableAndTheDrawingRight) {
  Window w;
  const std::string path = writeSolidSprite(w.sprites.file("walk.spr"), 41);
  const std::string other = writeSolidSprite(w.sprites.file("other.spr"), 1);
  int calls = 0, refusedCloses = 0;
  w.form.yieldHook = [&] {
    if (!w.form.Loading || ++calls % 200 != 0) return;
    w.form.mnuFileExit_Click();
    refusedCloses += w.form.isVisible() ? 1 : 0;
    w.form.SetWidth(calls % 400 == 0 ? 9000 : 12000);
    w.open(other);  // ignored while this load runs
  };
  w.open(path);
  w.form.yieldHook = nullptr;
  EXPECT_GT(refusedCloses, 0);
  EXPECT_FALSE(w.form.Loading);
  EXPECT_EQ(w.form.StatusText().rfind("Decoded 41 pictures in " + path, 0), 0u);
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.form.channels().openCount(), 0);
  // Every frame is on the sheet where the preview's width at its time put it.
  EXPECT_EQ(gdi::GetPixel(w.form.sheet().hDC(), 50, 60), gdi::RGB(1, 254, 7));  // entry 1
  QScrollBar& bar = w.form.VScroll1Bar();
  bar.setValue(bar.maximum());
  const QImage shown = w.shown();
  bool lastFrameShown = false;
  for (int x = 0; x < shown.width(); ++x)
    lastFrameShown |=
        (shown.pixel(x, shown.height() - 21) & 0xFFFFFF) == (paletteColour(41) & 0xFFFFFF);
  EXPECT_TRUE(lastFrameShown);
}

// Times the paints of a widget.
struct PaintClock : QObject {
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    const auto now = std::chrono::steady_clock::now();
    if (paints++ > 0)
      longestGap =
          std::max(longestGap, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    return false;
  }
  int paints = 0;
  double longestGap = 0;
  std::chrono::steady_clock::time_point last;
};

// Not pass/fail: the figures for the closing note. The floor is the same load on a window model
// whose yield and status line do nothing.
TEST(ViewerWindow, HundredFrameLoadFigures) {
  testing::TempDir dir;
  SpriteBuilder sprite;
  for (int k = 0; k < 100; ++k) sprite.patternFrame(100, 120, static_cast<std::uint32_t>(k));
  const std::string path = sprite.write(dir.file("hundred.spr"));
  auto time = [](auto&& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  };

  testing::FakeWindow quiet;
  FrameViewer viewer(quiet);
  quiet.text1 = path;
  viewer.LoadSprite();  // once before timing, so fonts and caches are warm for both
  const double floor = time([&] { viewer.LoadSprite(); });

  Window w;
  w.form.findChild<QCheckBox*>("Check2")->setChecked(true);
  PaintClock clock;
  w.form.findChild<QWidget*>("Picture1")->installEventFilter(&clock);
  const double window = time([&] { w.open(path); });
  std::cout << "window load " << window << " ms (" << clock.paints
            << " preview paints, longest gap " << clock.longestGap << " ms); without events "
            << floor << " ms\n";
  EXPECT_EQ(w.form.StatusText(), "Decoded 100 pictures in " + path);
}

}  // namespace
}  // namespace glint
