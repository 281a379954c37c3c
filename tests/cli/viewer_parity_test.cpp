#include <gtest/gtest.h>

#include <filesystem>

#include "cli_support.h"
#include "export/save_frames.h"
#include "support/fake_window.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;

SpriteBuilder Sprite() {
  SpriteBuilder b;
  for (int k = 1; k <= 11; ++k) b.patternFrame(k + 2, 4, static_cast<std::uint32_t>(k));
  b.rawFrame(6, 3, EncodePixels({1, 2, 3}));  // a short expansion, fitted the same way
  b.rawFrame(0, 0, {});                       // no pixels: neither writes a file
  return b;
}

TEST(ViewerParity, ExportWritesWhatSaveMultipleWrites) {
  TempDir dir;
  FakeWindow window;
  window.text1 = Sprite().write(dir.file("walk.spr"));
  fs::create_directory(dir.file("viewer"));
  window.text2 = dir.file("viewer");
  Exporter(window).mnuSaveMult_Click();

  CliRun run = Sprconv({"export", dir.file("walk.spr"), "-o", dir.file("cli")});
  ASSERT_EQ(run.status, 0) << run.err;
  auto viewer = Tree(dir.file("viewer"));
  EXPECT_EQ(viewer.size(), 12u);
  EXPECT_EQ(Tree(dir.file("cli")), viewer);
  // Independently of both: the 6 x 3 frame holds pixels 1, 2, 3 at its top left, the rest 0.
  const Bytes& shortFrame = viewer["walk_12.bmp"];
  ASSERT_EQ(shortFrame.size(), 1078u + 3 * 8);
  EXPECT_EQ(Bytes(shortFrame.begin() + 1078 + 16, shortFrame.end()),
            (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
}

TEST(ViewerParity, BesideTheSpriteAsSaveSingleNamesIt) {
  TempDir viewerDir, cliDir;
  FakeWindow window;
  window.text1 = Sprite().write(viewerDir.file("walk.spr"));
  Exporter exporter(window);
  for (std::int16_t k = 1; k <= 12; ++k) exporter.SaveFrames(k, k, "unused.bmp");

  Sprite().write(cliDir.file("walk.spr"));
  ASSERT_EQ(Sprconv({"export", cliDir.file("walk.spr"), "--frames", "1-12"}).status, 0);
  EXPECT_EQ(Tree(cliDir.path()), Tree(viewerDir.path()));
}

}  // namespace
}  // namespace glint::testing
