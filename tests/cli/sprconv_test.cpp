#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/naming.h"
#include "cli/sprite_input.h"
#include "cli_support.h"
#include "decoders.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Tree(folder)) names.push_back(name);
  return names;
}

TEST(Export, NamesFollowTheViewer) {
  struct Case {
    std::string sprite, folder;
    int frame;
    std::string expected;
  } cases[] = {
      {"art/sample.spr", "out", 1, "out/sample_01.bmp"},
      {"art/sample.spr", "out/", 12, "out/sample_12.bmp"},
      {"art/sample.spr", "out", 100, "out/sample_100.bmp"},
      {"art/Sample.SPR", "out", 3, "out/Sample_03.bmp"},
      {"art/monster.bin", "out", 2, "out/monster_02.bmp"},
      {"art/plain", "out", 2, "out/plain_02.bmp"},
      {"art/a.b.spr", "out", 2, "out/a.b_02.bmp"},
      {"art/sample.spr", "", 3, "art/sample.spr.3.bmp"},
      {"art/sample.spr", "", 10, "art/sample.spr.10.bmp"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cli::FramePath(c.sprite, c.folder, cli::SpriteName(c.sprite), c.frame, ".bmp"),
              c.expected);
}

TEST(Export, FramesPicksARange) {
  struct Case {
    std::string frames;
    int status;
    std::vector<std::string> files;
    std::string message;
  } cases[] = {
      {"2", 0, {"s_02.bmp"}, ""},
      {"2-3", 0, {"s_02.bmp", "s_03.bmp"}, ""},
      {"1-4", 0, {"s_01.bmp", "s_02.bmp", "s_03.bmp"}, ""},  // frame 4 has no pixels
      {"3-5", 1, {}, "frames 3-5 asked for, but the file has 4 frames"},
      {"9", 1, {}, "frame 9 asked for, but the file has 4 frames"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SpriteBuilder()
        .patternFrame(4, 4, 1)
        .patternFrame(4, 4, 2)
        .patternFrame(4, 4, 3)
        .rawFrame(0, 0, {})
        .write(dir.file("s.spr"));
    CliRun run =
        Sprconv({"export", dir.file("s.spr"), "-o", dir.file("out"), "--frames", c.frames});
    EXPECT_EQ(run.status, c.status) << c.frames;
    EXPECT_EQ(Names(dir.file("out")), c.files) << c.frames;
    if (c.message.empty())
      EXPECT_EQ(run.err, "");
    else
      EXPECT_EQ(run.err, "sprconv: " + dir.file("s.spr") + ": " + c.message + "\n");
  }
}

TEST(Export, PngCarriesPaletteIndicesAndTransparency) {
  for (bool transparent : {false, true}) {
    TempDir dir;
    Bytes pixels = MakePixels(13, 7, 5);
    SpriteBuilder().frame(13, 7, pixels).write(dir.file("p.spr"));
    std::vector<std::string> args{"export", dir.file("p.spr"), "-o", dir.path(), "--format", "png"};
    if (transparent) args.push_back("--transparent");
    ASSERT_EQ(Sprconv(args).status, 0);

    DecodedPng png = ReadPng(dir.file("p_01.png"));
    EXPECT_EQ(png.colourType, 3);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.width, 13);
    EXPECT_EQ(png.height, 7);
    EXPECT_EQ(png.pixels, pixels);
    auto palette = DistinctPalette();
    ASSERT_EQ(png.palette.size(), 256u);
    for (std::size_t k = 0; k < 256; ++k)
      EXPECT_EQ(png.palette[k], (std::array<std::uint8_t, 3>{palette[4 * k], palette[4 * k + 1],
                                                             palette[4 * k + 2]}));
    EXPECT_EQ(png.alpha, transparent ? Bytes{0} : Bytes{});
  }
}

TEST(Export, FoldersAreMirroredAndConflictsNamed) {
  TempDir dir;
  std::string in = dir.file("sprites");
  SpriteBuilder().patternFrame(2, 2, 1).write(
      (fs::create_directories(in + "/a/deep"), in + "/a/x.spr"));
  SpriteBuilder().patternFrame(2, 2, 2).write(in + "/a/deep/y.Spr");
  SpriteBuilder().patternFrame(2, 2, 3).write(in + "/top.spr");
  SpriteBuilder().patternFrame(3, 3, 4).write(in + "/a/x.SPR");  // same names as a/x.spr
  SpriteBuilder().patternFrame(2, 2, 5).write(
      (fs::create_directories(in + "/.hidden"), in + "/.hidden/h.spr"));
  WriteBytes(in + "/notes.txt", {1, 2, 3});

  CliRun run = Sprconv({"export", in, "-o", dir.file("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "sprconv: " + in + "/a/x.spr: not converted: " + in +
                         "/a/x.SPR writes the same files (" + dir.file("out") +
                         "/a/x_01.bmp, ...)\n");
  EXPECT_THAT(Names(dir.file("out")), ElementsAre("a/deep/y_01.bmp", "a/x_01.bmp", "top_01.bmp"));
  // The first in sorted order won: x.SPR, whose 3 x 3 frame takes 12 bytes of pixels.
  EXPECT_EQ(ReadFile(dir.file("out/a/x_01.bmp")).size(), 1078u + 12);
}

TEST(Export, SameTreeAndMessagesWhateverTheThreads) {
  TempDir dir;
  std::string in = dir.file("in");
  fs::create_directories(in + "/b");
  for (int i = 0; i < 12; ++i)
    SpriteBuilder()
        .patternFrame(20 + i, 10, static_cast<std::uint32_t>(i))
        .patternFrame(7, 9, static_cast<std::uint32_t>(i + 50))
        .write(in + (i % 2 ? "/b/s" : "/s") + std::to_string(i) + ".spr");
  SpriteBuilder().signature({'S', 'P', 2, 1}).write(in + "/b/broken1.spr");
  SpriteBuilder().patternFrame(4, 4, 1).rawFrame(4, 4, {1}, 2000).write(in + "/broken2.spr");

  CliRun one = Sprconv({"export", in, "-o", dir.file("one"), "-j", "1", "--format", "png"});
  CliRun four = Sprconv({"export", in, "-o", dir.file("four"), "-j", "4", "--format", "png"});
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(four.status, 1);
  EXPECT_EQ(one.err, four.err);
  EXPECT_THAT(one.err, HasSubstr("broken1.spr: not a sprite file: wrong signature\n"));
  EXPECT_THAT(one.err, HasSubstr("broken2.spr: the file ends inside frame 2\n"));
  EXPECT_LT(one.err.find("broken1"), one.err.find("broken2"));  // b/ sorts before broken2.spr
  auto treeOne = Tree(dir.file("one"));
  EXPECT_EQ(treeOne.size(), 12u * 2 + 1);
  EXPECT_EQ(treeOne, Tree(dir.file("four")));
}

TEST(Export, BrokenFilesAreNamedInPlainWords) {
  struct Case {
    std::string name;
    SpriteBuilder sprite;
    std::string reason;
    std::vector<std::string> kept;  // files completed before the fault
  } cases[] = {
      {"signature",
       SpriteBuilder().signature({'S', 'P', 0, 2}).patternFrame(2, 2, 1),
       cli::reason::kWrongSignature,
       {}},
      {"count",
       SpriteBuilder().patternFrame(2, 2, 1).frameCount(0x8000),
       cli::reason::kNegativeCount,
       {}},
      {"cut",
       SpriteBuilder().patternFrame(2, 2, 1).patternFrame(2, 2, 2).rawFrame(3, 3, {1, 2}, 2000),
       cli::reason::EndsInsideFrame(3),
       {"f_01.bmp", "f_02.bmp"}},
      {"run",
       SpriteBuilder().patternFrame(2, 2, 1).rawFrame(4, 1, {1, 0}),
       cli::reason::RunCutShort(2),
       {"f_01.bmp"}},
      {"nosize",
       SpriteBuilder().rawFrame(0, 5, {1, 2, 3}),
       cli::reason::PixelsWithoutSize(1, 0, 5),
       {}},
      {"huge",
       SpriteBuilder().rawFrame(32767, 32767, {1}),
       cli::reason::FrameTooLarge(1, 32767, 32767),
       {}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    c.sprite.write(dir.file("f.spr"));
    CliRun run = Sprconv({"export", dir.file("f.spr"), "-o", dir.file("out")});
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.err, "sprconv: " + dir.file("f.spr") + ": " + c.reason + "\n") << c.name;
    EXPECT_EQ(Names(dir.file("out")), c.kept) << c.name;  // nothing partial, no temporaries
  }
  TempDir dir;
  WriteBytes(dir.file("short.spr"), Bytes(1023, 0));
  CliRun run = Sprconv({"export", dir.file("short.spr"), dir.file("missing.spr"), "-q"});
  EXPECT_EQ(run.err, "sprconv: " + dir.file("short.spr") + ": " + cli::reason::kShortFile +
                         "\nsprconv: " + dir.file("missing.spr") + ": no such file or folder\n");
}

TEST(Export, WriteFailuresNameTheOutput) {
  TempDir dir;
  SpriteBuilder().patternFrame(2, 2, 1).patternFrame(2, 2, 2).write(dir.file("w.spr"));
  fs::create_directories(dir.file("out/w_02.bmp"));
  CliRun run = Sprconv({"export", dir.file("w.spr"), "-o", dir.file("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "sprconv: " + dir.file("out/w_02.bmp") +
                         ": cannot write the file: a folder has that name\n");
  EXPECT_THAT(Names(dir.file("out")), ElementsAre("w_01.bmp"));

  WriteBytes(dir.file("file"), {1});
  run = Sprconv({"export", dir.file("w.spr"), "-o", dir.file("file")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "sprconv: " + dir.file("file") + ": cannot create the folder: a file has that name\n");
}

TEST(Export, SpritesWithoutPixelsWriteNothingAndSucceed) {
  TempDir dir;
  SpriteBuilder().rawFrame(0, 0, {}).rawFrame(-3, 2, {}).write(dir.file("e.spr"));
  SpriteBuilder().write(dir.file("none.spr"));
  CliRun run = Sprconv({"export", dir.file("e.spr"), dir.file("none.spr"), "-o", dir.file("out")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(Names(dir.file("out")), IsEmpty());
}

}  // namespace
}  // namespace glint::testing
