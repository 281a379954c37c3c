// Start-up, layout, the open dialog, the path box's focus and the close guard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <map>

#include "form1_fixture.h"
#include "ui/fixed_values.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Form1Fixture;
using testing::TempDir;

TEST(Startup, SpriteFolderLiesInTheWinePrefix) {
  TempDir prefix;
  const std::string tail = "/Tessora/ValkarinOnline/data/sprite";
  const std::string native = prefix.path() + "/drive_c/Program Files" + tail;
  const std::string x86 = prefix.path() + "/drive_c/Program Files (x86)" + tail;
  std::map<std::string, std::string> env;
  auto getenv = [&](const char* name) -> std::optional<std::string> {
    auto found = env.find(name);
    if (found == env.end()) return std::nullopt;
    return found->second;
  };
  env = {{"HOME", "/home/ann"}};
  EXPECT_EQ(DefaultSpriteFolder(getenv), "/home/ann/.wine/drive_c/Program Files" + tail);
  env = {{"HOME", "/home/ann"}, {"WINEPREFIX", prefix.path() + "/"}};
  EXPECT_EQ(DefaultSpriteFolder(getenv), native);  // neither exists: the usual place
  fs::create_directories(x86);
  EXPECT_EQ(DefaultSpriteFolder(getenv), x86);  // only the 32-bit place exists
  fs::create_directories(native);
  EXPECT_EQ(DefaultSpriteFolder(getenv), native);
}

TEST(Startup, OutputFolderIsPreparedBesideTheProgram) {
  struct Case {
    const char* name;
    const char* present;   // "", "folder" or "file": what is named Output already
    bool appMissing;       // the program's folder cannot take it
    const char* expected;  // "beside" or "fallback"
  };
  const Case cases[] = {
      {"created", "", false, "beside"},
      {"found", "folder", false, "beside"},
      {"a file is left alone", "file", false, "beside"},
      {"fallback", "", true, "fallback"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir app, pictures;
    std::string appPath = c.appMissing ? app.file("not/there") : app.path();
    std::string beside = appPath + "/Output";
    if (std::string(c.present) == "folder") fs::create_directory(beside);
    if (std::string(c.present) == "file") std::ofstream(beside) << "keep";
    std::string fallback = pictures.path() + "/Glintscope Output";
    std::string got = PrepareOutputFolder(appPath, pictures.path());
    EXPECT_EQ(got, std::string(c.expected) == "beside" ? beside : fallback);
    if (std::string(c.present) == "file") {
      EXPECT_TRUE(fs::is_regular_file(beside));
    } else {
      EXPECT_TRUE(fs::is_directory(got));
    }
  }
}

TEST(Layout, FollowsTheWindowAndKeepsItsMinimum) {
  Form1Fixture f;
  // The window stands at whole pixels: the minimum 8000 x 7000 is 525 x 399 pixels of client
  // area at 15 twips a pixel, which reads back as 7995 x 7005; the layout counts with 8000.
  struct Case {
    int width, height;
    int outWidth, outHeight;
  };
  for (const Case& c : {Case{8000, 7000, 7995, 7005}, Case{12000, 9000, 12000, 9000},
                        Case{3000, 2000, 7995, 7005}}) {
    SCOPED_TRACE(c.width);
    f.form->SetWidth(c.width);
    f.form->SetHeight(c.height);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.form->Width(), c.outWidth);
    EXPECT_EQ(f.form->Height(), c.outHeight);
    const int w = std::max(c.outWidth, 8000);
    EXPECT_EQ(f.form->ControlRect("Text1").Width, w - 1395);
    EXPECT_EQ(f.form->ControlRect("Browse").Left, w - 1175);
    EXPECT_EQ(f.form->ControlRect("Picture1").Width, w - 4975);
    EXPECT_EQ(f.form->ControlRect("Picture1").Height, c.outHeight - 2710);
    EXPECT_EQ(f.form->ControlRect("VScroll1"), (TwipRect{w - 405, 1680, 255, c.outHeight - 2710}));
    // The sheet is as wide as the preview, to the pixel, and 1500 pixels high.
    EXPECT_EQ(f.form->sheet().pixelWidth(), f.form->preview().pixelWidth());
    EXPECT_EQ(f.form->sheet().pixelHeight(), 1500);
  }
  EXPECT_EQ(f.form->ControlRect("Text1").Width, 6605);
  EXPECT_EQ(f.form->ControlRect("Browse").Left, 6825);
  EXPECT_EQ(f.form->ControlRect("Picture1").Width, 3025);
  // The window system is told the minimum too.
  EXPECT_EQ(f.form->minimumSizeHint(), f.form->size());
}

TEST(Layout, NothingIsLaidOutWhileMinimized) {
  Form1Fixture f;
  f.form->SetWidth(9000);
  QCoreApplication::processEvents();
  QWidget* text1 = f.form->findChild<QWidget*>("Text1");
  f.form->setWindowState(Qt::WindowMinimized);
  text1->resize(10, text1->height());
  f.form->Form_Resize();
  EXPECT_EQ(text1->width(), 10);
  f.form->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(f.form->ControlRect("Text1").Width, 9000 - 1395);
}

TEST(OpenDialog, CancelKeepsEverythingAndAChoiceLoadsAndMovesOn) {
  using Handler = void (Form1::*)();
  for (Handler open : {&Form1::Browse_Click, &Form1::mnuFileOpen_Click}) {
    Form1Fixture f;
    const std::string first = f.sprite("one.spr"), second = f.sprite("two.spr", 2);
    f.form->SetText1("typed");
    f.dialogs.openAnswers = {std::nullopt, first, std::nullopt, second};
    (f.form.get()->*open)();  // cancelled
    EXPECT_EQ(f.form->Text1(), "typed");
    EXPECT_EQ(f.form->CommonDialog1.InitDir, f.sprites.path());
    (f.form.get()->*open)();  // chosen
    EXPECT_EQ(f.form->Text1(), first);
    EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + first);
    EXPECT_EQ(f.form->CommonDialog1.InitDir, "");
    (f.form.get()->*open)();  // cancelled again: the last file stays named
    EXPECT_EQ(f.form->CommonDialog1.FileName, first);
    (f.form.get()->*open)();
    EXPECT_EQ(f.form->StatusText(), "Decoded 2 pictures in " + second);

    ASSERT_EQ(f.dialogs.opens.size(), 4u);
    for (const CommonDialog& shown : f.dialogs.opens) {
      EXPECT_TRUE(shown.CancelError);
      EXPECT_EQ(shown.Filter, "Valkarin Sprite files (*.spr)|*.spr");
    }
    EXPECT_EQ(f.dialogs.opens[1].InitDir, f.sprites.path());  // still there after a cancel
    EXPECT_EQ(f.dialogs.opens[2].InitDir, "");
    EXPECT_EQ(f.dialogs.opens[2].FileName, first);
  }
}

TEST(OpenDialog, MenuItemAndButtonBothOpenIt) {
  Form1Fixture f;
  f.form->findChild<QAction*>("mnuFileOpen")->trigger();
  f.form->findChild<QPushButton*>("Browse")->click();
  EXPECT_EQ(f.dialogs.opens.size(), 2u);
}

TEST(PathBox, GettingTheFocusSelectsTheWholePath) {
  Form1Fixture f;
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.form.get()));
  auto* text1 = f.form->findChild<QLineEdit*>("Text1");
  EXPECT_TRUE(text1->hasFocus());  // first in the tab order
  const QString path = "/home/ann/sprites/walk.spr";
  f.form->SetText1(path.toStdString());
  auto* browse = f.form->findChild<QWidget*>("Browse");

  browse->setFocus();
  QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(20, text1->height() / 2));
  EXPECT_EQ(text1->selectedText(), path) << "by mouse";
  // A click in a box that has the focus places the cursor as usual.
  QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(20, text1->height() / 2));
  EXPECT_EQ(text1->selectedText(), "");

  browse->setFocus();
  QTest::keyClick(browse, Qt::Key_Backtab);
  EXPECT_TRUE(text1->hasFocus());
  EXPECT_EQ(text1->selectedText(), path) << "by keyboard";
}

TEST(CloseGuard, ClosingInsideARealLoadOrExportIsRefused) {
  Form1Fixture f;
  const std::string path = f.sprite("walk.spr", 4);
  f.form->SetText1(path);
  int refused = 0;
  f.form->yieldHook = [&] {
    if (!f.form->close()) ++refused;
  };
  f.form->LoadSprite();
  EXPECT_GT(refused, 0);
  EXPECT_TRUE(f.form->isVisible());
  EXPECT_EQ(f.form->StatusText(), "Decoded 4 pictures in " + path);

  refused = 0;
  f.form->mnuSaveMult_Click();
  EXPECT_GT(refused, 0);
  EXPECT_TRUE(f.form->isVisible());

  f.form->yieldHook = nullptr;
  f.form->findChild<QAction*>("mnuFileExit")->trigger();  // through the same guard
  EXPECT_FALSE(f.form->isVisible());
}

}  // namespace
}  // namespace glint
