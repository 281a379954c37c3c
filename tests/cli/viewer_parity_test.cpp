#include <gtest/gtest.h>

#include <filesystem>

#include "cli_support.h"
#include "export/save_frames.h"
#include "support/fake_window.h"

namespace glint::testing {
namespace {

// Byte for byte and name for name what the viewer's Save Multiple and Save Single write.
TEST(SprconvViewerParity, SameFilesAsSaveMultipleAndSaveSingle) {
  SpriteBuilder sprite;
  for (int k = 1; k <= 11; ++k) sprite.patternFrame(k + 2, 4, static_cast<std::uint32_t>(k));
  sprite.rawFrame(6, 3, EncodePixels({1, 2, 3}));  // a short expansion, fitted the same way
  sprite.rawFrame(0, 0, {});                       // no pixels: neither writes a file
  TempDir viewer, cli;
  FakeWindow window;
  window.text1 = sprite.write(viewer.file("walk.spr"));
  window.text2 = viewer.file("multiple");
  std::filesystem::create_directory(window.text2);
  Exporter exporter(window);
  exporter.mnuSaveMult_Click();
  for (std::int16_t k = 1; k <= 13; ++k) exporter.SaveFrames(k, k, "unused.bmp");
  ASSERT_EQ(window.scripted().messages.size(), 2u);  // the summary, and frame 13 has no pixels

  sprite.write(cli.file("walk.spr"));
  ASSERT_EQ(Sprconv({"export", cli.file("walk.spr"), "-o", cli.file("multiple")}).status, 0);
  ASSERT_EQ(Sprconv({"export", cli.file("walk.spr")}).status, 0);
  auto files = Tree(viewer.path());
  EXPECT_EQ(files.size(), 1u + 12 + 12);
  EXPECT_EQ(Tree(cli.path()), files);
  // Independently of both: the 6 x 3 frame holds pixels 1, 2, 3 at its top left, the rest 0.
  const Bytes& fitted = files["multiple/walk_12.bmp"];
  ASSERT_EQ(fitted.size(), 1078u + 3 * 8);
  EXPECT_EQ(Bytes(fitted.begin() + 1078 + 16, fitted.end()), (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace glint::testing
