// Sprite files damaged at random, with a fixed seed, read by every reader: they agree on whether
// a file is sound and on its frame count, and the two exporters write the same whole files.
#include <gtest/gtest.h>

#include <random>

#include "cli/commands.h"
#include "cli/console.h"
#include "export/save_frames.h"
#include "platform/errors.h"
#include "robustness_support.h"
#include "spr/spr_file.h"
#include "support/fake_window.h"
#include "viewer/frame_viewer.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

// Frames with pixels in all, or -1 when the reader refuses the file before any frame.
std::int64_t pixelsClaimed(const Bytes& file) {
  MemorySource source(file);
  spr::SprReader reader(source);
  std::int64_t pixels = 0;
  try {
    reader.readPalette();
    if (!reader.readSignature()) return -1;
    for (int k = reader.readFrameCount(); k > 0; --k) {
      spr::FrameRecord r = reader.readFrame();
      if (r.width > 0 && r.height > 0) pixels += std::int64_t{r.width} * r.height;
    }
  } catch (const Error&) {
  }
  return pixels;
}

Bytes damaged(std::mt19937& random, const std::vector<Bytes>& sound) {
  Bytes file = sound[random() % sound.size()];
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  for (int changes = 1 + static_cast<int>(pick(4)); changes > 0; --changes) {
    switch (pick(6)) {
      case 0:  // the end moves: cut or grown
        file.resize(pick(2) ? pick(file.size() + 1) : file.size() + pick(64));
        break;
      case 1:
        if (!file.empty()) file[pick(file.size())] = static_cast<std::uint8_t>(random());
        break;
      default:  // most damage lands in the headers of the first records
        if (file.size() > 8) {
          std::uint8_t& byte = file[pick(std::min<std::size_t>(file.size(), 64))];
          byte = static_cast<std::uint8_t>(byte ^ (1u << pick(8)));
        }
    }
  }
  return file;
}

TEST(Differential, ReadersAgreeOnDamagedFiles) {
  const std::vector<Bytes> sound = {
      SpriteBuilder().patternFrame(7, 5, 1).patternFrame(4, 9, 2).patternFrame(13, 2, 3).build(),
      SpriteBuilder().frame(3, 3, Bytes(9, 0)).rawFrame(0, 0, {}).patternFrame(6, 6, 4).build(),
      SpriteBuilder().rawFrame(5, 2, {7, 7, 0, 3}).rawFrame(2, 2, {1, 2, 3, 4, 5, 6}).build(),
  };
  std::mt19937 random(20261206);
  int checked = 0, broken = 0;
  for (int round = 0; round < 400; ++round) {
    const Bytes file = damaged(random, sound);
    const std::int64_t pixels = pixelsClaimed(file);
    if (pixels > (1 << 20)) continue;  // keeps the run short; the bounds test has the big ones
    SCOPED_TRACE(round);
    testing::TempDir dir;
    const std::string path = dir.file("d.spr");
    testing::WriteBytes(path, file);
    std::filesystem::create_directory(dir.file("window"));

    testing::FakeWindow window;
    window.text1 = path;
    window.text2 = dir.file("window");
    FrameViewer viewer(window);
    viewer.LoadSprite();
    const auto& messages = window.scripted().messages;
    const bool viewerFailed = !messages.empty();
    Exporter(window).mnuSaveMult_Click();
    ASSERT_EQ(messages.size(), viewerFailed ? 2u : 1u);
    const bool exportFailed = messages.back().prompt.rfind("Decoded ", 0) != 0;
    EXPECT_EQ(window.channels().openCount(), 0);

    cli::BufferConsole console;
    const int status =
        cli::Sprconv({"sprconv", "export", path, "-o", dir.file("cli"), "-j", "1", "-q"}, console);
    EXPECT_EQ(viewerFailed, exportFailed) << (viewerFailed ? messages[0].caption : "");
    EXPECT_EQ(status != 0, exportFailed) << console.errText();
    if (!viewerFailed && !exportFailed) {  // the same count in both summaries
      const std::string count =
          messages.back().prompt.substr(8, messages.back().prompt.find(' ', 8) - 8);
      EXPECT_EQ(window.StatusText().rfind("Decoded " + count + " pictures in ", 0), 0u);
    }
    EXPECT_EQ(testing::ExpectOnlyWholeBmps(dir.file("window")),
              testing::ExpectOnlyWholeBmps(dir.file("cli")));
    for (const std::string& name : testing::Entries(dir.file("cli")))
      EXPECT_EQ(testing::ReadFile(dir.file("cli/" + name)),
                testing::ReadFile(dir.file("window/" + name)));
    ++checked;
    broken += exportFailed ? 1 : 0;
  }
  // The damage must reach both kinds of file for the agreement to mean anything.
  EXPECT_GT(checked, 300);
  EXPECT_GT(broken, checked / 4);
  EXPECT_LT(broken, checked * 3 / 4);
  RecordProperty("files checked", checked);
  RecordProperty("broken", broken);
}

}  // namespace
}  // namespace glint
