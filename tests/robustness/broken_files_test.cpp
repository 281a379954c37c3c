// Every reader (the viewer and both exports on the real window, and the converter) against each
// kind of broken file and against files damaged at random: they agree whether a file is sound,
// each says what is wrong in its way, only whole files are left, no channel stays open, the window
// loads a good sprite afterwards, and once it is gone no drawing handle is left. The words of
// each message are the readers' own suites' to check.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "cli/cli_support.h"
#include "platform/dialogs_scripted.h"
#include "platform/errors.h"
#include "platform/gdi.h"
#include "ui/form1.h"

namespace glint {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::SpriteBuilder;

// A BMP file as long as its header says, with the pixel block its size calls for.
bool IsWholeBmp(const Bytes& b) {
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
  };
  if (b.size() < 1078 || b[0] != 'B' || b[1] != 'M' || le32(2) != b.size()) return false;
  const std::int64_t width = std::int32_t(le32(18)), height = std::int32_t(le32(22));
  return width > 0 && height > 0 && le32(34) == ((width + 3) / 4 * 4) * height;
}

// Every file in the folder is a whole BMP, none a temporary; returns how many there are.
int ExpectOnlyWholeBmps(const std::string& folder) {
  const auto files = testing::Tree(folder);
  for (const auto& [name, bytes] : files) {
    EXPECT_NE(name[0], '.') << "a temporary was left: " << folder << "/" << name;
    EXPECT_TRUE(IsWholeBmp(bytes)) << folder << "/" << name;
  }
  return static_cast<int>(files.size());
}

struct Readers {
  testing::TempDir app, sprites, out, cliOut;
  ScriptedDialogs dialogs;
  Form1 form{{.appPath = app.path(), .spriteFolder = sprites.path(), .dialogs = &dialogs}};
  std::string good = SpriteBuilder().patternFrame(8, 4, 1).write(sprites.file("good.spr"));
  std::string path = sprites.file("broken.spr");

  // Checks what a command leaves behind, and takes the box it showed.
  std::string idle(const std::string& command, bool caption = false) {
    EXPECT_EQ(form.channels().openCount(), 0) << command;
    EXPECT_FALSE(form.Loading || form.Exporting) << command;
    EXPECT_EQ(form.Picture1().MousePointer(), pointer::kDefault) << command;
    EXPECT_LE(dialogs.messages.size(), 1u) << command;
    const auto shown = std::exchange(dialogs.messages, {});
    return shown.empty() ? "" : caption ? shown[0].caption : shown[0].prompt;
  }

  // Reads the file with every reader; says whether the viewer refused it. A file of a known kind
  // comes with the error number the viewer names (0: none) and the whole files it exports.
  bool read(const Bytes& file, int askFrame, int loadError = -1, int files = -1) {
    std::ofstream(path, std::ios::binary) << std::string(file.begin(), file.end());
    fs::remove_all(cliOut.path());
    fs::remove_all(out.path());
    fs::create_directory(out.path());
    form.show();
    form.SetText1(path);
    form.LoadSprite();
    const std::string loaded = form.StatusText(), load = idle("load", true);
    EXPECT_EQ(load, loadError < 0 ? load : loadError ? "Error " + std::to_string(loadError) : "");
    form.SetText1(good);  // the window is still usable
    form.LoadSprite();
    EXPECT_EQ(form.StatusText() + idle("load good"), "Decoded 1 pictures in " + good);

    form.SetText1(path);
    form.SetText2(out.path());
    dialogs.inputAnswers = {std::to_string(askFrame)};
    form.mnuFileSave_Click();
    const std::string single = idle("Save Single"), bmp = path + "." + std::to_string(askFrame);
    EXPECT_TRUE(!fs::exists(bmp + ".bmp") || IsWholeBmp(testing::ReadFile(bmp + ".bmp")));
    fs::remove(bmp + ".bmp");
    EXPECT_EQ(testing::Names(sprites.path()), (std::vector<std::string>{"broken.spr", "good.spr"}));
    form.mnuSaveMult_Click();
    const std::string multiple = idle("Save Multiple");
    const int written = ExpectOnlyWholeBmps(out.path());
    if (files >= 0) {  // Save Single, asked for the frame at fault, says what Save Multiple says
      EXPECT_EQ(written, files);
      EXPECT_EQ(single, loadError ? multiple : "");
    }

    const std::string cliError =
        testing::Sprconv({"export", path, "-o", cliOut.path(), "-j", "1"}).err;
    EXPECT_EQ(testing::Tree(cliOut.path()), testing::Tree(out.path()));
    for (const std::string command : {"sheet", "gif", "info"}) {
      std::vector<std::string> args{command, path, "-o", cliOut.file("all." + command)};
      if (command == "info") args.resize(2);
      EXPECT_EQ(testing::Sprconv(args).err, cliError) << command;
      EXPECT_EQ(fs::exists(cliOut.file("all." + command)), cliError.empty() && command != "info");
    }

    // They agree whether the file is sound, and on its frame count when it is; failing, each
    // names the file, or the exports say "Error" of a wrong signature as the viewer does.
    const bool exported = multiple.rfind("Decoded ", 0) == 0;
    EXPECT_EQ(load.empty(), exported) << load << " / " << multiple;
    EXPECT_EQ(cliError.empty(), exported) << cliError;
    if (load.empty() && exported) {
      const std::string count = multiple.substr(8, multiple.find(' ', 8) - 8);
      EXPECT_EQ(loaded, "Decoded " + count + " pictures in " + path);
    } else if (!exported) {
      const bool signature = load == "Error " + std::to_string(err::kWrongSignature);
      EXPECT_EQ(multiple.rfind(signature ? "Error" : "Cannot read \"" + path + "\": ", 0), 0u);
      EXPECT_EQ(cliError.rfind("sprconv: " + path + ": ", 0), 0u);
    }
    return !load.empty();
  }
};

TEST(BrokenFiles, EveryReaderOnEveryKindOfBrokenFileAndOnDamagedOnes) {
  const SpriteBuilder one = SpriteBuilder().patternFrame(8, 4, 1);
  auto sig = [&](std::array<std::uint8_t, 4> bytes) {
    return SpriteBuilder(one).signature(bytes).build();
  };
  auto then = [&](int width, int height, const Bytes& stored,
                  std::optional<std::uint16_t> length = {}) {
    return SpriteBuilder(one).rawFrame(width, height, stored, length).build();
  };
  const struct {
    const char* name;
    Bytes bytes;
    int loadError;  // the number the viewer's caption names; 0 when the file loads
    int files;      // whole files exported: the frames before the fault, or all of them
  } cases[] = {
      {"signature 53 50 00 02", sig({0x53, 0x50, 0, 2}), err::kWrongSignature, 0},
      {"signature 53 50 02 01", sig({0x53, 0x50, 2, 1}), err::kWrongSignature, 0},
      {"signature 53 50 01 01", sig({0x53, 0x50, 1, 1}), err::kWrongSignature, 0},
      {"signature not SP", sig({'P', 'K', 1, 2}), err::kWrongSignature, 0},
      {"shorter than 1,024 bytes", Bytes(1000, 0), err::kBadRecordNumber, 0},
      {"negative frame count", SpriteBuilder(one).frameCount(0x8000).build(), err::kInvalidCall, 0},
      {"cut short, its length above 32,767", then(4, 4, {1, 2}, 60000), err::kInputPastEnd, 1},
      {"zero run cut short", then(4, 1, {5, 0}), err::kInvalidCall, 1},
      {"width 0 with pixel data", then(0, 4, {1, 2}), err::kInvalidCall, 1},
      {"negative width with pixel data", then(-3, 4, {0, 9}), err::kInvalidCall, 1},
      {"huge dimensions", then(32767, 32767, {0, 255, 0, 255}), err::kInvalidCall, 1},
      // Read as an unsigned length, more than 32,767 stored bytes make a sound frame.
      {"stored length above 32,767", SpriteBuilder(one).patternFrame(300, 300, 2).build(), 0, 2},
      {"gap and trailing bytes",
       SpriteBuilder(one).patternFrame(5, 3, 3).gap({1, 2}).trailing({9}).build(), 0, 2},
  };
  const int handles = gdi::LiveHandleCount();
  {
    Readers r;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      r.read(c.bytes, c.files + (c.loadError ? 1 : 0), c.loadError, c.files);
    }
    EXPECT_GT(gdi::LiveHandleCount(), handles);  // the picture boxes hold theirs

    // Sound files damaged at random, with a fixed seed.
    const Bytes sound[] = {
        cases[std::size(cases) - 1].bytes,
        SpriteBuilder(one).rawFrame(0, 0, {}).rawFrame(5, 2, {7, 7, 0, 3}).build()};
    std::mt19937 random(20261206);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    int refused = 0;
    for (int round = 0; round < 150; ++round) {
      Bytes file = sound[pick(2)];
      for (std::size_t changes = 1 + pick(4); changes > 0; --changes) {
        if (pick(6) == 0) {  // the end moves: cut or grown
          file.resize(pick(2) ? pick(file.size() + 1) : file.size() + pick(64));
        } else if (file.size() > 8) {  // most damage lands in the first records' headers
          file[pick(pick(3) ? std::min<std::size_t>(file.size(), 64) : file.size())] ^=
              static_cast<std::uint8_t>(1u << pick(8));
        }
      }
      SCOPED_TRACE("damaged file " + std::to_string(round));
      refused += r.read(file, 1) ? 1 : 0;
    }
    // The damage must reach both kinds of file for the agreement to mean anything.
    EXPECT_GT(refused, 150 / 4);
    EXPECT_LT(refused, 150 * 3 / 4);
  }
  EXPECT_EQ(gdi::LiveHandleCount(), handles);
}

}  // namespace
}  // namespace glint
