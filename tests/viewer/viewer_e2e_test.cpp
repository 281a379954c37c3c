// Opening and scrolling sprites in the real window, offscreen, as a user would: what the preview
// widget shows, and what the window does while a load runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QScrollBar>

#include "platform/dialogs_scripted.h"
#include "support/sprite_builder.h"
#include "ui/form1.h"

namespace glint {
namespace {

// The colour palette entry `index` shows on screen.
QRgb shownColour(int index) {
  static const auto p = testing::DistinctPalette();
  return qRgb(p[4 * index], p[4 * index + 1], p[4 * index + 2]);
}

// The window is resized, scrolled and asked to open another file all through the load.
TEST(ViewerWindow, OpenShowsTheFramesWhileTheWindowStaysUsableAndScrollsToTheLastRow) {
  testing::TempDir app, sprites;
  ScriptedDialogs dialogs;
  Form1 form({.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs});
  form.show();
  auto sprite = [&](const std::string& name, int frames) {  // frame k in index k
    testing::SpriteBuilder builder;
    for (int k = 1; k <= frames; ++k)
      builder.frame(100, 120, testing::Bytes(100 * 120, static_cast<std::uint8_t>(k)));
    return builder.write(sprites.file(name));
  };
  auto open = [&](const std::string& path) {
    dialogs.openAnswers.push_back(path);
    form.findChild<QAction*>("mnuFileOpen")->trigger();
  };
  auto shown = [&] { return form.findChild<QWidget*>("Picture1")->grab().toImage(); };

  const std::string path = sprite("long.spr", 41), other = sprite("other.spr", 1);
  int calls = 0;
  form.yieldHook = [&] {
    if (!form.Loading || ++calls % 200 != 0) return;
    form.SetWidth(calls % 400 == 0 ? 9500 : 10900);  // the sheet narrows and widens: 3 a row
    form.VScroll1_Scroll();
    open(other);  // ignored while this load runs
  };
  open(path);
  form.yieldHook = nullptr;
  EXPECT_GT(calls, 41 * 120);
  EXPECT_EQ(form.StatusText(), "Decoded 41 pictures in " + path);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(form.channels().openCount(), 0);
  QImage image = shown();
  EXPECT_EQ(image.pixel(50, 50), shownColour(1));
  EXPECT_EQ(image.pixel(250, 170), shownColour(6));  // three a row

  // 41 frames end at 1680: the range brings that 20 pixels above the preview's bottom.
  QScrollBar& bar = form.VScroll1Bar();
  EXPECT_TRUE(bar.isEnabled());
  ASSERT_EQ(bar.maximum(), 1680 - form.preview().pixelHeight() + 20);
  bar.setValue(bar.maximum());
  image = shown();
  EXPECT_EQ(image.pixel(150, image.height() - 21), shownColour(41));
  EXPECT_EQ(image.pixel(50, image.height() - 21 - 119), shownColour(40));
  EXPECT_EQ(image.pixel(150, image.height() - 20), qRgb(192, 192, 192));  // nothing below
}

}  // namespace
}  // namespace glint
