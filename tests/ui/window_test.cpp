// The window itself: controls, captions, geometry, tab order, menus, icons and first state;
// start-up from the command line and the output folder, the directory tree, layout, the open
// dialog, the path box's focus and the viewer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
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
#include <vector>

#include "app/command_line.h"
#include "platform/dialogs_qt.h"
#include "support/form1_fixture.h"
#include "ui/default_folders.h"
#include "ui/icons.h"
#include "ui/layout_rules.h"
#include "ui/output_folder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Form1Fixture;
using testing::SpriteBuilder;
using testing::TempDir;
using Strings = std::vector<std::string>;
// Not UTF-8 (0xFF never is): shown with U+FFFD, yet opened by its bytes.
constexpr char kOdd[] = "a\377b.spr";
constexpr char kSpriteFilter[] = "Valkarin Sprite files (*.spr)|*.spr";

// Where the sprite folder is looked for, and where the output folder is made.
TEST(Startup, SpriteFolderLiesInTheWinePrefixAndOutputBesideTheProgramOrInPictures) {
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

  // Output goes beside the program, or to the Pictures folder where there is no program folder,
  // and always there for an installed viewer; a file already of that name is left alone.
  for (const bool installed : {false, true}) {
    for (const std::string present : {"nothing", "folder", "file", "no program folder"}) {
      TempDir app, pictures;
      const bool fallback = installed || present == "no program folder";
      const std::string appPath = fallback && !installed ? app.file("not/there") : app.path();
      const std::string want = fallback ? pictures.file("Glintscope Output") : appPath + "/Output";
      if (present == "folder") fs::create_directory(want);
      if (present == "file") std::ofstream(want) << "keep";
      const std::string made = installed ? PrepareInstalledOutputFolder(pictures.path())
                                         : PrepareOutputFolder(appPath, pictures.path());
      const bool kept = present == "file" ? fs::is_regular_file(want) : fs::is_directory(want);
      EXPECT_EQ(std::pair(made, kept), std::pair(want, true)) << present;
    }
  }
  EXPECT_FALSE(BuiltForInstallation());  // this build runs from its build folder
}

// The node's children, one a line: key, text, image.
std::string ChildrenOf(Form1Fixture& f, const std::string& key) {
  std::string lines;
  QTreeWidgetItem* item = f.node(key);
  for (int i = 0; item != nullptr && i < item->childCount(); ++i)
    lines += f.form->TreeView1().Key(item->child(i)) + " " + item->child(i)->text(0).toStdString() +
             " " + std::to_string(FolderTree::Image(item->child(i))) + "\n";
  return lines;
}

// The tree lists lazily and in order; double click, Enter, drops and a path given at start-up
// load, odd names too.
TEST(FolderTree, ListsFoldersThenSpritesOnceAndOpensOnDoubleClickEnterDropOrAtStartUp) {
  Form1Fixture f(false);
  for (const char* name : {"sub/inner/", "sub/one.spr", "Zeta/", ".hidden/", "c.txt", ".d.spr",
                           "folder.spr/", "empty/", "gone/"})
    f.make(name);
  const std::string a = f.sprite("a.spr"), b = f.sprite("b.SPR"), odd = f.sprite(kOdd);
  f.reopen();
  const std::string p = f.sprites.path() + "/";
  ASSERT_EQ(ChildrenOf(f, "/"), p + "empty/ empty 1\n" + p + "folder.spr/ folder.spr 1\n" + p +
                                    "gone/ gone 1\n" + p + "sub/ sub 1\n" + p + "Zeta/ Zeta 1\n" +
                                    p + "a.spr a.spr 2\n" + odd + " a\uFFFDb.spr 2\n" + p +
                                    "b.SPR b.SPR 2\n");
  QTreeWidgetItem* root = f.node("/");
  EXPECT_EQ(std::tuple(root->text(0).toStdString(), FolderTree::Image(root), root->isExpanded()),
            std::tuple(f.sprites.path(), 1, true));
  EXPECT_EQ(ChildrenOf(f, p + "sub/"), "$$$" + p + "sub sub 0\n");  // unread: a placeholder

  f.make("sub/two.spr");  // after the root was read, before sub is expanded: it shows
  f.node(p + "sub/")->setExpanded(true);
  const std::string sub = ChildrenOf(f, p + "sub/");
  EXPECT_EQ(sub, p + "sub/inner/ inner 1\n" + p + "sub/one.spr one.spr 2\n" + p +
                     "sub/two.spr two.spr 2\n");
  // Expanding again reads nothing, and the root is never read again.
  for (const char* name : {"sub/three.spr", "late.spr"}) f.make(name);
  for (const std::string& key : {p + "sub/", std::string("/")}) {
    f.node(key)->setExpanded(false);
    f.node(key)->setExpanded(true);
  }
  EXPECT_EQ(ChildrenOf(f, p + "sub/"), sub);
  EXPECT_EQ(f.node(p + "late.spr"), nullptr);
  // A folder with nothing in it, or one that vanished, loses its placeholder and stays empty.
  std::filesystem::remove(p + "gone");
  for (const char* name : {"empty/", "gone/"}) {
    f.node(p + name)->setExpanded(true);
    EXPECT_EQ(ChildrenOf(f, p + name), "") << name;
  }
  // A path given at start-up, as a file manager or a shell hands it over: relative ones are taken
  // from the current folder, by their bytes, and only an ordinary file is loaded.
  ASSERT_EQ(mkfifo(f.sprites.file("fifo.spr").c_str(), 0600), 0);
  const fs::path before = fs::current_path();
  fs::current_path(f.sprites.path());
  const std::string none = "no such file.", other = "not an ordinary file.";
  const std::pair<std::string, std::string> cases[] = {
      {"a.spr", a},          {"./sub/../a.spr", a}, {a, a},    {kOdd, odd}, {"missing.spr", none},
      {"folder.spr", other}, {"fifo.spr", other},   {"", none}};
  for (const auto& [given, loads] : cases) {
    const bool loaded = loads.front() == '/';
    f.reopen();
    OpenAtStartup(*f.form, given);
    ASSERT_TRUE(f.form->isVisible());
    for (const auto& box : f.dialogs.messages)
      EXPECT_EQ(std::to_string(box.style) + " " + box.caption, "48 Valkarin Glintscope");
    EXPECT_EQ(f.said(), loaded ? Strings{} : Strings{"Cannot open \"" + given + "\": " + loads});
    // Loaded, and the next dialog starts there.
    EXPECT_EQ(f.form->Text1() + "|" + f.form->StatusText() + "|" + f.form->CommonDialog1.FileName,
              loaded ? loads + "|Decoded 3 pictures in " + loads + "|" + loads : "||")
        << given;
  }
  fs::current_path(before);
  // A double click opens the sprite files, whatever the letter case or bytes of the name; a
  // folder, the root, a placeholder or no selection at all do nothing.
  for (const std::string& select : {p + "sub/", std::string("/"), "$$$" + p + "folder.spr",
                                    std::string(), p + "a.spr", p + "b.SPR", odd}) {
    const bool opens = select == p + "a.spr" || select == p + "b.SPR" || select == odd;
    f.form->SetText1("before");
    f.form->SetStatusText("");
    f.form->TreeView1().clearSelection();
    if (!select.empty()) f.node(select)->setSelected(true);
    f.form->TreeView1_DblClick();
    EXPECT_EQ(f.form->Text1(), opens ? select : "before") << select;
    EXPECT_EQ(f.form->StatusText(), opens ? "Decoded 3 pictures in " + select : "") << select;
  }
  // The path box shows the odd name with U+FFFD and keeps its bytes until its text is edited;
  // Enter in the path box or in the tree loads too.
  auto* text1 = f.form->findChild<QLineEdit*>("Text1");
  EXPECT_EQ(text1->text(), QString::fromUtf8(p + "a\uFFFDb.spr"));
  f.form->SetStatusText("");
  QTest::keyClick(text1, Qt::Key_Return);
  EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + odd);
  f.form->TreeView1().clearSelection();
  text1->setText(text1->text() + "x");
  EXPECT_EQ(f.form->Text1(), p + "a\uFFFDb.sprx");
  f.node(b)->setSelected(true);
  QTest::keyClick(&f.form->TreeView1(), Qt::Key_Enter);
  EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + b);
  // Dropped files: anything but a sprite file is refused, and nothing is typed into the path box.
  // The odd name's URL holds U+FFFD: it opens the one name in the folder that reads so.
  EXPECT_FALSE(text1->acceptDrops());
  auto drop = [&](const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(f.form.get(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    if (enter.isAccepted()) QCoreApplication::sendEvent(f.form.get(), &event);
    return std::string(enter.isAccepted() && event.isAccepted() ? "" : "refused ") +
           f.form->Text1() + " | " + f.form->StatusText();
  };
  EXPECT_EQ(drop(p + "c.txt"), "refused " + b + " | Decoded 3 pictures in " + b);
  for (const std::string& file : {odd, a})
    EXPECT_EQ(drop(file), file + " | Decoded 3 pictures in " + file);
  // A load that ends with a message leaves the sprite last loaded as it was.
  f.make("broken.spr");
  EXPECT_EQ(drop(p + "broken.spr").find("refused"), std::string::npos);
  EXPECT_EQ(f.form->lastLoaded(), a);
  // Without the sprite folder there is the root alone.
  std::filesystem::remove_all(f.sprites.path());
  f.reopen(false);
  EXPECT_EQ(f.form->TreeView1().Count(), 1);
  EXPECT_EQ(f.node("/")->text(0).toStdString(), f.sprites.path());
}

// The second sprite is a long one: the preview shows it at the top and scrolled to the last row.
TEST(OpenDialog, CancelKeepsEverythingAChoiceLoadsAndMovesOnAndTheFilterShowsItsPattern) {
  Form1Fixture f;
  SpriteBuilder builder;
  for (int k = 1; k <= 41; ++k) builder.solidFrame(100, 120, static_cast<std::uint8_t>(k));
  const std::string first = f.sprite("one.spr"), second = builder.write(f.sprites.file("long.spr"));
  auto* browse = f.form->findChild<QPushButton*>("Browse");
  auto* menu = f.form->findChild<QAction*>("mnuFileOpen");
  f.form->SetText1("typed");
  f.dialogs.openAnswers = {std::nullopt, first, std::nullopt, second};
  browse->click();  // cancelled
  EXPECT_EQ(f.form->Text1(), "typed");
  menu->trigger();  // chosen: it names the file and loads it
  EXPECT_EQ(f.form->StatusText(), "Decoded 3 pictures in " + first);
  menu->trigger();  // cancelled
  browse->click();
  EXPECT_EQ(f.form->StatusText(), "Decoded 41 pictures in " + second);

  // InitDir stays after a cancel and goes after a choice; the last file chosen stays named.
  std::string opened;
  for (const CommonDialog& shown : f.dialogs.opens)
    opened += shown.Filter + " " + shown.InitDir + "|" + shown.FileName + "\n";
  const std::string initial = kSpriteFilter + (" " + f.sprites.path() + "|\n"),
                    chosen = kSpriteFilter + (" |" + first + "\n");
  EXPECT_EQ(opened, initial + initial + chosen + chosen);

  const auto p = testing::DistinctPalette();
  auto colour = [&](int k) { return qRgb(p[4 * k], p[4 * k + 1], p[4 * k + 2]); };

  // 41 frames end at 1680: the range brings that 20 pixels above the preview's bottom.
  QScrollBar& bar = f.form->VScroll1Bar();
  EXPECT_TRUE(bar.isEnabled());
  bar.setValue(bar.maximum());
  const QImage image = f.form->findChild<QWidget*>("Picture1")->grab().toImage();
  const int last = image.height() - 21;  // nothing below it
  EXPECT_EQ((std::vector{image.pixel(150, last), image.pixel(50, last - 119),
                         image.pixel(150, last + 1)}),
            (std::vector{colour(41), colour(40), qRgb(192, 192, 192)}));

  // The real dialog's file-type list shows its pattern once; a start folder that does not exist
  // gives home.
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

  // The dialog names a file that is not UTF-8 with U+FFFD: it opens the one file of its folder
  // named so; when several are, it says so and opens none.
  const std::string one = f.sprite("x\xff.spr"), twice = f.sprites.file("y\uFFFD.spr");
  for (const char* name : {"y\xfe.spr", "y\xff.spr"}) f.sprite(name);
  f.dialogs.openAnswers = {f.sprites.file("x\uFFFD.spr"), twice};
  for (int k = 0; k < 2; ++k) browse->click();  // the second opens nothing
  EXPECT_EQ(f.form->Text1() + "|" + f.form->StatusText(), one + "|Decoded 3 pictures in " + one);
  EXPECT_EQ(f.said(), Strings{"Cannot open \"" + twice +
                              "\": more than one file in its folder has a name shown this way."});
}

// First state as designed: controls, captions, size, tab order, menus, icons, focus, Alt+F; then
// the layout as the window's size changes.
TEST(Form1Model, StartsAsDesignedKeyboardReachesPathBoxAndMenusAndLayoutFollowsTheSize) {
  Form1Fixture f(/*show=*/false);  // not laid out yet: every control at its design place
  Strings texts;
  for (const auto& [name, d] : kDesignControls) {
    if (name == std::string("StatusBar1") || name == std::string("Picture2")) continue;  // below
    auto* w = f.form->findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->geometry(), QRect(d.Left / 15, d.Top / 15, d.Width / 15, d.Height / 15)) << name;
    EXPECT_TRUE(w->isVisibleTo(f.form.get())) << name;
    const QString caption = w->property("text").toString();  // none for some controls
    if (!caption.isEmpty() || !w->toolTip().isEmpty())
      texts.push_back(std::string(name) + ": " + caption.toStdString() + " [" +
                      w->toolTip().toStdString() + "]");
  }
  EXPECT_EQ(texts,
            (Strings{"Browse: Browse []", "Picture1:  [Preview]",
                     "Check1: Show &all frames [Show all the animation frames in the SPR file]",
                     "Text2: " + f.app.path() + "/Output []",  // prepared at start-up
                     "Label1: File Path []", "Label2: Directory Tree []",
                     "Label3: Batch Output Folder []",
                     "Check2: Show frame &numbers [Draw each frame's number on the sheet]"}));

  f.form->show();
  EXPECT_EQ(f.form->windowTitle().toStdString(), "Valkarin Glintscope Pro");
  // The client area of 10290 x 6720 holds the status bar; the outer size adds the frame.
  EXPECT_EQ(std::pair(f.form->Width(), f.form->Height()), std::pair(10290 + 120, 6465 + 1020));
  EXPECT_EQ(f.form->ControlRect("StatusBar1"), (TwipRect{0, 6465, 10290, 255}));
  EXPECT_TRUE(f.form->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(f.form->clientArea().grab().toImage().pixelColor(3, 100), QColor(192, 192, 192));
  // Empty, ticked and idle.
  EXPECT_EQ(f.form->Text1() + f.form->StatusText(), "");
  EXPECT_EQ(f.form->Check1() + f.form->Check2(), 2);
  EXPECT_EQ(std::pair(f.form->VScroll1().Max(), f.form->VScroll1().Enabled()), std::pair(0, false));
  EXPECT_FALSE(f.form->findChild<QWidget*>("Picture2"));  // the sheet is never shown
  // The scroll bar's value follows the thumb while it is dragged, for the scroll handler.
  f.form->VScroll1().SetMax(40);
  f.form->VScroll1Bar().setSliderDown(true);
  f.form->VScroll1Bar().setSliderPosition(30);
  EXPECT_EQ(f.form->VScroll1().Value(), 30);

  Strings order;  // labels and the status bar take no focus
  QWidget* w = f.form->findChild<QWidget*>("Text1");
  for (int i = 0; i < 40 && order.size() < 8; ++i, w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName().toStdString());
  EXPECT_EQ(order, (Strings{"Text1", "Browse", "Picture1", "TreeView1", "Check1", "VScroll1",
                            "Text2", "Check2"}));

  // File as designed, then View and Export, whose items wait for a sprite.
  std::string items;
  for (const QAction* menu : f.form->menuBar()->actions()) {
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
            "&View: mnuAnimation=&Animation...(off)\n"
            "&Export: mnuExportFrames=Frames as &PNG...(off) mnuExportSheet=&Sheet...(off) "
            "mnuExportGif=Animated &GIF...(off) mnublank2 "
            "mnuTransparent=&Transparent index 0(off)[ ]\n");

  // The icons' sizes and colours are the pictures' own; what the window relies on is the mask.
  for (int index : {1, 2})
    EXPECT_EQ(qAlpha(ImageListIcon(index).pixmap(24, 24).toImage().pixel(0, 0)), 0) << index;
  EXPECT_NE(ImageListImage(1), ImageListImage(2));

  // Alt+F belongs to the File menu alone: every press opens it. The path box, first in the tab
  // order, selects the whole path when it gets the focus.
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.form.get()));
  auto* text1 = f.form->findChild<QLineEdit*>("Text1");
  auto* browse = f.form->findChild<QWidget*>("Browse");
  EXPECT_TRUE(text1->hasFocus());
  const QString path = "/home/ann/sprites/walk.spr";
  f.form->SetText1(path.toStdString());
  browse->setFocus();
  QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(20, text1->height() / 2));
  EXPECT_EQ(text1->selectedText(), path) << "by mouse";
  // A click in a box that has the focus places the cursor as usual.
  QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(20, text1->height() / 2));
  EXPECT_EQ(text1->selectedText(), "");
  browse->setFocus();
  QTest::keyClick(browse, Qt::Key_Backtab);
  EXPECT_EQ(std::pair(text1->hasFocus(), text1->selectedText()), std::pair(true, path));

  QMenu* file = f.form->menuBar()->actions()[0]->menu();
  for (int press = 0; press < 5; ++press) {
    QApplication::setActiveWindow(f.form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.form.get()));
    QTest::keyClick(f.form.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 500)) << press;
    QTest::keyClick(file, Qt::Key_Escape);               // closes the menu
    QTest::keyClick(f.form->menuBar(), Qt::Key_Escape);  // leaves the menu bar
    QTest::qWait(10);
  }

  // Controls follow the window's size down to its minimum, and keep still while minimized.
  // Sets the outer size, and checks the size read back, Text1 and Text2 wide, Browse's left,
  // TreeView1 high, Picture1 wide and high, VScroll1's left and height, and the sheet's width
  // less the preview's (none: as wide to the pixel) and its height.
  auto check = [&](int width, int height, std::vector<int> want) {
    f.form->SetWidth(width);
    f.form->SetHeight(height);
    QCoreApplication::processEvents();
    auto r = [&](const char* name) { return f.form->ControlRect(name); };
    EXPECT_EQ((std::vector{f.form->Width(), f.form->Height(), r("Text1").Width, r("Text2").Width,
                           r("Browse").Left, r("TreeView1").Height, r("Picture1").Width,
                           r("Picture1").Height, r("VScroll1").Left, r("VScroll1").Height,
                           f.form->sheet().pixelWidth() - f.form->preview().pixelWidth(),
                           f.form->sheet().pixelHeight()}),
              want)
        << width;
  };
  check(12000, 9000, {12000, 9000, 10605, 7140, 10825, 7010, 7025, 6290, 11595, 6290, 0, 1500});
  // Below the minimum of 8000 x 7000: 525 x 399 pixels of client area at 15 twips a pixel, which
  // read back as 7995 x 7005; the layout counts with 8000.
  check(3000, 2000, {7995, 7005, 6605, 3140, 6825, 5015, 3025, 4295, 7595, 4295, 0, 1500});
  EXPECT_EQ(f.form->minimumSizeHint(), f.form->size());  // the window system keeps it too

  f.form->setWindowState(Qt::WindowMinimized);
  text1->resize(10, text1->height());
  f.form->Form_Resize();
  EXPECT_EQ(text1->width(), 10);
  f.form->setWindowState(Qt::WindowNoState);
  EXPECT_EQ(text1->width(), 6605 / 15);
}

// Read before the window system starts: Qt's own options are passed over, paths keep their bytes;
// mistakes end the program, and they and the help need no display.
TEST(CommandLine, IsReadBeforeAnyWindowAndItsMistakesEndTheProgramWithOrWithoutADisplay) {
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

  // The real program: mistakes end with exit status 2, and they and the help need no display.
  // The exit status, "usage" where the usage went to the output, and what went to the errors.
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
