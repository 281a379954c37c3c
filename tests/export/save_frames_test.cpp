#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "export/export_names.h"
#include "export/frame_number.h"
#include "export/save_frames.h"
#include "support/fake_window.h"
#include "support/sprite_builder.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::SpriteBuilder;
using Message = ScriptedDialogs::Message;

constexpr const char* kApp = "Valkarin Glintscope";

// Frame k of the test sprites: k + 2 pixels wide (every padding occurs), 3 high.
Bytes pixelsOf(int k) { return testing::MakePixels(k + 2, 3, static_cast<std::uint32_t>(k)); }

SpriteBuilder sprite(int frames) {
  SpriteBuilder b;
  for (int k = 1; k <= frames; ++k) b.frame(k + 2, 3, pixelsOf(k));
  return b;
}

// Reads the file back with an independent reader and compares every pixel with the palette.
void expectShowsFrame(const std::string& path, int width, int height, const Bytes& pixels) {
  QImage image(QString::fromStdString(path), "BMP");
  ASSERT_FALSE(image.isNull()) << path;
  ASSERT_EQ(image.width(), width) << path;
  ASSERT_EQ(image.height(), height) << path;
  const auto palette = testing::DistinctPalette();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::size_t i = static_cast<std::size_t>(y * width + x);
      int index = i < pixels.size() ? pixels[i] : 0;
      QRgb rgb = image.pixel(x, y);
      ASSERT_EQ(qRed(rgb), palette[4 * index]) << path << " " << x << "," << y;
      ASSERT_EQ(qGreen(rgb), palette[4 * index + 1]) << path << " " << x << "," << y;
      ASSERT_EQ(qBlue(rgb), palette[4 * index + 2]) << path << " " << x << "," << y;
    }
}

// Every entry of the folder, hidden temporaries included.
std::set<std::string> entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

struct Fixture {
  testing::TempDir dir;
  testing::FakeWindow window;
  Exporter exporter{window};
  std::vector<Message>& messages() { return window.scripted().messages; }

  explicit Fixture(const SpriteBuilder& b) {
    window.text1 = b.write(dir.file("sample.spr"));
    fs::create_directory(dir.file("out"));
    window.text2 = dir.file("out");
  }
  void save(int start, int end) {
    auto s = static_cast<std::int16_t>(start), e = static_cast<std::int16_t>(end);
    exporter.SaveFrames(s, e, "unused.bmp");
  }
};

TEST(ExportNames, Rules) {
  EXPECT_EQ(SingleFrameName("/art/sample.spr", 3), "/art/sample.spr.3.bmp");
  EXPECT_EQ(SingleFrameName("/art/sample.spr", 10), "/art/sample.spr.10.bmp");
  struct Case {
    const char* path;
    const char* base;
  };
  for (Case c : {Case{"/art/sample.spr", "sample"}, Case{"/art/Sample.SPR", "Sample"},
                 Case{"walk.xyz", "walk"}, Case{"/a/abc", ""},
                 Case{"/a/\xC3\xA9t\xC3\xA9.spr", "\xC3\xA9t\xC3\xA9"}, Case{"/a/ab\xC3\xA9", ""}})
    EXPECT_EQ(BaseName(c.path), c.base) << c.path;
  EXPECT_EQ(MultipleFrameName("/out", "s", 1), "/out/s_01.bmp");
  EXPECT_EQ(MultipleFrameName("/out", "s", 99), "/out/s_99.bmp");
  EXPECT_EQ(MultipleFrameName("/out", "s", 100), "/out/s_100.bmp");
  EXPECT_EQ(MultipleFrameName("/out/", "s", 2), "/out//s_02.bmp");
}

TEST(FrameNumber, Answers) {
  struct Case {
    const char* answer;
    std::optional<std::int16_t> frame;
  };
  const Case cases[] = {
      {"1", 1},
      {" 7 ", 7},
      {"+4", 4},
      {"2.5", 2},
      {"3.5", 4},
      {"-2.5", -2},
      {"2.50001", 3},
      {"0.4", 0},
      {"5.", 5},
      {".5", 0},
      {"32767", 32767},
      {"32767.4", 32767},
      {"-32768.5", -32768},
      {"32767.5", {}},
      {"-32769", {}},
      {"99999999999999999999", {}},
      {"abc", {}},
      {"1e2", {}},
      {"1,5", {}},
      {".", {}},
      {"-", {}},
      {"3 4", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFrameNumber(c.answer), c.frame) << c.answer;
}

TEST(SaveFrames, WritesTheRangeBesideTheSpriteAndNamesEachFrameInTheStatus) {
  Fixture f(sprite(10));
  std::vector<std::string> heads;  // each distinct "Writing bitmap ..." head, yields and the end
  auto look = [&] {
    std::string text = f.window.StatusText();
    std::string head = text.substr(0, text.find("...") + 3);
    if (head.rfind("Writing", 0) == 0 && (heads.empty() || heads.back() != head))
      heads.push_back(head);
  };
  f.window.onYield = look;
  f.save(4, 6);
  look();
  EXPECT_EQ(entries(f.dir.path()),
            (std::set<std::string>{"sample.spr", "sample.spr.4.bmp", "sample.spr.5.bmp",
                                   "sample.spr.6.bmp", "out"}));
  for (int k = 4; k <= 6; ++k)
    expectShowsFrame(f.window.text1 + "." + std::to_string(k) + ".bmp", k + 2, 3, pixelsOf(k));
  EXPECT_EQ(heads,
            (std::vector<std::string>{"Writing bitmap 4 of 10...", "Writing bitmap 5 of 10...",
                                      "Writing bitmap 6 of 10..."}));
  EXPECT_EQ(f.window.StatusText(), "Writing bitmap 6 of 10... (This bitmap 100%)");
  EXPECT_TRUE(f.messages().empty());
  EXPECT_EQ(f.window.channels().openCount(), 0);
  EXPECT_FALSE(f.window.Exporting);
}

TEST(SaveFrames, RangeTest) {
  struct Case {
    int frames, start, end;
    const char* warning;  // nullptr: no message and nothing written
  };
  const Case cases[] = {
      {10, 0, 0, "Incorrect frame range! Please choose frames between 1 and 10."},
      {10, 11, 11, "Incorrect frame range! Please choose frames between 1 and 10."},
      {10, -5, -5, "Incorrect frame range! Please choose frames between 1 and 10."},
      {0, 1, 1, "Incorrect frame range! Please choose frames between 1 and 0."},
      {10, 5, 3, nullptr},
  };
  for (const Case& c : cases) {
    Fixture f(sprite(c.frames));
    f.save(c.start, c.end);
    ASSERT_EQ(f.messages().size(), c.warning ? 1u : 0u) << c.start;
    if (c.warning) {
      EXPECT_EQ(f.messages()[0].prompt, c.warning);
      EXPECT_EQ(f.messages()[0].style, 48);
      EXPECT_EQ(f.messages()[0].caption, kApp);
    }
    EXPECT_EQ(entries(f.dir.path()).size(), 2u) << c.start;
    EXPECT_EQ(f.window.channels().openCount(), 0);
  }
}

TEST(SaveFrames, ReplacesALongerFileWhole) {
  Fixture f(sprite(2));
  std::ofstream(f.window.text1 + ".1.bmp") << std::string(5000, 'x');
  std::ofstream(f.dir.file("out/sample_01.bmp")) << std::string(5000, 'x');
  f.save(1, 1);
  f.exporter.mnuSaveMult_Click();
  EXPECT_EQ(fs::file_size(f.window.text1 + ".1.bmp"), 1078u + 3 * 4);
  EXPECT_EQ(fs::file_size(f.dir.file("out/sample_01.bmp")), 1078u + 3 * 4);
}

TEST(SaveMultiple, WritesEveryFrameAndTheSummary) {
  Fixture f(sprite(12));
  f.window.SetStatusText("before");
  f.exporter.mnuSaveMult_Click();
  for (int k = 1; k <= 12; ++k)
    expectShowsFrame(MultipleFrameName(f.window.text2, "sample", k), k + 2, 3, pixelsOf(k));
  EXPECT_EQ(entries(f.window.text2).size(), 12u);
  ASSERT_EQ(f.messages().size(), 1u);
  EXPECT_EQ(f.messages()[0].prompt, "Decoded 12 images in sample.spr");
  EXPECT_EQ(f.messages()[0].style, 64);
  EXPECT_EQ(f.messages()[0].caption, "SPR Mox Plus");
  std::string progress;
  for (int k = 0; k < 12; ++k) progress += " (This bitmap 100%)";
  EXPECT_EQ(f.window.StatusText(), "before" + progress);
  EXPECT_EQ(f.window.yields > 0, true);
}

TEST(SaveMultiple, ThreeDigitsFromFrame100AndTheSummaryExtension) {
  SpriteBuilder b;
  for (int k = 1; k <= 100; ++k) b.frame(1, 1, {static_cast<std::uint8_t>(k)});
  testing::TempDir dir;
  testing::FakeWindow window;
  window.text1 = b.write(dir.file("Walk.SPR"));
  window.text2 = dir.path() + "/";
  Exporter(window).mnuSaveMult_Click();
  EXPECT_TRUE(fs::exists(dir.file("Walk_09.bmp")));
  EXPECT_TRUE(fs::exists(dir.file("Walk_100.bmp")));
  EXPECT_EQ(window.scripted().messages.at(0).prompt, "Decoded 100 images in Walk.spr");
}

TEST(Export, WrongSignature) {
  Fixture f(sprite(3).signature({0x53, 0x50, 0x00, 0x02}));
  f.window.preview().SetMousePointer(pointer::kHourglass);
  f.save(1, 1);
  f.exporter.mnuSaveMult_Click();
  EXPECT_EQ(f.messages()[0].prompt, "Error");
  EXPECT_EQ(f.messages()[0].style, 0);
  EXPECT_EQ(f.messages()[0].caption, kApp);
  EXPECT_EQ(f.window.preview().MousePointer(), pointer::kDefault);
  EXPECT_EQ(f.messages()[1].prompt, "Error");
  EXPECT_EQ(f.messages()[1].style, 64);
  EXPECT_EQ(f.messages()[1].caption, "SPR Mox Plus");
  EXPECT_EQ(f.messages().size(), 2u);
  EXPECT_EQ(entries(f.dir.path()).size(), 2u);
  EXPECT_TRUE(entries(f.window.text2).empty());
}

// Each failure stops the export with one message naming the file, closes every channel, keeps
// the files already completed and leaves nothing partial.
TEST(Export, FailuresKeepCompletedFilesAndLeaveNothingPartial) {
  const Bytes pixels(12, 7);
  struct Case {
    const char* name;
    SpriteBuilder sprite;
    bool removeOutput;
    const char* reason;  // after Cannot read "<sprite>": (or the write message)
    int written;         // frames completed by Save Multiple before the failure
  };
  std::vector<Case> cases = {
      {"short file", SpriteBuilder().palette({}).signature({0, 0, 0, 0}), false,
       "it is shorter than 1,024 bytes, too short to be a sprite file.", 0},
      {"negative count", sprite(1).frameCount(0xFFFF), false,
       "the file is broken (its frame count is negative).", 0},
      {"cut zero run", sprite(1).rawFrame(4, 3, {5, 0}), false,
       "the file is broken (frame 2 ends in the middle of a zero run).", 1},
      {"no size", sprite(1).rawFrame(0, 3, {5, 5}), false,
       "the file is broken (frame 2 has pixel data but no width or height).", 1},
      {"huge frame", sprite(1).rawFrame(32767, 32767, {5}), false,
       "the file is broken (frame 2 is larger than any sprite frame can be).", 1},
      {"missing output folder", sprite(2), true, nullptr, 0},
  };
  // A record cut short by the end of the file: its length claims more than the file holds.
  cases.push_back({"cut record", sprite(1).rawFrame(4, 3, {1}, 60000), false,
                   "the file is broken (it ends inside frame 2).", 1});
  for (auto& c : cases) {
    testing::TempDir dir;
    testing::FakeWindow window;
    window.text1 = dir.file("s.spr");
    Bytes bytes = c.sprite.build();
    if (std::string(c.name) == "short file") bytes.resize(1000);
    std::ofstream(window.text1, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    window.text2 = dir.file(c.removeOutput ? "gone" : "out");
    fs::create_directory(dir.file("out"));
    Exporter exporter(window);
    exporter.mnuSaveMult_Click();
    std::string expected =
        c.reason ? "Cannot read \"" + window.text1 + "\": " + c.reason
                 : "Cannot write \"" + dir.file("gone/s_01.bmp") + "\": the folder does not exist.";
    ASSERT_EQ(window.scripted().messages.size(), 1u) << c.name;
    EXPECT_EQ(window.scripted().messages[0].prompt, expected) << c.name;
    EXPECT_EQ(window.scripted().messages[0].style, 48) << c.name;
    EXPECT_EQ(window.scripted().messages[0].caption, kApp) << c.name;
    EXPECT_EQ(entries(dir.file("out")).size(), static_cast<std::size_t>(c.written)) << c.name;
    EXPECT_EQ(window.channels().openCount(), 0) << c.name;

    // Save Single of the broken frame (or the first) says the same about the sprite.
    if (!c.reason) continue;
    window.scripted().messages.clear();
    window.scripted().inputAnswers = {c.written ? "2" : "1"};
    exporter.mnuFileSave_Click();
    ASSERT_EQ(window.scripted().messages.size(), 1u) << c.name;
    EXPECT_EQ(window.scripted().messages[0].prompt, expected) << c.name;
    EXPECT_EQ(entries(dir.path()).size(), 2u) << c.name;
    EXPECT_EQ(window.channels().openCount(), 0) << c.name;
    EXPECT_FALSE(window.Exporting);
  }
}

TEST(Export, UnwritableTargetLeavesNoTemporary) {
  Fixture f(sprite(2));
  fs::create_directory(f.window.text1 + ".2.bmp");  // a folder where the file should go
  f.save(1, 2);
  ASSERT_EQ(f.messages().size(), 1u);
  EXPECT_EQ(f.messages()[0].prompt,
            "Cannot write \"" + f.window.text1 + ".2.bmp\": a folder has that name.");
  EXPECT_EQ(entries(f.dir.path()),
            (std::set<std::string>{"sample.spr", "sample.spr.1.bmp", "sample.spr.2.bmp", "out"}));
  EXPECT_EQ(f.window.channels().openCount(), 0);
}

TEST(Export, EmptyFramesGetNoFile) {
  Fixture f(sprite(1).rawFrame(0, 0, {}).rawFrame(2, 0, {0, 0}));
  f.window.scripted().inputAnswers = {"2"};
  f.exporter.mnuFileSave_Click();
  f.exporter.mnuSaveMult_Click();
  ASSERT_EQ(f.messages().size(), 2u);
  EXPECT_EQ(f.messages()[0].prompt, "Frame 2 has no pixels, so no file was written for it.");
  EXPECT_EQ(f.messages()[0].style, 64);
  EXPECT_EQ(f.messages()[1].prompt, "Decoded 3 images in sample.spr");
  EXPECT_EQ(entries(f.window.text2), (std::set<std::string>{"sample_01.bmp"}));
  EXPECT_EQ(entries(f.dir.path()).size(), 2u);

  Fixture none(SpriteBuilder{});  // no frames at all: nothing written, the summary still shows
  none.exporter.mnuSaveMult_Click();
  EXPECT_EQ(none.messages().at(0).prompt, "Decoded 0 images in sample.spr");
  EXPECT_TRUE(entries(none.window.text2).empty());
}

TEST(SaveSingle, InputBox) {
  struct Case {
    std::string answer;
    const char* file;     // written, or nullptr
    const char* message;  // shown, or nullptr
  };
  const Case cases[] = {
      {"1", "sample.spr.1.bmp", nullptr},
      {"2.5", "sample.spr.2.bmp", nullptr},
      {"3.5", "sample.spr.4.bmp", nullptr},
      {"", nullptr, nullptr},
      {"  ", nullptr, nullptr},
      {"0", nullptr, "Incorrect frame range! Please choose frames between 1 and 4."},
      {"5", nullptr, "Incorrect frame range! Please choose frames between 1 and 4."},
      {"two", nullptr, "\"two\" is not a frame number."},
      {"40000", nullptr, "\"40000\" is not a frame number."},
  };
  for (const Case& c : cases) {
    Fixture f(sprite(4));
    f.window.scripted().inputAnswers = {c.answer};
    f.exporter.mnuFileSave_Click();
    ASSERT_EQ(f.window.scripted().inputs.size(), 1u);
    EXPECT_EQ(f.window.scripted().inputs[0].prompt, "Enter the frame number to extract");
    EXPECT_EQ(f.window.scripted().inputs[0].title, "Save single frame");
    EXPECT_EQ(f.window.scripted().inputs[0].defaultAnswer, "1");
    std::set<std::string> expected{"sample.spr", "out"};
    if (c.file) expected.insert(c.file);
    EXPECT_EQ(entries(f.dir.path()), expected) << c.answer;
    ASSERT_EQ(f.messages().size(), c.message ? 1u : 0u) << c.answer;
    if (c.message) {
      EXPECT_EQ(f.messages()[0].prompt, c.message);
    }
  }
}

TEST(Export, NothingToDo) {
  for (std::string path : {std::string(), std::string("/no/such.spr"), std::string("/tmp")}) {
    testing::FakeWindow window;
    window.text1 = path;
    window.text2 = "/tmp";
    Exporter exporter(window);
    exporter.mnuFileSave_Click();
    exporter.mnuSaveMult_Click();
    EXPECT_TRUE(window.scripted().inputs.empty()) << path;
    EXPECT_TRUE(window.scripted().messages.empty()) << path;
  }
  Fixture f(sprite(2));
  f.window.text2.clear();
  f.exporter.mnuSaveMult_Click();
  ASSERT_EQ(f.messages().size(), 1u);
  EXPECT_EQ(f.messages()[0].prompt,
            "No output folder is set. Enter a folder under \"Batch Output Folder\" and try again.");
  EXPECT_EQ(f.messages()[0].style, 48);
  EXPECT_EQ(entries(f.dir.path()).size(), 2u);
}

TEST(Export, TextsAreTakenOnceAndOtherCommandsWaitWhileItRuns) {
  Fixture f(sprite(3));
  Fixture other(sprite(1));
  const std::string busy = "Another file is being read. Please try again when it is done.";
  bool sawExporting = false;
  f.window.onYield = [&] {
    sawExporting = sawExporting || f.window.Exporting;
    f.window.text1 = other.window.text1;  // a double-click on another sprite
    f.window.text2 = other.window.text2;
    f.window.scripted().inputAnswers = {"1"};
    f.exporter.mnuFileSave_Click();
    f.exporter.mnuSaveMult_Click();
  };
  f.window.text1 = f.dir.file("sample.spr");
  f.exporter.mnuSaveMult_Click();
  EXPECT_TRUE(sawExporting);
  EXPECT_FALSE(f.window.Exporting);
  EXPECT_EQ(entries(f.dir.file("out")).size(), 3u);
  EXPECT_TRUE(entries(other.dir.file("out")).empty());
  EXPECT_EQ(entries(other.dir.path()).size(), 2u);
  ASSERT_GE(f.messages().size(), 3u);
  EXPECT_EQ(f.messages()[0].prompt, busy);
  EXPECT_EQ(f.messages().back().prompt, "Decoded 3 images in sample.spr");
  EXPECT_TRUE(f.window.scripted().inputs.empty());
  EXPECT_EQ(f.window.channels().openCount(), 0);
}

TEST(Export, RefusedWhileALoadHoldsTheSpriteChannel) {
  Fixture f(sprite(1));
  f.window.channels().openForReading(FileChannels::kSpriteChannel, f.window.text1);
  f.exporter.mnuFileSave_Click();
  f.exporter.mnuSaveMult_Click();
  f.save(1, 1);
  ASSERT_EQ(f.messages().size(), 3u);
  for (const auto& m : f.messages())
    EXPECT_EQ(m.prompt, "Another file is being read. Please try again when it is done.");
  EXPECT_TRUE(f.window.channels().isOpen(FileChannels::kSpriteChannel));  // the load's, kept
  EXPECT_EQ(entries(f.dir.path()).size(), 2u);
}

}  // namespace
}  // namespace glint
