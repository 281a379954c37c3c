// The window as a model: controls, captions, geometry, tab order, menu, icons and first state.
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <vector>

#include "platform/dialogs_qt.h"
#include "support/form1_fixture.h"
#include "ui/icons.h"
#include "ui/layout_rules.h"

namespace glint {
namespace {

using testing::Form1Fixture;

TEST(Form1Model, ControlsStandAtTheirDesignPlacesAndTheWindowStartsAtItsDesignSize) {
  Form1Fixture f(/*show=*/false);  // not laid out yet: every control at its design place
  ASSERT_EQ(std::pair(f.form->TwipsPerPixelX(), f.form->TwipsPerPixelY()), std::pair(15.0, 15.0));
  std::vector<std::string> texts;
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
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Browse: Browse []", "Picture1:  [Preview]",
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
}

TEST(Form1Model, TabOrderAndTheMenusWithAccessKeysAndNoShortcuts) {
  Form1Fixture f(false);
  const std::vector<std::string> expected = {"Text1",  "Browse",   "Picture1", "TreeView1",
                                             "Check1", "VScroll1", "Text2",    "Check2"};
  std::vector<std::string> order;
  QWidget* w = f.form->findChild<QWidget*>("Text1");
  for (int i = 0; i < 40 && order.size() < expected.size(); ++i, w = w->nextInFocusChain())
    if (w->focusPolicy() & Qt::TabFocus) order.push_back(w->objectName().toStdString());
  EXPECT_EQ(order, expected);  // labels and the status bar take no focus

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
}

// Alt+F belongs to the File menu alone: every press opens it.
TEST(Form1Model, AltFOpensTheFileMenuEveryTime) {
  Form1Fixture f;
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
}

// The file-type list shows its pattern once; a start folder that does not exist gives home.
TEST(Form1Model, TheOpenDialogsFilterAndStartFolder) {
  EXPECT_EQ(QtFilter("Valkarin Sprite files (*.spr)|*.spr"), "Valkarin Sprite files (*.spr)");
  EXPECT_EQ(QtFilter("Pictures|*.bmp;*.png"), "Pictures (*.bmp *.png)");
  for (const std::string start : {"/no/such/folder", ""}) {
    QString shownIn, filters;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QFileDialog*>(w); box && box->isVisible()) {
          shownIn = box->directory().absolutePath();
          filters = box->nameFilters().join(";;");
          box->reject();
        }
    });
    QtDialogs dialogs(nullptr);
    CommonDialog dialog;
    dialog.Filter = "Valkarin Sprite files (*.spr)|*.spr";
    dialog.InitDir = start;
    dialogs.ShowOpen(dialog);
    EXPECT_EQ(shownIn, QDir::homePath()) << start;
    EXPECT_EQ(filters.toStdString(), "Valkarin Sprite files (*.spr)");
  }
}

// Their sizes and colours are the pictures' own; what the window relies on is the mask.
TEST(Form1Model, IconsShowTheirMaskColourTransparent) {
  for (int index : {1, 2})
    EXPECT_EQ(qAlpha(ImageListIcon(index).pixmap(24, 24).toImage().pixel(0, 0)), 0) << index;
  EXPECT_NE(ImageListImage(1), ImageListImage(2));
}

}  // namespace
}  // namespace glint
