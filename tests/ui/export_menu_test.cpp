// The Export menu on the real Form1, offscreen, with scripted dialogs: each item writes the
// converter's files byte for byte, off the window's thread, and a cancel or a failure leaves
// only whole files.
#include <gtest/gtest.h>

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli_support.h"
#include "support/form1_fixture.h"
#include "ui/export_runner.h"

namespace glint {
namespace {

using testing::SpriteBuilder;
using testing::TempDir;
using testing::Tree;
using Strings = std::vector<std::string>;
constexpr const char* kItems[] = {"mnuExportFrames", "mnuExportSheet", "mnuExportGif"};
const std::string kBusy = "Another file is being read. Please try again when it is done.";

// walk.spr loaded: mixed sizes and an empty frame, so that placement and skipping both show.
class ExportMenu : public testing::Form1Fixture, public ::testing::TestWithParam<bool> {
 protected:
  ExportMenu() {
    SpriteBuilder b;
    for (int i = 0; i < 5; ++i) {
      if (i == 1) b.rawFrame(0, 0, {});
      b.patternFrame(7 + 3 * i, 12 - i, static_cast<std::uint32_t>(i));
    }
    load(path = b.write(sprites.file("walk.spr")));
  }
  // Triggers the menu item, if one is named, and waits for the export to end.
  void trigger(const char* item = nullptr) {
    if (item != nullptr) action(item)->trigger();
    for (int k = 0; k < 1000 && busy(); ++k) QTest::qWait(10);
    ASSERT_FALSE(busy());
  }
  std::string path;
  TempDir out;
};

TEST_P(ExportMenu, EachItemWritesTheConvertersFiles) {
  const bool transparent = GetParam();
  action("mnuTransparent")->setChecked(transparent);
  TempDir theirs;
  std::filesystem::create_directory(out.file("frames"));
  dialogs.folderAnswers = {out.file("frames")};
  dialogs.saveAnswers = {out.file("sheet.png"), out.file("walk.gif")};
  form->mnuAnimation_Click();  // the GIF takes the animation window's frame time
  animationWindow()->setFrameTime(transparent ? 80 : 100);
  for (const char* item : kItems) trigger(item);
  const Strings flag = transparent ? Strings{"--transparent"} : Strings{};
  for (const Strings& args :
       {Strings{"export", path, "-o", theirs.file("frames"), "--format", "png"},
        Strings{"sheet", path, "-o", theirs.file("sheet.png")},
        Strings{"gif", path, "-o", theirs.file("walk.gif"), "--delay", transparent ? "80" : "100"}})
    EXPECT_EQ(testing::Sprconv(args, flag).status, 0);
  EXPECT_TRUE(Tree(out.path()) == Tree(theirs.path()));
  EXPECT_EQ(model().StatusText(), "Wrote the animation of walk.spr to " + out.file("walk.gif"));
}
INSTANTIATE_TEST_SUITE_P(Transparency, ExportMenu, ::testing::Bool());

TEST_F(ExportMenu, DialogsStartInTheOutputFolderAndACancelWritesNothing) {
  for (const char* item : kItems) trigger(item);  // no answers: every dialog cancelled
  EXPECT_EQ(dialogs.folders.back().start + "|" + dialogs.saves.back().start + "|" +
                dialogs.saves.back().filter,
            model().Text2() + "|" + model().Text2() + "/walk.gif|GIF image (*.gif)|*.gif");
  EXPECT_EQ(std::pair(busy(), said()), std::pair(false, Strings{}));
  EXPECT_EQ(testing::Names(model().Text2()), Strings{});
}

// The export waits after its second frame until the progress dialog's Cancel is pressed; other
// commands are refused meanwhile, and only the frame files finished stay.
TEST_F(ExportMenu, ACancelLeavesOnlyWholeFilesAndRefusesOtherCommandsMeanwhile) {
  std::atomic<bool> release{false};
  onExportFrame([&](int done) {
    for (int k = 0; done == 2 && !release && k < 1000; ++k)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  for (const char* item : {"mnuExportFrames", "mnuExportSheet"}) {
    SCOPED_TRACE(item);
    release = false;
    dialogs.folderAnswers = {out.path()};
    dialogs.saveAnswers = {out.file("sheet.png")};
    action(item)->trigger();
    ASSERT_TRUE(busy());
    action("mnuExportGif")->trigger();
    form->mnuAnimation_Click();
    animationWindow()->saveFrame();  // Ctrl+S
    EXPECT_EQ(said(), Strings(2, kBusy));
    EXPECT_FALSE(form->close());
    QTest::qWait(ExportRunner::kProgressDelayMs + 100);  // the progress dialog shows by now
    auto* progress = form->findChild<QProgressDialog*>("ExportProgress");
    ASSERT_TRUE(progress != nullptr && progress->isVisible());
    progress->findChild<QPushButton*>()->click();
    release = true;
    trigger();
    EXPECT_EQ(said(), Strings{"Cancelled after 2 of 5 frames."});
  }
  EXPECT_EQ(testing::Names(out.path()), (Strings{"walk_01.png", "walk_03.png"}));
}

TEST_F(ExportMenu, AFailureSaysWhyInAWarning) {
  dialogs.saveAnswers = {out.file("missing/walk.gif")};
  trigger("mnuExportGif");
  EXPECT_EQ(dialogs.messages.at(0).style, style::kExclamation);
  EXPECT_EQ(said(), Strings{"Cannot write \"" + out.file("missing/walk.gif") +
                            "\": the folder does not exist."});
}

}  // namespace
}  // namespace glint
