// The Export menu on the real Form1, offscreen, with scripted dialogs: each item writes the
// converter's files byte for byte, off the window's thread, and a cancel or a failure leaves
// only whole files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli_support.h"
#include "path/path.h"
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

// Each kind by the extension chosen, in any letter case, as `sprconv palette -o` writes it; an
// extension of no kind writes nothing and says so.
TEST_P(ExportMenu, PaletteWritesWhatTheConverterWritesByTheExtension) {
  const std::string png = GetParam() ? "dye.PNG" : "dye.png";
  dialogs.saveAnswers = {out.file("dye.gpl"), out.file("dye.pal"), out.file(png),
                         out.file("dye.act")};
  for (int k = 0; k < 4; ++k) action("mnuExportPalette")->trigger();
  EXPECT_EQ(dialogs.saves.at(0).filter,
            "GIMP palette (*.gpl)|*.gpl|JASC palette (*.pal)|*.pal|PNG image (*.png)|*.png");
  EXPECT_EQ(path::FileName(dialogs.saves[0].start), "walk.gpl");
  TempDir theirs;
  for (const std::string& name : {std::string("dye.gpl"), std::string("dye.pal"), png}) {
    ASSERT_EQ(testing::Sprconv({"palette", path, "-o", theirs.file(name)}).status, 0) << name;
    EXPECT_EQ(testing::ReadFile(out.file(name)), testing::ReadFile(theirs.file(name))) << name;
  }
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].prompt.find("dye.act"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out.file("dye.act")));
}

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

// Cancelled, each dialog writes nothing; they start in the output folder. A failure says why in a
// warning.
TEST_F(ExportMenu, DialogsStartInTheOutputFolderACancelWritesNothingAndAFailureSaysWhy) {
  for (const char* item : kItems) trigger(item);  // no answers: every dialog cancelled
  EXPECT_EQ(dialogs.folders.back().start + "|" + dialogs.saves.back().start + "|" +
                dialogs.saves.back().filter,
            model().Text2() + "|" + model().Text2() + "/walk.gif|GIF image (*.gif)|*.gif");
  EXPECT_EQ(std::pair(busy(), said()), std::pair(false, Strings{}));
  EXPECT_EQ(testing::Names(model().Text2()), Strings{});
  dialogs.saveAnswers = {out.file("missing/walk.gif")};
  trigger("mnuExportGif");
  EXPECT_EQ(dialogs.messages.at(0).style, style::kExclamation);
  EXPECT_EQ(said(), Strings{"Cannot write \"" + out.file("missing/walk.gif") +
                            "\": the folder does not exist."});
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

// The gallery's exports of several sprites, through the runner on its worker thread.
class GalleryExports : public testing::Form1Fixture, public ::testing::Test {
 protected:
  using Kind = GalleryExport::Kind;
  GalleryExports() {
    make("sub/");
    for (const auto& [name, seed] :
         {std::pair("walk.spr", 0), {"sub/run.SPR", 2}, {"idle.spr", 4}}) {
      SpriteBuilder b;
      b.patternFrame(7 + seed, 12, seed).rawFrame(0, 0, {}).patternFrame(5, 6 + seed, seed + 1);
      picked.push_back(b.write(sprites.file(name)));
    }
  }
  GalleryExport job(Kind kind, const std::string& folder, bool transparent = false) {
    return {kind, picked, sprites.path(), folder, transparent, 80, {}};
  }
  // Runs the export and waits for its end.
  void run(GalleryExport job) {
    runner->start(std::move(job), [this](const std::string& text) { status = text; });
    for (int k = 0; k < 1000 && busy(); ++k) QTest::qWait(10);
    ASSERT_FALSE(busy());
  }
  ExportRunner* runner = new ExportRunner(model(), form.get());
  Strings picked;
  TempDir out;
  std::string status;
};

TEST_F(GalleryExports, EachKindWritesTheConvertersFilesForEverySprite) {
  const std::tuple<Kind, bool, std::string, std::string> cases[] = {
      {Kind::kFrames, true, "Wrote the frames of 3 sprites as PNG files to ", ""},
      {Kind::kSheets, false, "Wrote the sheets of 3 sprites to ", "sheet"},
      {Kind::kGifs, true, "Wrote the animations of 3 sprites to ", "gif --delay 80"}};
  for (const auto& [kind, transparent, said, command] : cases) {
    SCOPED_TRACE(said);
    const std::string kindName = std::to_string(static_cast<int>(kind));
    const std::string mine = out.file("mine" + kindName), theirs = out.file("theirs" + kindName);
    run(job(kind, mine, transparent));
    std::filesystem::create_directories(theirs + "/sub");
    std::string all = "export --format png -o " + theirs;
    Strings each;
    for (const std::string& sprite : picked) {
      // REL: the sprite's path below the gallery's folder less its last four bytes.
      const std::size_t from = sprites.path().size();
      all += " " + sprite;
      each.push_back(command + " " + sprite + " -o " + theirs +
                     sprite.substr(from, sprite.size() - from - 4) +
                     (kind == Kind::kGifs ? ".gif" : ".png"));
    }
    for (const std::string& line : command.empty() ? Strings{all} : each)
      ASSERT_EQ(
          std::system((SPRCONV_PATH " " + line + (transparent ? " --transparent" : "")).c_str()),
          0);
    EXPECT_EQ(std::pair(Tree(mine) == Tree(theirs), Tree(mine).size()),
              std::pair(true, std::size_t(kind == Kind::kFrames ? 6 : 3)));
    EXPECT_EQ(status, said + mine);
  }
}

// A sprite that is broken, one that is a FIFO, and one whose frames another already writes are
// each reported as the Export menu words it, and the others are still written.
TEST_F(GalleryExports, SpritesThatCannotBeExportedAreReportedAndTheRestWritten) {
  SpriteBuilder().signature({'S', 'P', 0, 2}).write(sprites.file("bad.spr"));
  ::mkfifo(sprites.file("pipe.spr").c_str(), 0600);
  SpriteBuilder().patternFrame(3, 3, 9).write(sprites.file("sub/walk.spr"));
  picked = {sprites.file("bad.spr"), picked[0], sprites.file("pipe.spr"),
            sprites.file("sub/walk.spr")};
  run(job(Kind::kFrames, out.path()));
  if (const int fd = ::open(sprites.file("pipe.spr").c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
    ::close(fd);  // frees a reader left waiting on the FIFO
  EXPECT_EQ(said(),
            Strings{"Cannot read \"" + sprites.file("bad.spr") +
                    "\": it is not a sprite file.\nCannot read \"" + sprites.file("pipe.spr") +
                    "\": it is not an ordinary file.\nCannot export \"" +
                    sprites.file("sub/walk.spr") + "\": \"" + picked[1] +
                    "\" writes the same files (\"" + out.file("walk_01.png") + "\", ...)."});
  EXPECT_EQ(testing::Names(out.path()), (Strings{"walk_01.png", "walk_03.png"}));
}

// A cancel after the first sprite keeps that sprite's files only.
TEST_F(GalleryExports, ACancelKeepsTheSpritesFinished) {
  WindowExportProgress progress;
  GalleryExport sheets = job(Kind::kSheets, out.path());
  sheets.afterSprite = [&](int done) { progress.cancel = done == 1; };
  EXPECT_EQ(RunGalleryExport(sheets, progress).message, "Cancelled after 1 of 3 sprites.");
  EXPECT_EQ(testing::Names(out.path()), Strings{"walk.png"});
}

}  // namespace
}  // namespace glint
