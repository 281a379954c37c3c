// The window's additions on the real Form1, offscreen: Enter and drops load, and the animation
// window plays, steps, zooms, paints and saves as a user would drive it.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include "cli_support.h"
#include "support/form1_fixture.h"
#include "ui/animation_window.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::Form1Fixture;
using testing::SpriteBuilder;

// Entry k of the builder's palette, as painted.
QColor PaletteColour(int k) { return QColor(k, 255 - k, (k * 7) % 256); }

TEST(WindowAdditions, EnterInThePathBoxOrTheTreeAndDroppedSpriteFilesLoad) {
  Form1Fixture f(false);
  const std::string a = f.sprite("a.spr", 2), b = f.sprite("b.SPR", 3);
  f.make("notes.txt");
  f.reopen();  // the tree lists them
  auto* text1 = f.form->findChild<QLineEdit*>("Text1");
  auto* view = f.form->findChild<QAction*>("mnuAnimation");
  EXPECT_FALSE(view->isEnabled());
  f.form->SetText1(a);
  QTest::keyClick(text1, Qt::Key_Return);
  EXPECT_EQ(f.form->StatusText(), "Decoded 2 pictures in " + a);
  EXPECT_EQ(f.form->lastLoaded(), a);
  EXPECT_TRUE(view->isEnabled());

  f.node(b)->setSelected(true);
  QTest::keyClick(&f.form->TreeView1(), Qt::Key_Enter);
  EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + b);

  // Anything but a sprite file is refused, and nothing is typed into the path box.
  EXPECT_FALSE(text1->acceptDrops());
  auto drop = [&](const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(f.form.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(f.form.get(), &event);
    return event.isAccepted();
  };
  EXPECT_FALSE(drop(f.sprites.file("notes.txt")));
  EXPECT_EQ(f.form->Text1(), b);
  EXPECT_TRUE(drop(a));
  EXPECT_EQ(f.form->Text1() + " | " + f.form->StatusText(), a + " | Decoded 2 pictures in " + a);
  // A load that ends with a message leaves the sprite last loaded as it was.
  f.make("broken.spr");
  EXPECT_TRUE(drop(f.sprites.file("broken.spr")));
  EXPECT_EQ(f.form->lastLoaded(), a);
}

// The canvas as painted, and where the canvas's origin stands on it.
struct Picture {
  QImage image;
  QPoint origin;
  QColor at(int x, int y) const { return image.pixelColor(origin + QPoint(x, y)); }
};
Picture Grab(AnimationWindow& w) {
  QCoreApplication::processEvents();
  return {w.canvas().grab().toImage(), w.canvas().origin()};
}

// The largest part of the canvas painted at once.
struct LargestPaint : QObject {
  QSize largest;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      largest = largest.expandedTo(static_cast<QPaintEvent*>(event)->rect().size());
    return false;
  }
};

TEST(AnimationWindow, PlaysStepsZoomsPaintsAndSavesTheFrameShowing) {
  Form1Fixture f;
  // Frame 1: 4 x 2 of index 5; frame 2 has no pixels; frame 3: 2 x 4, index 0 at its top left.
  const std::string path = SpriteBuilder()
                               .frame(4, 2, Bytes(8, 5))
                               .rawFrame(0, 0, {})
                               .frame(2, 4, {0, 9, 9, 9, 9, 9, 9, 200})
                               .write(f.sprites.file("walk.spr"));
  f.form->SetText1(path);
  f.form->LoadSprite();
  f.form->findChild<QAction*>("mnuAnimation")->trigger();
  AnimationWindow* w = f.form->animationWindow();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  EXPECT_EQ(w->windowTitle().toStdString(), "Animation - walk.spr");
  EXPECT_TRUE(w->animation()->playback().playing());  // from the start

  QTest::keyClick(w, Qt::Key_Space);
  QTest::keyClick(w, Qt::Key_Home);
  EXPECT_FALSE(w->animation()->playback().playing());
  EXPECT_EQ(w->statusText().toStdString(), "Frame 1 of 3 | 4 x 2 | 4x | 100 ms");
  // The 4 x 4 canvas at 4x: frame 1 on rows 1-2, each pixel a 4 x 4 block; grey around it.
  Picture p = Grab(*w);
  EXPECT_EQ(p.at(0, 3), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(p.at(0, 4), PaletteColour(5));
  EXPECT_EQ(p.at(15, 11), PaletteColour(5));
  EXPECT_EQ(p.at(15, 12), QColor(0x80, 0x80, 0x80));

  // Stepping skips the empty frame; zooming keeps blocks whole.
  QTest::keyClick(w, Qt::Key_Right);
  QTest::keyClick(w, Qt::Key_Equal, Qt::ControlModifier);
  EXPECT_EQ(w->statusText().toStdString(), "Frame 3 of 3 | 2 x 4 | 6x | 100 ms");
  p = Grab(*w);
  // Frame 3 stands at (1, 0): its pixel (1, 3), index 200, covers x 12-17, y 18-23.
  EXPECT_EQ(p.at(12, 18), PaletteColour(200));
  EXPECT_EQ(p.at(17, 23), PaletteColour(200));
  EXPECT_EQ(p.at(11, 18), PaletteColour(9));
  EXPECT_EQ(p.at(6, 0), PaletteColour(0));  // index 0 in its colour until T
  QMouseEvent move(QEvent::MouseMove, QPointF(p.origin + QPoint(13, 19)),
                   QPointF(p.origin + QPoint(13, 19)), Qt::NoButton, Qt::NoButton, {});
  QCoreApplication::sendEvent(&w->canvas(), &move);
  EXPECT_EQ(w->statusText().toStdString(),
            "Frame 3 of 3 | 2 x 4 | 6x | 100 ms | x 1, y 3: index 200 (R 200, G 55, B 120)");

  // T: index 0 shows the checkerboard in 8-pixel screen squares from the canvas origin; the
  // Export menu's item is the same setting.
  QTest::keyClick(w, Qt::Key_T);
  EXPECT_TRUE(f.form->transparentAction().isChecked());
  p = Grab(*w);
  EXPECT_EQ(p.at(6, 0), QColor(0xCC, 0xCC, 0xCC));
  EXPECT_EQ(p.at(8, 0), QColor(0x99, 0x99, 0x99));
  EXPECT_EQ(p.at(11, 5), QColor(0x99, 0x99, 0x99));

  // Ctrl+C copies the frame itself; Ctrl+S saves what the converter writes for it.
  QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
  const QImage copied = QGuiApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), QSize(2, 4));
  EXPECT_EQ(copied.pixelColor(1, 3), PaletteColour(200));
  EXPECT_EQ(copied.pixelColor(0, 0).alpha(), 0);
  f.dialogs.saveAnswers = {f.app.file("frame.png")};
  QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(f.dialogs.saves.size(), 1u);
  EXPECT_EQ(f.dialogs.saves[0].start, f.form->Text2() + "/walk_03.png");
  ASSERT_EQ(testing::Sprconv({"export", path, "--frames", "3", "--format", "png", "--transparent"})
                .status,
            0);
  EXPECT_EQ(testing::ReadFile(f.app.file("frame.png")), testing::ReadFile(path + ".3.png"));

  // Frame time keys step through the list; zoom keys stop at the ends; Ctrl+0 is actual size.
  QTest::keyClick(w, Qt::Key_BracketLeft);
  QTest::keyClick(w, Qt::Key_BracketRight);
  QTest::keyClick(w, Qt::Key_BracketRight);
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, {0, 120}, Qt::NoButton, Qt::ControlModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&w->canvas(), &wheel);
  EXPECT_EQ(w->animation()->zoom(), 8);
  for (int k = 0; k < 8; ++k) QTest::keyClick(w, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(w->statusText().toStdString(), "Frame 3 of 3 | 2 x 4 | 1x | 80 ms");
  QTest::keyClick(w, Qt::Key_End);
  QTest::keyClick(w, Qt::Key_Left);
  QTest::keyClick(w, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(w->statusText().toStdString(), "Frame 1 of 3 | 4 x 2 | 1x | 80 ms");

  // Another sprite loaded: the window follows it at its own opening zoom.
  const std::string other = f.sprite("other.spr", 2);
  f.form->SetText1(other);
  f.form->LoadSprite();
  EXPECT_EQ(w->windowTitle().toStdString(), "Animation - other.spr");
  EXPECT_EQ(w->animation()->zoom(), 4);
  EXPECT_EQ(w->animation()->playback().frameTime(), 80);  // kept between sprites

  // Escape closes it; View > Animation opens a new one; closing the main window closes it.
  QTest::keyClick(w, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f.form->animationWindow(), nullptr);
  f.form->mnuAnimation_Click();
  w = f.form->animationWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  f.form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f.form->animationWindow(), nullptr);
}

TEST(AnimationWindow, ASpriteWithoutPixelsSaysSoAndAHugeFramePaintsOnlyWhatShows) {
  Form1Fixture f;
  f.form->SetText1(SpriteBuilder().rawFrame(0, 0, {}).write(f.sprites.file("empty.spr")));
  f.form->LoadSprite();
  f.form->mnuAnimation_Click();
  AnimationWindow* w = f.form->animationWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->statusText().toStdString(), "1 frame, none with pixels | 1x | 100 ms");
  w->step(1);  // nothing to step to
  EXPECT_EQ(w->shown().number, 0);

  // 32,767 x 1 at 16x: the window stays within the screen, scrolls, and paints what shows.
  // (Straight to the window: the main window's sheet for it would take a while to clear.)
  w->setSprite(SpriteBuilder().frame(32767, 1, Bytes(32767, 7)).write(f.sprites.file("w.spr")));
  LargestPaint paints;
  w->canvas().installEventFilter(&paints);
  w->setZoom(16);
  auto* view = w->findChild<QScrollArea*>("AnimationView");
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  QCoreApplication::processEvents();
  EXPECT_EQ(w->canvas().minimumWidth(), 32767 * 16);
  EXPECT_LE(w->width(), w->screen()->availableGeometry().width());
  EXPECT_LE(paints.largest.width(), view->viewport()->width());
  const QPoint end = w->canvas().origin() + QPoint(32767 * 16 - 1, 0);
  EXPECT_EQ(w->canvas().grab(QRect(end, QSize(1, 1))).toImage().pixelColor(0, 0), PaletteColour(7));
}

}  // namespace
}  // namespace glint
