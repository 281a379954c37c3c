// The Export menu on the real Form1, offscreen, with scripted dialogs: each item writes the
// converter's files byte for byte, off the window's thread, and a cancel or a failure leaves
// only whole files.
#include <gtest/gtest.h>

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

using testing::Form1Fixture;
using testing::SpriteBuilder;
using testing::TempDir;
using testing::Tree;
using Strings = std::vector<std::string>;

// Triggers the menu item, if one is named, and waits for the export to end.
void Trigger(Form1Fixture& f, const char* item = nullptr) {
  if (item != nullptr) f.action(item)->trigger();
  for (int k = 0; k < 1000 && f.form->Exporting; ++k) QTest::qWait(10);
  ASSERT_FALSE(f.form->Exporting);
}

// Files equal to the converter's, with and without transparency; cancels, failures, busy refusals.
TEST(ExportMenu, EachItemWritesTheConvertersFilesAndACancelOrAFailureOnlyWholeOnes) {
  Form1Fixture f;
  // Mixed sizes and an empty frame, so that placement and skipping both show in the files.
  SpriteBuilder b;
  for (int i = 0; i < 5; ++i) {
    if (i == 1) b.rawFrame(0, 0, {});
    b.patternFrame(7 + 3 * i, 12 - i, static_cast<std::uint32_t>(i));
  }
  const std::string path = b.write(f.sprites.file("walk.spr"));
  f.load(path);
  for (bool transparent : {false, true}) {
    f.form->transparentAction().setChecked(transparent);
    TempDir ours, theirs;
    std::filesystem::create_directory(ours.file("frames"));
    f.dialogs.folderAnswers = {ours.file("frames")};
    f.dialogs.saveAnswers = {ours.file("sheet.png"), ours.file("walk.gif")};
    f.form->mnuAnimation_Click();  // the GIF takes the animation window's frame time
    f.form->animationWindow()->setFrameTime(transparent ? 80 : 100);
    for (const char* item : {"mnuExportFrames", "mnuExportSheet", "mnuExportGif"}) Trigger(f, item);
    const Strings flag = transparent ? Strings{"--transparent"} : Strings{};
    for (const Strings& args :
         {Strings{"export", path, "-o", theirs.file("frames"), "--format", "png"},
          Strings{"sheet", path, "-o", theirs.file("sheet.png")},
          Strings{"gif", path, "-o", theirs.file("walk.gif"), "--delay",
                  transparent ? "80" : "100"}})
      EXPECT_EQ(testing::Sprconv(args, flag).status, 0);
    EXPECT_TRUE(Tree(ours.path()) == Tree(theirs.path())) << transparent;
    EXPECT_EQ(f.form->StatusText(), "Wrote the animation of walk.spr to " + ours.file("walk.gif"));
  }
  // Where the dialogs start, and that nothing is written when they are cancelled.
  EXPECT_EQ(f.dialogs.folders.back().start + "|" + f.dialogs.saves.back().start + "|" +
                f.dialogs.saves.back().filter,
            f.form->Text2() + "|" + f.form->Text2() + "/walk.gif|GIF image (*.gif)|*.gif");
  for (const char* item : {"mnuExportFrames", "mnuExportSheet", "mnuExportGif"}) Trigger(f, item);
  EXPECT_EQ(std::pair(f.form->exports().running(), f.said()), std::pair(false, Strings{}));

  // A cancel or a failure leaves only whole files, and other commands are refused meanwhile.
  TempDir out;
  std::atomic<bool> release{false};
  // The export waits after its second frame until the test lets it go on.
  f.form->exportFrameHook = [&](int done) {
    for (int k = 0; done == 2 && !release && k < 1000; ++k)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  const std::string busy = "Another file is being read. Please try again when it is done.";
  for (const char* item : {"mnuExportFrames", "mnuExportSheet"}) {
    release = false;
    f.dialogs.folderAnswers = {out.path()};
    f.dialogs.saveAnswers = {out.file("sheet.png")};
    f.action(item)->trigger();
    ASSERT_TRUE(f.form->Exporting);
    // Meanwhile the other exports and Ctrl+S say the window is busy, and closing is refused.
    f.action("mnuExportGif")->trigger();
    f.form->mnuAnimation_Click();
    f.form->animationWindow()->saveFrame();
    EXPECT_EQ(f.said(), Strings(2, busy));
    EXPECT_FALSE(f.form->close());
    // The progress dialog shows after half a second; its Cancel stops the export.
    QTest::qWait(ExportRunner::kProgressDelayMs + 100);
    QProgressDialog* progress = f.form->exports().progressDialog();
    ASSERT_TRUE(progress != nullptr && progress->isVisible());
    progress->findChild<QPushButton*>()->click();
    release = true;
    Trigger(f);  // the export cancelled
    EXPECT_EQ(f.said(), Strings{"Cancelled after 2 of 5 frames."}) << item;
  }
  // The two frame files finished stay whole; the sheet was never written; no temporaries.
  EXPECT_EQ(testing::Names(out.path()), (Strings{"walk_01.png", "walk_03.png"}));

  f.form->exportFrameHook = nullptr;
  f.dialogs.saveAnswers = {out.file("missing/walk.gif")};
  Trigger(f, "mnuExportGif");
  EXPECT_EQ(f.dialogs.messages.at(0).style, style::kExclamation);
  EXPECT_EQ(f.said(), Strings{"Cannot write \"" + out.file("missing/walk.gif") +
                              "\": the folder does not exist."});

  // During a load the exports are refused too.
  f.form->yieldHook = [&] {
    if (f.dialogs.messages.empty()) f.action("mnuExportSheet")->trigger();
  };
  f.form->LoadSprite();
  f.form->yieldHook = nullptr;
  EXPECT_EQ(f.said(), Strings{busy});
  EXPECT_TRUE(f.form->close());
}

}  // namespace
}  // namespace glint
