// The animation window on the real Form1, offscreen: it plays, steps, zooms, paints and saves as a
// user would drive it, and follows the sprite the main window loads.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "anim/canvas.h"
#include "cli_support.h"
#include "path/path.h"
#include "support/form1_fixture.h"
#include "ui/animation_window.h"
#include "ui/palette_files.h"
#include "ui/palette_panel.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

// Entry k of the builder's palette, as painted.
QColor PaletteColour(int k) { return QColor(k, 255 - k, (k * 7) % 256); }
QColor Faded(const QColor& c) { return QColor::fromRgb(anim::Faded(c.rgb())); }

// A dye: entry k is (255 - k, k, 0).
spr::Palette Dye() {
  spr::Palette dye{};
  for (std::size_t k = 0; k < 256; ++k)
    dye.setColour(k, {static_cast<std::uint8_t>(255 - k), static_cast<std::uint8_t>(k), 0});
  return dye;
}
QColor DyeColour(int k) { return QColor(255 - k, k, 0); }

// walk.spr, opened from View > Animation. Frame 1: 4 x 2 of index 5; frame 2 has no pixels;
// frame 3: 2 x 4, index 0 at its top left.
class AnimationWindowTest : public testing::Form1Fixture, public ::testing::Test {
 protected:
  AnimationWindowTest() {
    SpriteBuilder walk;
    walk.frame(4, 2, Bytes(8, 5)).rawFrame(0, 0, {}).frame(2, 4, {0, 9, 9, 9, 9, 9, 9, 200});
    load(path = walk.write(sprites.file("walk.spr")));
    action("mnuAnimation")->trigger();
    w = animationWindow();
  }
  void SetUp() override { ASSERT_TRUE(w != nullptr && QTest::qWaitForWindowActive(w)); }
  void keys(std::initializer_list<QKeyCombination> presses) {
    for (QKeyCombination k : presses) QTest::keyClick(w, k.key(), k.keyboardModifiers());
  }
  std::string status() { return w->statusText().toStdString(); }
  // The palette panel shown, with the sprite's counts in.
  PalettePanel& panel() {
    QTest::keyClick(w, Qt::Key_P);
    EXPECT_TRUE(w->palettePanel().isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->spriteCounts().has_value(); }));
    return w->palettePanel();
  }
  void moveTo(QWidget& widget, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(&widget, &move);
  }
  QColor swatchPixel(int index, QPoint offset) {
    return w->palettePanel().grab().toImage().pixelColor(PalettePanel::SwatchRect(index).topLeft() +
                                                         offset);
  }
  // The canvas as painted now, at these points from the canvas's origin.
  std::vector<QColor> painted(std::initializer_list<QPoint> points) {
    QCoreApplication::processEvents();
    const QImage image = w->canvas().grab().toImage();
    std::vector<QColor> colours;
    for (QPoint at : points) colours.push_back(image.pixelColor(w->canvas().origin() + at));
    return colours;
  }
  // Paused on frame 3 at 6x: its pixel (1, 3), index 200, covers x 12-17, y 18-23.
  void showFrame3() {
    keys({Qt::Key_Space, Qt::Key_Home, Qt::Key_Right, Qt::CTRL | Qt::Key_Equal});
  }

  std::string path;
  AnimationWindow* w = nullptr;
};

// It opens playing, so Space pauses. The 4 x 4 canvas at 4x: frame 1 on rows 1-2, each pixel a
// 4 x 4 block; grey around it. Right skips the empty frame 2, and at 6x frame 3's blocks stay
// whole; index 0 shows in its colour until T.
TEST_F(AnimationWindowTest, PausesOnTheFirstFrameAndStepsOverTheEmptyOne) {
  keys({Qt::Key_Space, Qt::Key_Home});
  EXPECT_EQ(std::pair(w->animation()->playback().playing(), status()),
            std::pair(false, std::string("Frame 1 of 3 | 4 x 2 | 4x | 100 ms")));
  const QColor grey(0x80, 0x80, 0x80);
  EXPECT_EQ(painted({{0, 3}, {0, 4}, {15, 11}, {15, 12}}),
            (std::vector{grey, PaletteColour(5), PaletteColour(5), grey}));
  keys({Qt::Key_Right, Qt::CTRL | Qt::Key_Equal});
  EXPECT_EQ(status(), "Frame 3 of 3 | 2 x 4 | 6x | 100 ms");
  EXPECT_EQ(
      painted({{12, 18}, {17, 23}, {11, 18}, {6, 0}}),
      (std::vector{PaletteColour(200), PaletteColour(200), PaletteColour(9), PaletteColour(0)}));
}

// The pixel under the pointer: its index and colour on the status line, and an outline around its
// swatch, and no other.
TEST_F(AnimationWindowTest, ThePointerShowsItsPixelsIndexAndOutlinesItsSwatch) {
  showFrame3();
  panel();
  moveTo(w->canvas(), w->canvas().origin() + QPoint(13, 19));  // index 200
  QCoreApplication::processEvents();
  EXPECT_EQ(status(),
            "Frame 3 of 3 | 2 x 4 | 6x | 100 ms | x 1, y 3: index 200 (R 200, G 55, B 120)");
  EXPECT_EQ(std::pair(swatchPixel(200, {-1, 5}), swatchPixel(9, {-1, 5})),
            std::pair(QColor(255, 40, 40), w->palettePanel().palette().window().color()));
}

// T shows index 0 as 8-pixel screen squares from the canvas origin, and the Export menu's item is
// the same setting. Ctrl+C copies the frame itself, and Ctrl+S saves what the converter writes.
TEST_F(AnimationWindowTest, TShowsACheckerboardAndCopyAndSaveTakeTheFrameItself) {
  showFrame3();
  keys({Qt::Key_T, Qt::ControlModifier | Qt::Key_C});
  EXPECT_TRUE(action("mnuTransparent")->isChecked());
  const QColor light(0xCC, 0xCC, 0xCC), dark(0x99, 0x99, 0x99);
  EXPECT_EQ(painted({{6, 0}, {8, 0}, {11, 5}}), (std::vector{light, dark, dark}));
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(std::tuple(copied.size(), copied.pixelColor(1, 3), copied.pixelColor(0, 0).alpha()),
            std::tuple(QSize(2, 4), PaletteColour(200), 0));
  dialogs.saveAnswers = {app.file("frame.png")};
  QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(dialogs.saves.at(0).start, model().Text2() + "/walk_03.png");
  const testing::Strings args = {"export",   path,  "--frames",     "3",
                                 "--format", "png", "--transparent"};
  ASSERT_EQ(testing::Sprconv(args).status, 0);
  EXPECT_EQ(testing::ReadFile(app.file("frame.png")), testing::ReadFile(path + ".3.png"));
}

// Frame time keys step through the list; zoom keys stop at the ends; Ctrl+0 is actual size.
TEST_F(AnimationWindowTest, FrameTimeAndZoomKeysStopAtTheEnds) {
  showFrame3();
  keys({Qt::Key_BracketLeft, Qt::Key_BracketRight, Qt::Key_BracketRight});
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, {0, 120}, Qt::NoButton, Qt::ControlModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&w->canvas(), &wheel);
  EXPECT_EQ(w->animation()->zoom(), 8);
  for (int k = 0; k < 8; ++k) QTest::keyClick(w, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(status(), "Frame 3 of 3 | 2 x 4 | 1x | 80 ms");
  keys({Qt::Key_End, Qt::Key_Left, Qt::ControlModifier | Qt::Key_0});
  EXPECT_EQ(status(), "Frame 1 of 3 | 4 x 2 | 1x | 80 ms");
}

// At its own opening zoom; the frame time is kept between sprites.
TEST_F(AnimationWindowTest, FollowsTheSpriteTheMainWindowLoads) {
  w->setFrameTime(80);
  load(sprite("other.spr", 2));
  EXPECT_EQ(std::tuple(w->windowTitle().toStdString(), w->animation()->zoom(),
                       w->animation()->playback().frameTime()),
            std::tuple("Animation - other.spr", 4, 80));
  load(SpriteBuilder().rawFrame(0, 0, {}).write(sprites.file("empty.spr")));
  w->step(1);  // nothing to step to
  EXPECT_EQ(std::tuple(status(), w->shown().number),
            std::tuple("1 frame, none with pixels | 1x | 80 ms", 0));
}

// 32,767 x 1 at 16x: the window stays within the screen, scrolls, and paints what shows.
// (Straight to the window: the main window's sheet for it would take a while to clear.)
TEST_F(AnimationWindowTest, AHugeFrameScrollsWithinTheScreen) {
  w->setSprite(SpriteBuilder().frame(32767, 1, Bytes(32767, 7)).write(sprites.file("w.spr")));
  w->setZoom(16);
  auto* view = w->findChild<QScrollArea*>("AnimationView");
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  QCoreApplication::processEvents();
  EXPECT_EQ(w->canvas().minimumWidth(), 32767 * 16);
  EXPECT_LE(w->width(), w->screen()->availableGeometry().width());
  const QPoint end = w->canvas().origin() + QPoint(32767 * 16 - 1, 0);
  EXPECT_EQ(w->canvas().grab(QRect(end, QSize(1, 1))).toImage().pixelColor(0, 0), PaletteColour(7));
}

// P and View > Palette show and hide the panel beside the frame. On frame 3 (index 0 once, 9 six
// times, 200 once; frame 1 holds eight of index 5): each swatch tells its colour and counts; the
// sprite's unused indices are faded, the used ones marked in a corner.
TEST_F(AnimationWindowTest, ThePanelBesideTheFrameTellsEachSwatchsCountsInTheFrameAndTheSprite) {
  showFrame3();
  PalettePanel& swatches = panel();
  EXPECT_GE(PalettePanel::SwatchRect(255).width(), 12);
  EXPECT_GE(swatches.x(), w->findChild<QScrollArea*>("AnimationView")->geometry().right());
  const std::tuple<int, std::string, QColor, QColor> cases[] = {
      {9, "index 9 (R 9, G 246, B 63) #09F63F | 6 pixels in this frame, 6 in the sprite",
       PaletteColour(9), Qt::black},
      {5, "index 5 (R 5, G 250, B 35) #05FA23 | 0 pixels in this frame, 8 in the sprite",
       PaletteColour(5), Qt::black},
      {0, "index 0 (R 0, G 255, B 0) #00FF00 | 1 pixel in this frame, 1 in the sprite",
       PaletteColour(0), Qt::black},
      {77, "index 77 (R 77, G 178, B 27) #4DB21B | 0 pixels in this frame, 0 in the sprite",
       Faded(PaletteColour(77)), Faded(PaletteColour(77))}};
  for (const auto& [index, text, middle, corner] : cases) {
    moveTo(swatches, PalettePanel::SwatchRect(index).center());
    EXPECT_EQ(status(), text);
    EXPECT_EQ(std::pair(swatchPixel(index, {7, 7}), swatchPixel(index, {1, 1})),
              std::pair(middle, corner))
        << index;
  }
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&swatches, &leave);
  EXPECT_EQ(status(), "Frame 3 of 3 | 2 x 4 | 6x | 100 ms");
  w->findChild<QAction*>("mnuPalettePanel")->trigger();
  EXPECT_FALSE(swatches.isVisible());
}

// Clicks and Escape on the highlight, and what the canvas paints: frame 3's index 9 at (1, 0),
// index 200 at (1, 3), at 6x. Playback goes on through it.
TEST_F(AnimationWindowTest, ClickingSwatchesHighlightsTheirPixels) {
  panel();
  const auto click = [&](int index, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(&w->palettePanel(), Qt::LeftButton, keys,
                      PalettePanel::SwatchRect(index).center());
  };
  click(9);
  EXPECT_TRUE(w->animation()->playback().playing());
  showFrame3();
  const QColor nine = PaletteColour(9), top = PaletteColour(200);
  const std::tuple<std::function<void()>, std::vector<QColor>, bool> steps[] = {
      {[] {}, {nine, Faded(top)}, true},
      {[&] { click(200, Qt::ShiftModifier); }, {nine, top}, true},
      {[&] { click(9, Qt::ShiftModifier); }, {Faded(nine), top}, true},
      {[&] { click(200); }, {nine, top}, true},
      {[&] { click(200); }, {Faded(nine), top}, true},
      {[&] { click(9); }, {nine, Faded(top)}, true},
      {[&] { QTest::keyClick(w, Qt::Key_Escape); }, {nine, top}, true},
      {[&] { QTest::keyClick(w, Qt::Key_Escape); }, {nine, top}, false}};
  int step = 0;
  for (const auto& [act, colours, open] : steps) {
    act();
    EXPECT_EQ(w->isVisible(), open) << step;
    EXPECT_EQ(open ? painted({{12, 0}, {12, 18}}) : colours, colours) << step;  // closed: none
    ++step;
  }
}

// Ctrl+P shows the frames in another file's palette, a sprite's or a PNG's; Ctrl+C and Ctrl+S
// take it; Ctrl+Shift+P goes back. Nothing is written to either file. A file that holds no
// palette is told, and the palette shown stays.
TEST_F(AnimationWindowTest, LoadPaletteShowsTheFramesInAnotherPalette) {
  showFrame3();
  const Bytes dyePng = image::PaletteSwatchPng(Dye());
  const std::string dyeSprite = SpriteBuilder().palette(Dye()).write(sprites.file("dye.spr")),
                    pngPath = testing::WriteFile(sprites.file("dye.png"), dyePng);
  const Bytes before = testing::ReadFile(path);
  for (const std::string& file : {dyeSprite, pngPath}) {
    dialogs.openAnswers = {file};
    QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(
        std::pair(painted({{12, 18}}), status()),
        std::pair(std::vector{DyeColour(200)}, "Frame 3 of 3 | 2 x 4 | 6x | 100 ms | palette " +
                                                   std::string(path::FileName(file))));
  }
  QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().pixelColor(1, 3), DyeColour(200));
  dialogs.saveAnswers = {app.file("frame.png")};
  QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(QImage(QString::fromStdString(app.file("frame.png"))).pixelColor(1, 3), DyeColour(200));
  QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(std::pair(painted({{12, 18}}), status()),
            std::pair(std::vector{PaletteColour(200)},
                      std::string("Frame 3 of 3 | 2 x 4 | 6x | 100 ms")));
  EXPECT_EQ(std::pair(testing::ReadFile(path), testing::ReadFile(pngPath)),
            std::pair(before, dyePng));
  const std::string text = testing::WriteFile(sprites.file("walk.spr.txt"), Bytes{'h', 'i'});
  dialogs.openAnswers = {text, std::nullopt};
  for (int k = 0; k < 2; ++k) QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);  // 2: cancelled
  EXPECT_EQ(said(), (std::vector<std::string>{"Cannot use " + text +
                                              " as a palette: neither a sprite file, a GIMP or "
                                              "JASC palette, a PNG nor a BMP file"}));
  EXPECT_EQ(std::pair(painted({{12, 18}}), w->palettePath()),
            std::pair(std::vector{PaletteColour(200)}, std::string()));
}

// Escape closes it; View > Animation opens a new one; closing the main window closes it.
TEST_F(AnimationWindowTest, ClosesOnEscapeAndWithTheMainWindow) {
  QTest::keyClick(w, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(animationWindow(), nullptr);
  form->mnuAnimation_Click();
  ASSERT_TRUE(animationWindow() != nullptr && animationWindow()->isVisible());
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(animationWindow(), nullptr);
}

// From the last of three playable frames, Left steps back and Right wraps to the first.
TEST_F(AnimationWindowTest, LeftStepsBackAndRightWrapsToTheFirst) {
  load(SpriteBuilder().frame(1, 1, {1}).frame(1, 1, {2}).frame(1, 1, {3}).write(
      sprites.file("three.spr")));
  for (auto [key, shown] : {std::pair{Qt::Key_Left, 2}, {Qt::Key_Right, 1}}) {
    keys({Qt::Key_End, key});
    EXPECT_EQ(w->shown().number, shown) << key;
  }
}

}  // namespace
}  // namespace glint
