// Every reader against every kind of broken file, on the real window and in the converter: each
// says what is wrong (or reads the file when it is sound), leaves only whole files, closes its
// channels, and the window loads a good sprite afterwards.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/sprite_input.h"
#include "platform/dialogs_scripted.h"
#include "platform/errors.h"
#include "robustness_support.h"
#include "spr/frame_codec.h"
#include "ui/form1.h"

namespace glint {
namespace {

using testing::Bytes;
using testing::SpriteBuilder;

struct Case {
  std::string name;
  Bytes bytes;
  int loadError;  // what the viewer's caption names; 0 when the file loads
  // The export commands' words after `Cannot read "<path>": `, or "Error" for the signature box;
  // empty when the file exports.
  std::string exportReason;
  std::string cliReason;  // empty when the converter converts it
  int frames;             // frames written whole (before the fault, or all of them)
  int askFrame;           // the frame Save Single is asked for
};

SpriteBuilder oneFrame() { return SpriteBuilder().frame(8, 4, testing::MakePixels(8, 4, 1)); }

Bytes withSignature(std::array<std::uint8_t, 4> signature) {
  return oneFrame().signature(signature).build();
}

std::string broken(const std::string& what) { return "the file is broken (" + what + ")."; }

std::vector<Case> Cases() {
  const std::string wrong = cli::reason::kWrongSignature;
  Bytes shortFile = oneFrame().build();
  shortFile.resize(1000);
  // Read as an unsigned length, more than 32,767 stored bytes make a sound frame.
  const Bytes bigPixels = testing::MakePixels(300, 300, 2);
  EXPECT_GT(testing::EncodePixels(bigPixels).size(), 32767u);
  Bytes gap(600, 0);  // read as a hundred empty records before the palette's bytes

  return {
      {"signature 53 50 00 02", withSignature({0x53, 0x50, 0, 2}), err::kWrongSignature, "Error",
       wrong, 0, 1},
      {"signature 53 50 02 01", withSignature({0x53, 0x50, 2, 1}), err::kWrongSignature, "Error",
       wrong, 0, 1},
      {"signature 53 50 01 01", withSignature({0x53, 0x50, 1, 1}), err::kWrongSignature, "Error",
       wrong, 0, 1},
      {"signature not SP", withSignature({'P', 'K', 1, 2}), err::kWrongSignature, "Error", wrong, 0,
       1},
      {"shorter than 1,024 bytes", shortFile, err::kBadRecordNumber,
       "it is shorter than 1,024 bytes, too short to be a sprite file.", cli::reason::kShortFile, 0,
       1},
      {"negative frame count", oneFrame().frameCount(0x8000).build(), err::kInvalidCall,
       broken("its frame count is negative"), cli::reason::kNegativeCount, 0, 1},
      {"stored length above 32,767 running past the end",
       oneFrame().rawFrame(4, 4, {1, 2}, 60000).build(), err::kInputPastEnd,
       broken("it ends inside frame 2"), cli::reason::EndsInsideFrame(2), 1, 2},
      {"stored length above 32,767 in full", oneFrame().frame(300, 300, bigPixels).build(), 0, "",
       "", 2, 2},
      {"32,767 frames claimed", oneFrame().frameCount(32767).gap(gap).build(), err::kInputPastEnd,
       broken("it ends inside frame 102"), cli::reason::EndsInsideFrame(102), 1, 200},
      {"zero run cut short", oneFrame().rawFrame(4, 1, {5, 0}).build(), err::kInvalidCall,
       broken("frame 2 ends in the middle of a zero run"), cli::reason::RunCutShort(2), 1, 2},
      {"record cut short", oneFrame().rawFrame(4, 4, {1}, 2000).build(), err::kInputPastEnd,
       broken("it ends inside frame 2"), cli::reason::EndsInsideFrame(2), 1, 2},
      {"width 0 with pixel data", oneFrame().rawFrame(0, 4, {1, 2}).build(), err::kInvalidCall,
       broken("frame 2 has pixel data but no width or height"),
       cli::reason::PixelsWithoutSize(2, 0, 4), 1, 2},
      {"negative width with pixel data", oneFrame().rawFrame(-3, 4, {0, 9}).build(),
       err::kInvalidCall, broken("frame 2 has pixel data but no width or height"),
       cli::reason::PixelsWithoutSize(2, -3, 4), 1, 2},
      {"huge dimensions", oneFrame().rawFrame(32767, 32767, {0, 255, 0, 255}).build(),
       err::kInvalidCall, broken("frame 2 is larger than any sprite frame can be"),
       cli::reason::FrameTooLarge(2, 32767, 32767), 1, 2},
      {"gap and trailing bytes",
       oneFrame().patternFrame(5, 3, 3).gap({1, 2, 3, 4, 5}).trailing({9, 9, 9}).build(), 0, "", "",
       2, 2},
  };
}

struct Window {
  testing::TempDir app, sprites, out, cliOut;
  ScriptedDialogs dialogs;
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};
  std::string good = oneFrame().write(sprites.file("good.spr"));

  Window() { form.show(); }

  // Checks what every command leaves behind, then clears the boxes shown.
  void expectIdle(const std::string& what) {
    EXPECT_EQ(form.channels().openCount(), 0) << what;
    EXPECT_FALSE(form.Loading) << what;
    EXPECT_FALSE(form.Exporting) << what;
    EXPECT_EQ(form.Picture1().MousePointer(), pointer::kDefault) << what;
    dialogs.messages.clear();
  }
};

struct CliResult {
  int status;
  std::string out, err;
};

CliResult Sprconv(std::vector<std::string> args) {
  cli::BufferConsole console;
  args.insert(args.begin(), "sprconv");
  int status = cli::Sprconv(args, console);
  return {status, console.outText(), console.errText()};
}

// The palette every reader must use: the file's last 1,024 bytes, whatever lies before them.
gdi::COLORREF colourOfIndex(const Bytes& file, int index) {
  const std::size_t at = file.size() - 1024 + 4 * static_cast<std::size_t>(index);
  return gdi::RGB(file[at], file[at + 1], file[at + 2]);
}

TEST(BrokenFiles, EveryReaderSaysWhatIsWrongAndLeavesOnlyWholeFiles) {
  Window w;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::string path = w.sprites.file("broken.spr");
    testing::WriteBytes(path, c.bytes);
    std::filesystem::remove_all(w.out.path());
    std::filesystem::remove_all(w.cliOut.path());
    std::filesystem::create_directory(w.out.path());

    // The viewer.
    w.form.SetText1(path);
    w.form.LoadSprite();
    if (c.loadError != 0) {
      ASSERT_EQ(w.dialogs.messages.size(), 1u);
      EXPECT_EQ(w.dialogs.messages[0].prompt,
                "The file \"broken.spr\" doesn't look like an SPR file.");
      EXPECT_EQ(w.dialogs.messages[0].caption, "Error " + std::to_string(c.loadError));
    } else {
      EXPECT_TRUE(w.dialogs.messages.empty());
      EXPECT_EQ(w.form.StatusText().rfind("Decoded 2 pictures in " + path, 0), 0u);
      const testing::Bytes first = testing::MakePixels(8, 4, 1);
      EXPECT_EQ(gdi::GetPixel(w.form.sheet().hDC(), 0, 0), colourOfIndex(c.bytes, first[0]));
    }
    w.expectIdle("load");
    w.form.SetText1(w.good);  // the window is still usable
    w.form.LoadSprite();
    EXPECT_EQ(w.form.StatusText(), "Decoded 1 pictures in " + w.good);
    EXPECT_TRUE(w.dialogs.messages.empty());

    // Save Single and Save Multiple.
    const std::string expected = c.exportReason == "Error" ? "Error"
                                 : c.exportReason.empty()
                                     ? ""
                                     : "Cannot read \"" + path + "\": " + c.exportReason;
    w.form.SetText1(path);
    w.dialogs.inputAnswers = {std::to_string(c.askFrame)};
    w.form.mnuFileSave_Click();
    ASSERT_EQ(w.dialogs.messages.size(), expected.empty() ? 0u : 1u);
    if (!expected.empty()) {
      EXPECT_EQ(w.dialogs.messages[0].prompt, expected);
    }
    const std::string single = "broken.spr." + std::to_string(c.askFrame) + ".bmp";
    std::set<std::string> beside{"good.spr", "broken.spr"};
    if (expected.empty()) beside.insert(single);
    EXPECT_EQ(testing::Entries(w.sprites.path()), beside);
    if (expected.empty()) {
      EXPECT_TRUE(testing::IsWholeBmp(testing::ReadFile(w.sprites.file(single))));
    }
    std::filesystem::remove(w.sprites.file(single));
    w.expectIdle("Save Single");

    w.form.SetText2(w.out.path());
    w.form.mnuSaveMult_Click();
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].prompt,
              expected.empty() ? "Decoded " + std::to_string(c.frames) + " images in broken.spr"
                               : expected);
    EXPECT_EQ(testing::ExpectOnlyWholeBmps(w.out.path()), c.frames);
    w.expectIdle("Save Multiple");

    // The converter: the same files as Save Multiple, and the same reason from every command.
    const std::string line =
        c.cliReason.empty() ? "" : "sprconv: " + path + ": " + c.cliReason + "\n";
    const int status = c.cliReason.empty() ? 0 : 1;
    CliResult run = Sprconv({"export", path, "-o", w.cliOut.path(), "-j", "1", "-q"});
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.err, line);
    EXPECT_EQ(testing::ExpectOnlyWholeBmps(w.cliOut.path()), c.frames);
    for (const std::string& name : testing::Entries(w.cliOut.path()))
      EXPECT_EQ(testing::ReadFile(w.cliOut.file(name)),
                testing::ReadFile(w.out.path() + "/" + name))
          << name;
    for (const std::string command : {"sheet", "gif"}) {
      const std::string target = w.cliOut.file("all." + command);
      run = Sprconv({command, path, "-o", target});
      EXPECT_EQ(run.status, status) << command;
      EXPECT_EQ(run.err, line) << command;
      EXPECT_EQ(std::filesystem::exists(target), status == 0) << command;
    }
    run = Sprconv({"info", path, "--json"});
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.err, line);
    EXPECT_EQ(run.out.find("\"error\":") != std::string::npos, status != 0);
    for (const std::string& name : testing::Entries(w.cliOut.path()))
      EXPECT_NE(name[0], '.') << "a temporary was left: " << name;
  }
}

}  // namespace
}  // namespace glint
