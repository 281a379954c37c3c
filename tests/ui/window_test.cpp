// The window itself: controls, captions, geometry, tab order, menus, icons and first state;
// start-up from the command line and the output folder, the directory tree, layout, the open
// dialog, the path box's focus and the viewer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "app/command_line.h"
#include "platform/dialogs_qt.h"
#include "support/form1_fixture.h"
#include "ui/default_folders.h"
#include "ui/icons.h"
#include "ui/output_folder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::SpriteBuilder;
using testing::TempDir;
using Strings = std::vector<std::string>;
// Not UTF-8 (0xFF never is): shown with U+FFFD, yet opened by its bytes.
constexpr char kOdd[] = "a\377b.spr";
constexpr char kSpriteFilter[] = "Valkarin Sprite files (*.spr)|*.spr";

class Window : public testing::Form1Fixture, public ::testing::Test {
 protected:
  QLineEdit* text1() { return form->findChild<QLineEdit*>("Text1"); }
  // The path box and the status line, as a load leaves them.
  std::string shown() { return model().Text1() + " | " + model().StatusText(); }
};

TEST(Startup, SpriteFolderLiesInTheWinePrefixPreferringTheNativeProgramFolder) {
  TempDir prefix;
  const std::string tail = "/Tessora/ValkarinOnline/data/sprite";
  const std::string native = prefix.path() + "/drive_c/Program Files" + tail;
  const std::string x86 = prefix.path() + "/drive_c/Program Files (x86)" + tail;
  std::optional<std::string> wine;
  auto folder = [&] {
    return DefaultSpriteFolder([&](std::string_view name) {
      return name == "HOME" ? std::optional<std::string>("/home/ann") : wine;
    });
  };
  EXPECT_EQ(folder(), "/home/ann/.wine/drive_c/Program Files" + tail);
  wine = prefix.path() + "/";
  EXPECT_EQ(folder(), native);  // neither exists: the usual place
  fs::create_directories(x86);
  EXPECT_EQ(folder(), x86);  // only the 32-bit place exists
  fs::create_directories(native);
  EXPECT_EQ(folder(), native);
}

// Beside the program, or in the Pictures folder where there is no program folder, and always
// there for an installed viewer; a file already of that name is left alone.
TEST(Startup, OutputFolderIsMadeBesideTheProgramOrInPictures) {
  for (const bool installed : {false, true}) {
    for (const std::string present : {"nothing", "folder", "file", "no program folder"}) {
      SCOPED_TRACE(present + (installed ? " installed" : ""));
      TempDir app, pictures;
      const bool fallback = installed || present == "no program folder";
      const std::string appPath = fallback && !installed ? app.file("not/there") : app.path();
      const std::string want = fallback ? pictures.file("Glintscope Output") : appPath + "/Output";
      if (present == "folder") fs::create_directory(want);
      if (present == "file") std::ofstream(want) << "keep";
      const std::string made = installed ? PrepareInstalledOutputFolder(pictures.path())
                                         : PrepareOutputFolder(appPath, pictures.path());
      const bool kept = present == "file" ? fs::is_regular_file(want) : fs::is_directory(want);
      EXPECT_EQ(std::pair(made, kept), std::pair(want, true));
    }
  }
}

// The sprite folder holds folders, sprites and other files; the window opens on it.
class Tree : public Window {
 protected:
  Tree() {
    for (const char* name : {"sub/inner/", "sub/one.spr", "Zeta/", ".hidden/", "c.txt", ".d.spr",
                             "folder.spr/", "empty/", "gone/"})
      make(name);
    reopen();
  }
  // The node's children, one a line: key, text, image.
  std::string childrenOf(const std::string& key) {
    std::string lines;
    QTreeWidgetItem* item = node(key);
    for (int i = 0; item != nullptr && i < item->childCount(); ++i)
      lines += tree().Key(item->child(i)) + " " + item->child(i)->text(0).toStdString() + " " +
               std::to_string(FolderTree::Image(item->child(i))) + "\n";
    return lines;
  }
  const std::string a = sprite("a.spr"), b = sprite("b.SPR"), odd = sprite(kOdd),
                    p = sprites.path() + "/";
};

TEST_F(Tree, ListsFoldersThenSpritesUnderTheExpandedRoot) {
  EXPECT_EQ(childrenOf("/"), p + "empty/ empty 1\n" + p + "folder.spr/ folder.spr 1\n" + p +
                                 "gone/ gone 1\n" + p + "sub/ sub 1\n" + p + "Zeta/ Zeta 1\n" + p +
                                 "a.spr a.spr 2\n" + odd + " a\uFFFDb.spr 2\n" + p +
                                 "b.SPR b.SPR 2\n");
  QTreeWidgetItem* root = node("/");
  EXPECT_EQ(std::tuple(root->text(0).toStdString(), FolderTree::Image(root), root->isExpanded()),
            std::tuple(sprites.path(), 1, true));
}

// Unread, a folder holds a placeholder; what is there when it is first expanded shows.
TEST_F(Tree, ReadsAFolderWhenFirstExpandedAndNeverAgain) {
  EXPECT_EQ(childrenOf(p + "sub/"), "$$$" + p + "sub sub 0\n");
  make("sub/two.spr");
  node(p + "sub/")->setExpanded(true);
  const std::string sub = childrenOf(p + "sub/");
  EXPECT_EQ(sub, p + "sub/inner/ inner 1\n" + p + "sub/one.spr one.spr 2\n" + p +
                     "sub/two.spr two.spr 2\n");
  for (const char* name : {"sub/three.spr", "late.spr"}) make(name);
  for (const std::string& key : {p + "sub/", std::string("/")}) {
    node(key)->setExpanded(false);
    node(key)->setExpanded(true);
  }
  EXPECT_EQ(childrenOf(p + "sub/"), sub);
  EXPECT_EQ(node(p + "late.spr"), nullptr);
}

// Expanded, an empty or vanished folder holds nothing; without the sprite folder the root stands
// alone.
TEST_F(Tree, AnEmptyOrVanishedFolderLosesItsPlaceholder) {
  fs::remove(p + "gone");
  for (const char* name : {"empty/", "gone/"}) {
    node(p + name)->setExpanded(true);
    EXPECT_EQ(childrenOf(p + name), "") << name;
  }
  fs::remove_all(sprites.path());
  reopen(false);
  EXPECT_EQ(std::pair(tree().Count(), node("/")->text(0).toStdString()),
            std::pair(1, sprites.path()));
}

// Sprite files in any letter case or bytes open, by a double click or by Enter; a folder, the
// root, a placeholder or no selection do nothing. (Enter in the path box is seen with the odd
// name, next.)
TEST_F(Tree, DoubleClickOrEnterOpensSpriteFilesOnly) {
  for (const std::string& select : {p + "sub/", std::string("/"), "$$$" + p + "folder.spr",
                                    std::string(), p + "a.spr", p + "b.SPR", odd})
    for (const bool enter : {false, true}) {
      SCOPED_TRACE(select + (enter ? " Enter" : ""));
      const bool opens = select == p + "a.spr" || select == p + "b.SPR" || select == odd;
      model().SetText1("before");
      tree().clearSelection();
      if (!select.empty()) node(select)->setSelected(true);
      enter ? QTest::keyClick(&tree(), Qt::Key_Enter) : form->TreeView1_DblClick();
      EXPECT_EQ(shown(), opens ? select + " | Decoded 3 pictures in " + select : "before | ");
    }
}

// Shown with U+FFFD, the name's bytes are what loads, until the shown text is edited.
TEST_F(Tree, ThePathBoxKeepsAnOddNamesBytesUntilEdited) {
  model().SetText1(odd);
  EXPECT_EQ(text1()->text(), QString::fromUtf8(p + "a\uFFFDb.spr"));
  QTest::keyClick(text1(), Qt::Key_Return);
  EXPECT_EQ(shown(), odd + " | Decoded 3 pictures in " + odd);
  text1()->setText(text1()->text() + "x");
  EXPECT_EQ(model().Text1(), p + "a\uFFFDb.sprx");
}

// Anything but a sprite file is refused, and nothing is typed into the path box. The odd name's
// URL holds U+FFFD: it opens the one name in the folder that reads so.
TEST_F(Tree, DropsOpenSpriteFilesOnly) {
  auto drop = [&](const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.get(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    if (enter.isAccepted()) QCoreApplication::sendEvent(form.get(), &event);
    return std::string(enter.isAccepted() && event.isAccepted() ? "" : "refused ") + shown();
  };
  EXPECT_FALSE(text1()->acceptDrops());
  EXPECT_EQ(drop(p + "c.txt"), "refused  | ");
  for (const std::string& file : {odd, a})
    EXPECT_EQ(drop(file), file + " | Decoded 3 pictures in " + file);
  // A load that ends with a message leaves the sprite last loaded as it was.
  make("broken.spr");
  EXPECT_EQ(drop(p + "broken.spr").find("refused"), std::string::npos);
  EXPECT_EQ(lastLoaded(), a);
}

// As a file manager or a shell hands a path over: relative ones are taken from the current
// folder, by their bytes, and only an ordinary file loads; the next open dialog starts there.
TEST_F(Tree, APathGivenAtStartUpLoadsOrdinaryFilesOnly) {
  ASSERT_EQ(mkfifo(sprites.file("fifo.spr").c_str(), 0600), 0);
  const fs::path before = fs::current_path();
  fs::current_path(sprites.path());
  const std::string none = "no such file.", other = "not an ordinary file.";
  const std::pair<std::string, std::string> cases[] = {
      {"a.spr", a},          {"./sub/../a.spr", a}, {a, a},    {kOdd, odd},
      {"missing.spr", none}, {"fifo.spr", other},   {"", none}};
  for (const auto& [given, loads] : cases) {
    SCOPED_TRACE(given);
    const bool loaded = loads.front() == '/';
    reopen();
    OpenAtStartup(*form, given);
    for (const auto& box : dialogs.messages)
      EXPECT_EQ(std::to_string(box.style) + " " + box.caption, "48 Valkarin Glintscope");
    EXPECT_EQ(said(), loaded ? Strings{} : Strings{"Cannot open \"" + given + "\": " + loads});
    form->Browse_Click();  // cancelled
    EXPECT_EQ(shown() + " | " + dialogs.opens.back().FileName,
              loaded ? loads + " | Decoded 3 pictures in " + loads + " | " + loads : " |  | ");
  }
  fs::current_path(before);
}

TEST_F(Window, TheOpenDialogKeepsItsFolderAfterACancelAndNamesTheFileChosen) {
  const std::string first = sprite("one.spr"), second = sprite("two.spr");
  auto* browse = form->findChild<QPushButton*>("Browse");
  auto* menu = action("mnuFileOpen");
  dialogs.openAnswers = {std::nullopt, first, std::nullopt, second};
  browse->click();  // what a cancel leaves is seen with a path given at start-up
  menu->trigger();
  EXPECT_EQ(shown(), first + " | Decoded 3 pictures in " + first);
  menu->trigger();
  browse->click();
  EXPECT_EQ(model().StatusText(), "Decoded 3 pictures in " + second);
  std::string opened;
  for (const CommonDialog& shown : dialogs.opens)
    opened += shown.Filter + " " + shown.InitDir + "|" + shown.FileName + "\n";
  const std::string initial = kSpriteFilter + (" " + sprites.path() + "|\n"),
                    chosen = kSpriteFilter + (" |" + first + "\n");
  EXPECT_EQ(opened, initial + initial + chosen + chosen);
}

// The dialog names a file that is not UTF-8 with U+FFFD: it opens the one file of its folder
// named so; when several are, it says so and opens none.
TEST_F(Window, TheOpenDialogOpensTheOneFileAnOddNameStandsFor) {
  const std::string one = sprite("x\xff.spr"), twice = sprites.file("y\uFFFD.spr");
  for (const char* name : {"y\xfe.spr", "y\xff.spr"}) sprite(name);
  dialogs.openAnswers = {sprites.file("x\uFFFD.spr"), twice};
  for (int k = 0; k < 2; ++k) form->Browse_Click();  // the second opens nothing
  EXPECT_EQ(shown(), one + " | Decoded 3 pictures in " + one);
  EXPECT_EQ(said(), Strings{"Cannot open \"" + twice +
                            "\": more than one file in its folder has a name shown this way."});
}

// The real dialog's file-type list shows its pattern once; a start folder that does not exist
// gives home.
TEST(RealOpenDialog, ShowsThePatternOnceAndStartsAtHomeForAMissingFolder) {
  EXPECT_EQ(QtFilter("Pictures|*.bmp;*.png"), "Pictures (*.bmp *.png)");
  for (const std::string start : {"/no/such/folder", ""}) {
    QString seen;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QFileDialog*>(w); box && box->isVisible()) {
          seen = box->directory().absolutePath() + "|" + box->nameFilters().join(";;");
          box->reject();
        }
    });
    CommonDialog dialog{.Filter = kSpriteFilter, .InitDir = start, .FileName = ""};
    QtDialogs(nullptr).ShowOpen(dialog);
    EXPECT_EQ(seen, QDir::homePath() + "|Valkarin Sprite files (*.spr)") << start;
  }
}

// 41 frames end at 1680: the range brings that 20 pixels above the preview's bottom. For the
// scroll handler, the value follows the thumb while it is dragged.
TEST_F(Window, TheScrollBarReachesTheLastRowOfALongSpriteAndFollowsTheThumb) {
  SpriteBuilder builder;
  for (int k = 1; k <= 41; ++k) builder.solidFrame(100, 120, static_cast<std::uint8_t>(k));
  load(builder.write(sprites.file("long.spr")));
  const auto p = testing::DistinctPalette();
  auto colour = [&](int k) { return qRgb(p[4 * k], p[4 * k + 1], p[4 * k + 2]); };
  scrollBar().setValue(scrollBar().maximum());
  const QImage image = form->findChild<QWidget*>("Picture1")->grab().toImage();
  const int last = image.height() - 21;  // nothing below it
  EXPECT_EQ((std::vector{image.pixel(150, last), image.pixel(50, last - 119),
                         image.pixel(150, last + 1)}),
            (std::vector{colour(41), colour(40), qRgb(192, 192, 192)}));
  scrollBar().setSliderDown(true);
  scrollBar().setSliderPosition(30);
  EXPECT_EQ(model().VScroll1().Value(), 30);
}

// Before the first layout, at 15 twips a pixel: place in pixels, caption [tool tip].
TEST_F(Window, ControlsStandAtTheirDesignPlacesWithTheirCaptions) {
  reopen(/*show=*/false);
  const std::tuple<const char*, QRect, std::string> controls[] = {
      {"Text1", {8, 24, 545, 19}, " []"},
      {"Browse", {560, 24, 65, 19}, "Browse []"},
      {"Picture1", {304, 112, 361, 313}, " [Preview]"},
      {"TreeView1", {8, 64, 289, 361}, " []"},
      {"Check1",
       {304, 88, 177, 17},
       "Show &all frames [Show all the animation frames in the SPR file]"},
      {"VScroll1", {664, 112, 17, 313}, " []"},
      {"Text2", {304, 64, 369, 19}, app.path() + "/Output []"},  // prepared at start-up
      {"Label1", {8, 8, 153, 17}, "File Path []"},
      {"Label2", {8, 48, 241, 17}, "Directory Tree []"},
      {"Label3", {304, 48, 241, 17}, "Batch Output Folder []"},
      {"Check2", {496, 88, 177, 17}, "Show frame &numbers [Draw each frame's number on the sheet]"},
  };
  for (const auto& [name, place, caption] : controls) {
    SCOPED_TRACE(name);
    auto* w = form->findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(std::tuple(w->geometry(), w->isVisibleTo(form.get()),
                         w->property("text").toString().toStdString() + " [" +
                             w->toolTip().toStdString() + "]"),
              std::tuple(place, true, caption));
  }
  EXPECT_FALSE(form->findChild<QWidget*>("Picture2"));  // the sheet is never shown
}

// The client area of 10290 x 6720 holds the status bar; the outer size adds the frame.
TEST_F(Window, StartsAtItsDesignSizeEmptyTickedAndIdle) {
  EXPECT_EQ(form->windowTitle().toStdString(), "Valkarin Glintscope Pro");
  EXPECT_EQ(std::pair(form->Width(), form->Height()), std::pair(10290 + 120, 6465 + 1020));
  EXPECT_EQ(rect("StatusBar1"), (TwipRect{0, 6465, 10290, 255}));
  EXPECT_EQ(form->centralWidget()->grab().toImage().pixelColor(3, 100), QColor(192, 192, 192));
  EXPECT_EQ(std::tuple(model().Text1() + model().StatusText(), model().Check1() + model().Check2(),
                       model().VScroll1().Max(), model().VScroll1().Enabled()),
            std::tuple("", 2, 0, false));
}

// File as designed, then View and Export, whose items wait for a sprite; Alt+F opens File on
// every press.
TEST_F(Window, MenusAsDesignedAndAltFOpensTheFileMenuOnEveryPress) {
  std::string items;
  for (const QAction* menu : form->menuBar()->actions()) {
    items += menu->text().toStdString() + ":";
    for (const QAction* item : menu->menu()->actions())
      items += " " + item->objectName().toStdString() + (item->isSeparator() ? "" : "=") +
               item->text().toStdString() + (item->shortcut().isEmpty() ? "" : "+shortcut") +
               (item->isSeparator() || item->isEnabled() ? "" : "(off)") +
               (item->isCheckable() ? "[ ]" : "");
    items += "\n";
  }
  EXPECT_EQ(items,
            "&File: mnuFileOpen=&Open mnuFileSave=&Save Single mnuSaveMult=Save &Multiple "
            "mnublank1 mnuFileExit=E&xit\n"
            "&View: mnuAnimation=&Animation...(off) mnuGallery=&Gallery...+shortcut\n"
            "&Export: mnuExportFrames=Frames as &PNG...(off) mnuExportSheet=&Sheet...(off) "
            "mnuExportGif=Animated &GIF...(off) mnuExportPalette=Pa&lette...(off) mnublank2 "
            "mnuTransparent=&Transparent index 0(off)[ ]\n");
  QMenu* file = form->menuBar()->actions()[0]->menu();
  for (int press = 0; press < 5; ++press) {
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 500)) << press;
    QTest::keyClick(file, Qt::Key_Escape);             // closes the menu
    QTest::keyClick(form->menuBar(), Qt::Key_Escape);  // leaves the menu bar
    QTest::qWait(10);
  }
}

// The icons' sizes and colours are the pictures' own; what the window relies on is the mask.
TEST(Icons, FolderAndSpriteIconsHaveATransparentCorner) {
  for (int index : {1, 2})
    EXPECT_EQ(qAlpha(ImageListIcon(index).pixmap(24, 24).toImage().pixel(0, 0)), 0) << index;
}

// The tab order is the design's; labels and the status bar take no focus. The path box, first,
// has the focus at start; by mouse or by key it selects the whole path when it gets the focus,
// and a click in it while it has the focus places the cursor.
TEST_F(Window, TabOrderFollowsTheDesignAndThePathBoxSelectsThePathOnFocus) {
  Strings order;
  QWidget* w = text1();
  for (int i = 0; i < 40 && order.size() < 8; ++i, w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName().toStdString());
  EXPECT_EQ(order, (Strings{"Text1", "Browse", "Picture1", "TreeView1", "Check1", "VScroll1",
                            "Text2", "Check2"}));
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto* browse = form->findChild<QWidget*>("Browse");
  EXPECT_TRUE(text1()->hasFocus());
  const QString path = "/home/ann/sprites/walk.spr";
  model().SetText1(path.toStdString());
  browse->setFocus();
  QTest::mouseClick(text1(), Qt::LeftButton, {}, QPoint(20, text1()->height() / 2));
  EXPECT_EQ(text1()->selectedText(), path) << "by mouse";
  QTest::mouseClick(text1(), Qt::LeftButton, {}, QPoint(20, text1()->height() / 2));
  EXPECT_EQ(text1()->selectedText(), "");
  browse->setFocus();
  QTest::keyClick(browse, Qt::Key_Backtab);
  EXPECT_EQ(std::pair(text1()->hasFocus(), text1()->selectedText()), std::pair(true, path));
}

// For an outer size: the size read back, Text1 and Text2 wide, Browse's left, TreeView1 high,
// Picture1 wide and high, VScroll1's left and height, and the sheet's width less the preview's
// (none: as wide to the pixel) and its height. Below the minimum of 8000 x 7000: 525 x 399
// pixels of client area at 15 twips a pixel, which read back as 7995 x 7005; the layout counts
// with 8000. Minimized, they keep still.
TEST_F(Window, ControlsFollowTheSizeDownToTheMinimumAndKeepStillWhileMinimized) {
  form->setWindowState(Qt::WindowMinimized);
  text1()->resize(10, text1()->height());
  form->Form_Resize();
  EXPECT_EQ(text1()->width(), 10);
  form->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(text1()->width(), (10410 - 120 - 975 - 300) / 15);  // the design size's layout
  const std::pair<QSize, std::vector<int>> cases[] = {
      {{12000, 9000}, {12000, 9000, 10605, 7140, 10825, 7010, 7025, 6290, 11595, 6290, 0, 1500}},
      {{3000, 2000}, {7995, 7005, 6605, 3140, 6825, 5015, 3025, 4295, 7595, 4295, 0, 1500}}};
  for (const auto& [size, want] : cases) {
    form->SetWidth(size.width());
    form->SetHeight(size.height());
    QCoreApplication::processEvents();
    EXPECT_EQ((std::vector{form->Width(), form->Height(), rect("Text1").Width, rect("Text2").Width,
                           rect("Browse").Left, rect("TreeView1").Height, rect("Picture1").Width,
                           rect("Picture1").Height, rect("VScroll1").Left, rect("VScroll1").Height,
                           sheet().pixelWidth() - preview().pixelWidth(), sheet().pixelHeight()}),
              want)
        << size.width();
  }
  EXPECT_EQ(form->minimumSizeHint(), form->size());  // the window system keeps it too
}

// Read before the window system starts: Qt's own options are passed over, paths keep their bytes.
TEST(CommandLine, IsReadBeforeAnyWindowPassingOverQtsOwnOptions) {
  const std::vector<const char*> commandLines[] = {
      {"g", "a\xff.spr", "-"},
      {"g", "--help", "walk.spr", "-hv"},
      {"g", "-platform", "offscreen", "--style=fusion", "-reverse", "--session", "s", "w.spr"},
      {"g", "--", "--version", "-x"},
      {"g", "--bogus", "-?x", "--help=1"}};
  std::string read;
  for (const auto& args : commandLines) {
    const CommandLine line = ReadCommandLine(static_cast<int>(args.size()), args.data());
    for (const auto* part : {&line.paths, &line.information})
      for (const std::string& arg : *part) read += arg + (part == &line.paths ? "; " : ", ");
    read += line.mistake + "\n";
  }
  EXPECT_EQ(read,
            "a\xff.spr; -; \n"
            "walk.spr; --help, -h, -v, \n"
            "w.spr; \n"
            "--version; -x; \n"
            "-?, Unexpected value after '--help'.\n");
}

// The real program: the exit status, "usage" where the usage went to the output, and what went
// to the errors.
TEST(CommandLine, MistakesEndTheProgramWithStatusTwoWithOrWithoutADisplay) {
  const std::pair<QStringList, std::string> cases[] = {
      {{"--bogus"}, "2 glintscope: Unknown option 'bogus'.\n"},
      {{"-style", "fusion", "-x", "--y"}, "2 glintscope: Unknown options: x, y.\n"},
      {{"a.spr", "b.spr"}, "2 glintscope: one sprite file at a time\n"},
      {{"--\xe2\x80\xa8\t"}, "2 glintscope: Unknown option $'\xe2\x80\xa8\\t'.\n"},
      {{"-platform", "offscreen", "--help"}, "0 usage "}};
  for (const bool display : {true, false}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      environment.remove(name);
    if (display) environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const auto& [args, want] : cases) {
      QProcess viewer;
      viewer.setProcessEnvironment(environment);
      viewer.start(GLINT_VIEWER, args);
      ASSERT_TRUE(viewer.waitForFinished(20000));
      EXPECT_EQ(std::to_string(viewer.exitCode()) +
                    (viewer.readAllStandardOutput().startsWith("Usage: ") ? " usage " : " ") +
                    viewer.readAllStandardError().toStdString(),
                want)
          << display << " " << args.join(' ').toStdString();
    }
  }
}

}  // namespace
}  // namespace glint
