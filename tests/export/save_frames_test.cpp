#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "export/save_frames.h"
#include "export/window_export.h"
#include "support/fake_window.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Names;
using testing::SpriteBuilder;
using Strings = std::vector<std::string>;

// A message box as shown: "prompt [style, caption]".
std::string box(const std::string& prompt, int style = 48,
                const std::string& caption = "Valkarin Glintscope") {
  return prompt + " [" + std::to_string(style) + ", " + caption + "]";
}

// Frame k of the test sprites: k + 2 pixels wide (every padding occurs), 3 high.
Bytes pixelsOf(int k) { return testing::MakePixels(k + 2, 3, static_cast<std::uint32_t>(k)); }
SpriteBuilder sprite(int frames) {
  SpriteBuilder b;
  for (int k = 1; k <= frames; ++k) b.frame(k + 2, 3, pixelsOf(k));
  return b;
}

// Reads the file back with Qt's own reader and compares every pixel with frame k's colours.
void expectShowsFrame(const std::string& path, int k) {
  QImage image(QString::fromStdString(path), "BMP");
  ASSERT_EQ(image.size(), QSize(k + 2, 3)) << path;
  const auto palette = testing::DistinctPalette();
  const Bytes pixels = pixelsOf(k);
  for (int i = 0; i < (k + 2) * 3; ++i) {
    const std::uint8_t* rgb = &palette[4 * pixels[static_cast<std::size_t>(i)]];
    ASSERT_EQ(image.pixel(i % (k + 2), i / (k + 2)), qRgb(rgb[0], rgb[1], rgb[2])) << path << i;
  }
}

struct Fixture {
  testing::TempDir dir;
  testing::FakeWindow window;
  Exporter exporter{window};

  explicit Fixture(const SpriteBuilder& b, const std::string& name = "sample.spr") {
    window.text1 = b.write(dir.file(name));
    fs::create_directory(window.text2 = dir.file("out"));
  }
  void save(std::int16_t start, std::int16_t end) { exporter.SaveFrames(start, end, "unused.bmp"); }
  void saveSingle(const std::string& answer) {
    window.scripted().inputAnswers = {answer};
    exporter.mnuFileSave_Click();
  }
  Strings shown() {
    Strings all;
    for (const auto& m : window.scripted().messages)
      all.push_back(box(m.prompt, m.style, m.caption));
    return all;
  }
};

// The base name is the sprite's less its last four characters, whatever they are (a character is
// not a byte); a start above the end writes nothing and says nothing. The 6 x 3 frame's layout,
// field by field: "BM", the fields at offsets 2, 6, ..., 50, palette entries 0 and 1 (blue,
// green, red, 0), then rows of 8 bytes, bottom row first.
TEST(SaveFrames, WritesTheRangeBesideTheSpriteInTheBmpLayout) {
  const std::string name = "Walk.sp\xC3\xA9";
  Fixture f(sprite(6), name);
  f.save(5, 3);
  f.save(4, 6);
  EXPECT_EQ(Names(f.dir.path()),
            (Strings{name, name + ".4.bmp", name + ".5.bmp", name + ".6.bmp"}));
  for (int k = 4; k <= 6; ++k)
    expectShowsFrame(f.window.text1 + "." + std::to_string(k) + ".bmp", k);
  EXPECT_EQ(std::tuple(f.window.StatusText(), f.shown()),
            std::tuple("Writing bitmap 6 of 6... (This bitmap 100%)", Strings{}));
  const Bytes b = testing::ReadFile(f.window.text1 + ".4.bmp");
  ASSERT_EQ(b.size(), 1078u + 24);
  std::vector<std::uint32_t> fields(1, b[0] | b[1] << 8);
  for (std::size_t i = 2; i < 62; i += 4)
    fields.push_back(b[i] | b[i + 1] << 8 | b[i + 2] << 16 | b[i + 3] << 24);
  EXPECT_EQ(fields,
            (std::vector<std::uint32_t>{'B' | 'M' << 8, 1102, 0, 1078, 40, 6, 3, 1 | 8 << 16, 0, 24,
                                        0, 0, 256, 0, 255 << 8, 7 | 254 << 8 | 1 << 16}));
  for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(b[1084 + 8 * row] | b[1085 + 8 * row], 0);
}

// Each file replaces one there whole; the summary always says ".spr"; the status line grows.
TEST(SaveMultiple, WritesEveryFrameIntoTheFolderAndSumsUp) {
  Fixture f(sprite(100), "Walk.sp\xC3\xA9");
  const std::string out = f.window.text2 + "/Walk_";
  std::ofstream(out + "01.bmp") << std::string(5000, 'x');
  f.save(100, 100);
  f.exporter.mnuSaveMult_Click();
  EXPECT_EQ(Names(f.window.text2).size(), 100u);
  for (int k = 1; k <= 100; ++k)
    expectShowsFrame(out + (k < 10 ? "0" : "") + std::to_string(k) + ".bmp", k);
  EXPECT_EQ(fs::file_size(out + "01.bmp"), 1078u + 3 * 4);
  EXPECT_EQ(f.shown(), Strings{box("Decoded 100 images in Walk.spr", 64, "SPR Mox Plus")});
  std::string status = "Writing bitmap 100 of 100... (This bitmap 100%)";
  for (int k = 1; k <= 100; ++k) status += " (This bitmap 100%)";
  EXPECT_EQ(std::tuple(f.window.StatusText(), f.window.channels().openCount(), f.window.Exporting),
            std::tuple(status, 0, false));
}

// It asks for the frame number, then writes that frame or says why not.
TEST(SaveSingle, WritesTheFrameAnsweredOrSaysWhyNot) {
  // By outcome: the frame written, R the range warning, N "not a frame number", "" nothing.
  const std::map<std::string, Strings> cases = {
      {"1", {"1"}},
      {"2", {"2.5"}},
      {"3", {" 3 ", "2.50001"}},
      {"4", {"+4", "3.5", "4."}},
      {"", {"", "  "}},
      {"R", {"0", "5", ".5", "-2.5", "32767.4", "-32768.5"}},
      {"N", {"32767.5", "-32769", "99999999999999999999", "two", "1e2", "1,5", ".", "-", "3 4"}}};
  for (const auto& [outcome, answers] : cases)
    for (const std::string& answer : answers) {
      Fixture f(sprite(4));
      f.saveSingle(answer);
      Strings files{"sample.spr"}, shown;
      if (outcome == "R")
        shown.push_back(box("Incorrect frame range! Please choose frames between 1 and 4."));
      else if (outcome == "N")
        shown.push_back(box("\"" + answer + "\" is not a frame number."));
      else if (!outcome.empty())
        files.push_back("sample.spr." + outcome + ".bmp");
      const auto& asked = f.window.scripted().inputs.at(0);
      EXPECT_EQ(
          std::tuple(asked.prompt + "|" + asked.title + "|" + asked.defaultAnswer,
                     Names(f.dir.path()), f.shown(), f.window.channels().openCount()),
          std::tuple("Enter the frame number to extract|Save single frame|1", files, shown, 0))
          << answer;
    }
}

// An empty path box, or one that names no ordinary file, is silent, as the window always was; a
// file that is not a sprite says "Error", each command in its own way, and writes nothing.
TEST(SaveFrames, NoSpriteSaysNothingOrError) {
  const std::tuple<std::string, Strings> cases[] = {
      {"", {}},
      {"/no/such.spr", {}},
      {"/tmp", {}},
      {"sample.spr", {box("Error", 0), box("Error", 64, "SPR Mox Plus")}}};
  for (const auto& [path, shown] : cases) {
    Fixture f(sprite(3).signature({0x53, 0x50, 0x00, 0x02}));
    if (path != "sample.spr") f.window.text1 = path;
    f.window.preview().SetMousePointer(pointer::kHourglass);
    f.saveSingle("1");
    f.exporter.mnuSaveMult_Click();
    EXPECT_EQ(std::tuple(f.window.scripted().inputs.size(), f.shown(), Names(f.dir.path())),
              std::tuple(std::size_t(!shown.empty()), shown, Strings{"sample.spr"}))
        << path;
    EXPECT_TRUE(shown.empty() || f.window.preview().MousePointer() == pointer::kDefault);
  }
}

// Each failure stops the export with one message naming the file, closes every channel, keeps
// the files already completed and leaves nothing partial. Save Single of the frame at fault (or
// of the first) says the same about the sprite.
TEST(SaveFrames, FailuresKeepCompletedFilesAndLeaveNothingPartial) {
  auto then = [](int w, int h, Bytes stored, std::optional<std::uint16_t> length = {}) {
    return sprite(1).rawFrame(w, h, stored, length).build();
  };
  auto broken = [](const std::string& why) { return "the file is broken (" + why + ")."; };
  // The reason after Cannot read "<sprite>": , or the whole message; the frames completed by Save
  // Multiple before the failure; the output folder.
  const std::tuple<std::string, Bytes, std::size_t, std::string> cases[] = {
      {"it is shorter than 1,024 bytes, too short to be a sprite file.", Bytes(1000, 0), 0, "out"},
      {broken("the frame count is above 32,767"), sprite(1).frameCount(0xFFFF).build(), 0, "out"},
      {broken("frame 2 ends inside a run of zeros"), then(4, 3, {5, 0}), 1, "out"},
      {broken("the file ends inside frame 2"), then(4, 3, {1}, 60000), 1, "out"},
      {"Cannot write \"/no/such/folder/sample_01.bmp\": the folder does not exist.",
       sprite(2).build(), 0, "/no/such/folder"},
      {"No output folder is set. Enter a folder under \"Batch Output Folder\" and try again.",
       sprite(2).build(), 0, ""}};
  for (const auto& [reason, bytes, written, folder] : cases) {
    Fixture f(SpriteBuilder{});
    testing::WriteFile(f.window.text1, bytes);
    const bool unreadable = folder == "out";
    if (!unreadable) f.window.text2 = folder;
    f.exporter.mnuSaveMult_Click();
    if (unreadable) f.saveSingle(written ? "2" : "1");
    const std::string expected =
        unreadable ? "Cannot read \"" + f.window.text1 + "\": " + reason : reason;
    const Strings files =
        written ? Strings{"out/sample_01.bmp", "sample.spr"} : Strings{"sample.spr"};
    EXPECT_EQ(std::tuple(f.shown(), Names(f.dir.path()), f.window.channels().openCount(),
                         f.window.Exporting),
              std::tuple(Strings(unreadable ? 2 : 1, box(expected)), files, 0, false));
  }
}

// Save Single of frame 2, then Save Multiple, on frames without pixels: no file for them, and
// the summary's second line names at most ten of them.
TEST(SaveFrames, FramesWithoutPixelsGetNoFile) {
  SpriteBuilder thirteen = sprite(1);
  for (int k = 0; k < 13; ++k) thirteen.rawFrame(0, 0, {});
  const std::tuple<SpriteBuilder, int, std::string> cases[] = {
      {SpriteBuilder{}, 0, ""},  // no frames at all: nothing written, the summary still shows
      {sprite(1).rawFrame(0, 0, {}), 2, "\nFrame 2 had no pixels, so no file was written for it."},
      {sprite(1).rawFrame(0, 0, {}).rawFrame(2, 0, {0, 0}), 3,
       "\nFrames 2 and 3 had no pixels, so no files were written for them."},
      {thirteen, 14,
       "\nFrames 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 and 3 more had no pixels, so no files were "
       "written for them."}};
  for (const auto& [builder, frames, skipped] : cases) {
    Fixture f(builder);
    f.saveSingle("2");
    f.exporter.mnuSaveMult_Click();
    EXPECT_EQ(f.shown(),
              (Strings{frames ? box("Frame 2 has no pixels, so no file was written for it.", 64)
                              : box("Incorrect frame range! Please choose frames between 1 and 0."),
                       box("Decoded " + std::to_string(frames) + " images in sample.spr" + skipped,
                           64, "SPR Mox Plus")}));
    // Nothing beside the sprite: Save Single wrote no file either.
    EXPECT_EQ(Names(f.dir.path()),
              (frames ? Strings{"out/sample_01.bmp", "sample.spr"} : Strings{"sample.spr"}));
  }
}

// A cancel that comes while the last frame is being finished is too late: the file is whole.
TEST(WindowExport, ACancelDuringTheLastFrameKeepsTheWholeFile) {
  testing::TempDir dir;
  for (auto kind : {WindowExportJob::Kind::kSheet, WindowExportJob::Kind::kGif}) {
    WindowExportJob job{kind, sprite(3).write(dir.file("s.spr")), dir.file("plain"), false, 100,
                        {}};
    WindowExportProgress plain, cancelled;
    ASSERT_TRUE(RunWindowExport(job, plain).ok);
    job.target = dir.file("cancelled");
    job.afterFrame = [&](int done) { cancelled.cancel = done == 3; };
    EXPECT_TRUE(RunWindowExport(job, cancelled).ok) << static_cast<int>(kind);
    EXPECT_EQ(testing::ReadFile(job.target), testing::ReadFile(dir.file("plain")));
  }
}

}  // namespace
}  // namespace glint
