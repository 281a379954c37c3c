// The window as a model: controls, captions, geometry, tab order, menu, icons, state.
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QThread>
#include <QTreeWidget>
#include <vector>

#include "form1_fixture.h"
#include "ui/icons.h"

namespace glint {
namespace {

using testing::Form1Fixture;

struct ControlCase {
  const char* name;
  const char* kind;
  const char* caption;
  const char* tooltip;
  TwipRect design;
};

const ControlCase kControls[] = {
    {"Text1", "QLineEdit", "", "", {120, 360, 8175, 285}},
    {"Browse", "QPushButton", "Browse", "", {8400, 360, 975, 285}},
    {"Picture1", "", "", "Preview", {4560, 1680, 5415, 4695}},
    {"TreeView1", "QTreeWidget", "", "", {120, 960, 4335, 5415}},
    {"Check1",
     "QCheckBox",
     "Show &all frames",
     "Show all the animation frames in the SPR file",
     {4560, 1320, 2655, 255}},
    {"VScroll1", "QScrollBar", "", "", {9960, 1680, 255, 4695}},
    {"Text2", "QLineEdit", "", "", {4560, 960, 5535, 285}},
    {"Label1", "QLabel", "File Path", "", {120, 120, 2295, 255}},
    {"Label2", "QLabel", "Directory Tree", "", {120, 720, 3615, 255}},
    {"Label3", "QLabel", "Batch Output Folder", "", {4560, 720, 3615, 255}},
    {"Check2",
     "QCheckBox",
     "Show &frame numbers",
     "Draw each frame's number on the sheet",
     {7440, 1320, 2655, 255}},
};

std::string CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
  return "";
}

TEST(Form1Model, ControlsHaveTheirCaptionsTooltipsAndDesignGeometry) {
  Form1Fixture f(/*show=*/false);
  for (const auto& c : kControls) {
    SCOPED_TRACE(c.name);
    auto* w = f.form->findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr);
    if (*c.kind != '\0') {
      EXPECT_TRUE(w->inherits(c.kind));
    }
    if (std::string(c.name) != "Text2") {
      EXPECT_EQ(CaptionOf(w), c.caption);
    }
    EXPECT_EQ(w->toolTip().toStdString(), c.tooltip);
    EXPECT_TRUE(w->isVisibleTo(f.form.get()));
    EXPECT_EQ(f.form->ControlRect(c.name), c.design);
  }
  EXPECT_EQ(f.form->ControlRect("Picture2"), (TwipRect{4560, 1680, 5415, 4695}));
}

TEST(Form1Model, ShownAtDesignSizeWithTheStatusBarInsideTheClientArea) {
  Form1Fixture f;
  EXPECT_EQ(f.form->windowTitle().toStdString(), "Valkarin Glintscope Pro");
  EXPECT_EQ(f.form->Width(), 10290 + 120);
  EXPECT_EQ(f.form->Height(), 6720 - 255 + 1020);
  EXPECT_EQ(f.form->ControlRect("StatusBar1"), (TwipRect{0, 6465, 10290, 255}));
  EXPECT_EQ(f.form->statusBar()->objectName().toStdString(), "StatusBar1");
  // The first layout ends the tree and the preview 10 twips above the status bar.
  TwipRect tree = f.form->ControlRect("TreeView1");
  EXPECT_EQ(tree.Top + tree.Height, 6455);
  EXPECT_TRUE(f.form->windowFlags() & Qt::WindowMinMaxButtonsHint);
  // The background is light grey where no control stands.
  QImage client = f.form->clientArea().grab().toImage();
  EXPECT_EQ(client.pixelColor(3, 100), QColor(192, 192, 192));
}

TEST(Form1Model, TabOrderFollowsTheTable) {
  Form1Fixture f(false);
  const std::vector<std::string> expected = {"Text1",  "Browse",   "Picture1", "TreeView1",
                                             "Check1", "VScroll1", "Text2",    "Check2"};
  std::vector<std::string> order;
  QWidget* start = f.form->findChild<QWidget*>("Text1");
  QWidget* w = start;
  do {
    std::string name = w->objectName().toStdString();
    if ((w->focusPolicy() & Qt::TabFocus) &&
        std::find(expected.begin(), expected.end(), name) != expected.end())
      order.push_back(name);
    w = w->nextInFocusChain();
  } while (w != start && order.size() < 20);
  EXPECT_EQ(order, expected);
  for (const char* name : {"Label1", "Label2", "Label3", "StatusBar1"})
    EXPECT_FALSE(f.form->findChild<QWidget*>(name)->focusPolicy() & Qt::TabFocus) << name;
}

TEST(Form1Model, FileMenuHasFiveItemsWithAccessKeysAndNoShortcuts) {
  Form1Fixture f(false);
  const QList<QAction*> bar = f.form->menuBar()->actions();
  ASSERT_EQ(bar.size(), 1);
  EXPECT_EQ(bar[0]->text().toStdString(), "&File");
  const QList<QAction*> items = bar[0]->menu()->actions();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"mnuFileOpen", "&Open"},
      {"mnuFileSave", "&Save Single"},
      {"mnuSaveMult", "Save &Multiple"},
      {"mnublank1", ""},
      {"mnuFileExit", "E&xit"}};
  ASSERT_EQ(items.size(), static_cast<qsizetype>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QAction* item = items[static_cast<qsizetype>(i)];
    EXPECT_EQ(item->objectName().toStdString(), expected[i].first);
    EXPECT_EQ(item->text().toStdString(), expected[i].second);
    EXPECT_EQ(item->isSeparator(), expected[i].first == "mnublank1");
    EXPECT_TRUE(item->shortcut().isEmpty());
  }
}

TEST(Form1Model, IconsAreOurOwnPictures) {
  for (int index : {1, 2}) {
    QImage image = ImageListImage(index);
    EXPECT_EQ(image.size(), QSize(24, 24));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixel(0, 0), kMaskColour);
    EXPECT_EQ(qAlpha(ImageListIcon(index).pixmap(24, 24).toImage().pixel(0, 0)), 0) << index;
  }
  EXPECT_NE(ImageListImage(1), ImageListImage(2));
  QImage icon = WindowIconImage();
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.depth(), 24);
  EXPECT_EQ(icon.pixelColor(1, 16), QColor(Qt::white));  // the frame
}

TEST(Form1Model, StartsEmptyTickedAndIdle) {
  Form1Fixture f;
  EXPECT_EQ(f.form->Text1() + f.form->StatusText(), "");
  EXPECT_EQ(f.form->Check1() + f.form->Check2(), 2);
  EXPECT_FALSE(f.form->VScroll1().Enabled());
  EXPECT_EQ(f.form->VScroll1().Max(), 0);
  EXPECT_EQ(f.form->Picture2().Height(), 1500 * 15);
  EXPECT_FALSE(f.form->findChild<QWidget*>("Picture2"));  // the sheet is never shown
}

TEST(Form1Model, ScrollValueFollowsTheThumbWhileItIsDragged) {
  Form1Fixture f(false);
  f.form->VScroll1().SetMax(40);
  f.form->VScroll1Bar().setSliderDown(true);
  f.form->VScroll1Bar().setSliderPosition(30);
  EXPECT_EQ(f.form->VScroll1().Value(), 30);
  f.form->VScroll1Bar().setSliderDown(false);
  EXPECT_EQ(f.form->VScroll1().Value(), 30);
}

// A posted event that counts its deliveries.
class Counter : public QObject {
 public:
  int delivered = 0;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) {
      ++delivered;
      return true;
    }
    return QObject::event(e);
  }
};

TEST(Form1Model, YieldIsRateLimitedButRunsTheHookEveryTime) {
  Form1Fixture f(false);
  int hooks = 0;
  f.form->yieldHook = [&] {
    ++hooks;
    f.form->Yield();  // not re-entered
  };
  Counter counter;
  f.form->Yield();
  QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
  f.form->Yield();  // right after the last one: returns at once
  EXPECT_EQ(counter.delivered, 0);
  QThread::msleep(15);
  f.form->Yield();
  EXPECT_EQ(counter.delivered, 1);
  EXPECT_EQ(hooks, 3);
}

}  // namespace
}  // namespace glint
