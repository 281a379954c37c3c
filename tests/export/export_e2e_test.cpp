// File > Save Single and File > Save Multiple on the real window, offscreen, driven through the
// menu as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <filesystem>

#include "platform/dialogs_scripted.h"
#include "support/sprite_builder.h"
#include "ui/form1.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

struct Window {
  TempDir app, sprites;
  ScriptedDialogs dialogs;
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};

  explicit Window(int frames) {
    testing::SpriteBuilder b;
    for (int k = 1; k <= frames; ++k) {
      testing::Bytes pixels(16, 5);  // literals only, so the decoder yields inside each frame
      pixels.front() = static_cast<std::uint8_t>(k);
      pixels.back() = 9;
      b.frame(8, 2, pixels);
    }
    form.SetText1(b.write(sprites.file("walk.spr")));
    form.show();
  }
  void choose(const char* item) { form.findChild<QAction*>(item)->trigger(); }
};

// The top-left pixel carries the frame's number; the bottom-right one is index 9.
void expectFrame(const std::string& path, int k) {
  QImage image(QString::fromStdString(path));
  ASSERT_EQ(image.size(), QSize(8, 2)) << path;
  auto palette = testing::DistinctPalette();
  EXPECT_EQ(qRed(image.pixel(0, 0)), palette[4 * k]) << path;
  EXPECT_EQ(qGreen(image.pixel(7, 1)), palette[4 * 9 + 1]) << path;
}

TEST(ExportWindow, SaveSingleFromTheMenu) {
  Window w(3);
  w.dialogs.inputAnswers = {"2"};
  w.choose("mnuFileSave");
  expectFrame(w.sprites.file("walk.spr.2.bmp"), 2);
  EXPECT_FALSE(fs::exists(w.sprites.file("walk.spr.1.bmp")));
  EXPECT_EQ(w.form.StatusText(), "Writing bitmap 2 of 3... (This bitmap 100%)");
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_EQ(w.form.channels().openCount(), 0);
}

TEST(ExportWindow, SaveMultipleIntoTheOutputFolderWhileClosingIsRefused) {
  Window w(3);
  int refusedCloses = 0;
  w.form.yieldHook = [&] {
    if (!w.form.Exporting) return;
    w.form.mnuFileExit_Click();
    refusedCloses += w.form.isVisible() ? 1 : 0;
  };
  w.choose("mnuSaveMult");
  EXPECT_GT(refusedCloses, 0);
  for (int k = 1; k <= 3; ++k)
    expectFrame(w.app.file("Output/walk_0" + std::to_string(k) + ".bmp"), k);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].prompt, "Decoded 3 images in walk.spr");
  EXPECT_EQ(w.dialogs.messages[0].caption, "SPR Mox Plus");
  EXPECT_FALSE(w.form.Exporting);
  EXPECT_EQ(w.form.channels().openCount(), 0);
  w.form.yieldHook = nullptr;
  w.choose("mnuFileExit");
  EXPECT_FALSE(w.form.isVisible());
}

}  // namespace
}  // namespace glint
