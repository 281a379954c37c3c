// The gallery window over a real main window: which folder it shows, its keys, its cells and
// marks, and that nothing it does reaches the main window's status line or file channel 1.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <filesystem>

#include "app/command_line.h"
#include "support/form1_fixture.h"
#include "ui/gallery_cells.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::SpriteBuilder;
using Strings = std::vector<std::string>;

class Gallery : public testing::Form1Fixture, public ::testing::Test {
 protected:
  Gallery() {
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    make("sub/deep/");
    sprite("walk_10.spr");
    sprite("walk_2.spr", 2);
    sprite("sub/run.SPR", 1);
    SpriteBuilder().patternFrame(4, 4, 1).write(sprites.file("sub/deep/x.spr"));
    SpriteBuilder().signature({'S', 'P', 9, 9}).write(sprites.file("bad.spr"));
    ::mkfifo(sprites.file("pipe.spr").c_str(), 0600);
    reopen();
  }
  // Opens the gallery from the View menu and waits for its cells.
  GalleryWindow& open() {
    action("mnuGallery")->trigger();
    return settle();
  }
  GalleryWindow& settle() {
    GalleryWindow& g = *gallery();
    QApplication::setActiveWindow(&g);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&g));
    bool listed = false;
    g.onListed = [&] { listed = true; };
    g.reload();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed; }, 5000));
    g.onListed = nullptr;
    return g;
  }
  Strings names() {
    Strings shown;
    for (int row = 0; row < gallery()->cells().shownCount(); ++row)
      shown.push_back(gallery()->cells().at(row).entry.name);
    return shown;
  }
  void select(const std::string& name) {
    GalleryCells& cells = gallery()->cells();
    gallery()->view().setCurrentIndex(cells.index(cells.rowOf(sprites.file(name))));
  }
  void key(QKeyCombination k) {
    QTest::keyClick(&gallery()->view(), k.key(), k.keyboardModifiers());
  }
  testing::TempDir cache;
};

TEST_F(Gallery, ShowsTheSelectedNodesFolderAndFollowsTheTree) {
  GalleryWindow& g = open();
  EXPECT_EQ(g.windowTitle().toStdString(), "Gallery - " + sprites.path());
  EXPECT_EQ(names(), (Strings{"bad.spr", "walk_2.spr", "walk_10.spr"}));  // no FIFO
  for (const std::string& key : {sprites.file("sub/"), sprites.file("walk_2.spr")}) {
    tree().clearSelection();
    node(key)->setSelected(true);
    EXPECT_EQ(g.folder(), key.ends_with('/') ? sprites.file("sub") : sprites.path()) << key;
  }
}

// Given at start-up (or with Open Folder), a folder holds until a node is next selected.
TEST_F(Gallery, AFolderGivenAtStartUpOpensTheGalleryOnIt) {
  OpenAtStartup(*form, sprites.file("sub"));
  settle();
  EXPECT_EQ(std::tuple(gallery()->folder(), names(), model().Text1() + model().StatusText()),
            std::tuple(sprites.file("sub"), Strings{"run.SPR"}, ""));
  dialogs.folderAnswers = {sprites.file("sub/deep")};
  QTest::keyClick(gallery(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(gallery()->folder(), sprites.file("sub/deep"));
}

// Typing filters as it goes and the count follows; Escape clears.
TEST_F(Gallery, TheFilterMatchesAnywhereWithWildcards) {
  GalleryWindow& g = open();
  auto* filter = g.findChild<QLineEdit*>("GalleryFilter");
  QTest::keyClick(&g.view(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(filter->hasFocus());
  const std::pair<const char*, Strings> cases[] = {
      {"WALK", {"walk_2.spr", "walk_10.spr"}}, {"k_?0", {"walk_10.spr"}}, {"b*d", {"bad.spr"}}};
  for (const auto& [typed, shown] : cases) {
    filter->clear();
    QTest::keyClicks(filter, typed);
    EXPECT_EQ(names(), shown) << typed;
  }
  QString count;  // of the last case
  for (QLabel* label : g.findChildren<QLabel*>())
    if (label->text().contains(" of ")) count = label->text();
  EXPECT_EQ(count, "1 of 3 sprites");
  QTest::keyClick(filter, Qt::Key_Escape);
  EXPECT_EQ(names().size(), 3u);
}

// Thumbnails come from the workers; details ride along; a broken sprite is marked with the
// converter's reason.
TEST_F(Gallery, CellsShowThumbnailsDetailsAndMarks) {
  GalleryWindow& g = open();
  GalleryCells& cells = g.cells();
  auto row = [&](const char* name) -> GalleryCell& {
    return cells.at(cells.rowOf(sprites.file(name)));
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return !row("walk_10.spr").thumb.isNull(); }, 5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return row("bad.spr").mark == CellMark::kBroken; }, 5000));
  EXPECT_EQ(GalleryCells::Describe(row("walk_10.spr")),
            "walk_10.spr: 3 frames, largest 20 x 30, 1.9 KB");
  EXPECT_EQ(GalleryCells::Describe(row("bad.spr")), "bad.spr: not a sprite file: wrong signature");
  GalleryCell forging;  // a name that would break the line
  forging.entry = {"", "a\nb\x7f.spr", 900};
  EXPECT_EQ(GalleryCells::Describe(forging), "a\uFFFDb\uFFFD.spr: 900 bytes");
  EXPECT_EQ(row("walk_10.spr").thumb.size(), QSize(80, 120));  // enlarged 4 times into 128
}

// Enter opens in the main window as the tree does; Ctrl+Enter in the animation window; Ctrl+C
// copies paths as text and as URIs. The gallery itself never writes the main status line.
TEST_F(Gallery, KeysOpenAndCopyTheCurrentSprite) {
  open();
  select("walk_2.spr");
  EXPECT_EQ(model().StatusText(), "");
  key(Qt::Key_Return);
  const std::string path = sprites.file("walk_2.spr");
  EXPECT_EQ(model().Text1() + " | " + model().StatusText(),
            path + " | Decoded 2 pictures in " + path);
  key(Qt::ControlModifier | Qt::Key_Return);
  EXPECT_EQ(animationWindow() ? animationWindow()->spritePath() : "", path);
  QTest::keyClick(gallery(), Qt::Key_C, Qt::ControlModifier);
  const QMimeData* copied = QApplication::clipboard()->mimeData();
  EXPECT_EQ(copied->text().toStdString(), path);
  EXPECT_EQ(copied->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(path))});
  EXPECT_EQ(model().channels().openCount(), 0);
}

// Frame counts come with the thumbnails; the order follows them as they come, keeping the
// current cell.
TEST_F(Gallery, SortingByFrameCountFollowsTheDetailsAsTheyCome) {
  GalleryWindow& g = open();
  select("walk_10.spr");
  g.findChild<QComboBox*>("GallerySort")->setCurrentIndex(1);
  const Strings byFrames{"bad.spr", "walk_2.spr", "walk_10.spr"};
  EXPECT_TRUE(QTest::qWaitFor([&] { return names() == byFrames; }, 5000));
  EXPECT_EQ(g.currentPath(), sprites.file("walk_10.spr"));
}

TEST_F(Gallery, CellSizeStepsWithTheKeysAndStopsAtTheEnds) {
  GalleryWindow& g = open();
  std::vector<int> sizes{g.cellSize()};
  for (Qt::Key k : {Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Minus}) {
    key(Qt::ControlModifier | k);
    sizes.push_back(g.cellSize());
  }
  EXPECT_EQ(sizes, (std::vector{96, 128, 192, 256, 256, 192}));
}

// Space plays the current cell in place and stops it again.
TEST_F(Gallery, SpacePlaysAndStopsTheCurrentCell) {
  GalleryWindow& g = open();
  select("walk_10.spr");
  key(Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return g.cells().liveRow() >= 0; }, 5000));
  const QImage first = g.cells().liveFrame();
  EXPECT_TRUE(QTest::qWaitFor([&] { return g.cells().liveFrame() != first; }, 2000));
  key(Qt::Key_Space);
  EXPECT_EQ(g.cells().liveRow(), -1);
}

// Subfolders' sprites are named by their relative paths. The selection's sheets go below the
// chosen folder, mirroring the gallery's; the gallery tells of it in its own status line.
TEST_F(Gallery, ExportsTheSelectedSpritesOfSubfoldersIntoAChosenFolder) {
  GalleryWindow& g = open();
  g.setIncludeSubfolders(true);
  settle();
  EXPECT_EQ(names(),
            (Strings{"bad.spr", "sub/deep/x.spr", "sub/run.SPR", "walk_2.spr", "walk_10.spr"}));
  g.findChild<QLineEdit*>("GalleryFilter")->setText("sub/");
  key(Qt::ControlModifier | Qt::Key_A);
  testing::TempDir out;
  dialogs.folderAnswers = {out.path()};
  g.exportSelected(GalleryExport::Kind::kSheets);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !busy(); }, 5000));
  EXPECT_EQ(testing::Names(out.path()), (Strings{"sub/deep/x.png", "sub/run.png"}));
  EXPECT_EQ(g.statusText().toStdString() + " | " + model().StatusText(),
            "Wrote the sheets of 2 sprites to " + out.path() + " | ");
}

TEST_F(Gallery, AddedAndRemovedSpritesShowWithinTwoSeconds) {
  GalleryWindow& g = open();
  sprite("walk_3.spr");
  fs::remove(sprites.file("bad.spr"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return g.cells().totalCount() == 3 && names()[1] == "walk_3.spr"; }, 2000));
}

}  // namespace
}  // namespace glint
