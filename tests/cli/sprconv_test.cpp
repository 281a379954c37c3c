// The converter's commands in process: exports, usage, info, pack, replace and palettes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <random>
#include <regex>
#include <sstream>

#include "cli/info.h"
#include "cli_support.h"
#include "image/image_reader.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::FieldsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Mirroring, hidden entries, other files, a name conflict and broken files in one tree: the same
// files and messages, in input order, on one thread and on four.
TEST(SprconvExport, FoldersAreMirroredTheSameWhateverTheThreads) {
  TempDir dir;
  const std::string in = dir.file("in"), out = dir.file("out");
  for (const char* folder : {"/a/deep", "/.hidden"}) fs::create_directories(in + folder);
  Strings expected{"a.b_01.bmp", "a/deep/y_01.bmp", "a/x_01.bmp", "plain_01.bmp"};
  SpriteBuilder slow;  // first in input order, the last to finish: it fails after 8 big frames
  for (int k = 1; k <= 8; ++k) {
    slow.patternFrame(250, 250, k);
    expected.push_back("a/broken1_0" + std::to_string(k) + ".bmp");
  }
  slow.rawFrame(4, 4, {1}, 2000).write(in + "/a/broken1.spr");
  for (int i = 0; i < 8; ++i) {
    const std::string name = (i % 2 ? "a/s" : "s") + std::to_string(i), path = in + "/" + name;
    SpriteBuilder().patternFrame(20 + i, 10, i).patternFrame(7, 9, i + 50).write(path + ".spr");
    expected.insert(expected.end(), {name + "_01.bmp", name + "_02.bmp"});
  }
  std::sort(expected.begin(), expected.end());
  // x.SPR sorts before x.spr, so it wins.
  for (auto [name, side] :
       {std::pair{"/a/deep/y.Spr", 2}, {"/a/x.spr", 2}, {"/a/x.SPR", 3}, {"/.hidden/h.spr", 2}})
    if (kNamesDifferInCase || name != std::string("/a/x.spr"))
      SpriteBuilder().patternFrame(side, side, side).write(in + name);
  std::ofstream(in + "/notes.txt") << "not a sprite";
  SpriteBuilder().rawFrame(0, 0, {}).write(in + "/empty.spr");  // nothing to write, no error

  // Files named on the command line lose their last extension, whatever it is.
  const Strings files{SpriteBuilder().patternFrame(2, 2, 6).write(dir.file("a.b.bin")),
                      SpriteBuilder().patternFrame(2, 2, 7).write(dir.file("plain"))};

  CliRun one = Sprconv({"export", in, files[0], files[1], "-o", out, "-j", "1"});
  auto tree = Tree(out);
  fs::remove_all(out);
  CliRun four = Sprconv({"export", in, files[0], files[1], "-o", out, "-j", "4"});
  EXPECT_EQ(std::tuple(one.status, four.status, four.err, Tree(out)),
            std::tuple(1, 1, one.err, tree));
  const std::string a = Joined(in, "a");
  EXPECT_EQ(one.err, "sprconv: " + Joined(a, "broken1.spr: the file ends inside frame 9\n") +
                         (kNamesDifferInCase ? "sprconv: " + Joined(a, "x.spr: not converted: ") +
                                                   Joined(a, "x.SPR writes the same files (") +
                                                   Joined(Joined(out, "a"), "x_01.bmp, ...)\n")
                                             : ""));
  EXPECT_EQ(Names(out), expected);
  EXPECT_EQ(tree["a/x_01.bmp"].size(), 1078u + 12);  // x.SPR's 3 x 3 frame
}

// `export f.spr -o out` with the frames asked for, or on each kind of broken file and failed
// write (the folder test has the wrong signature and the file cut short): the files written (the
// frames before a fault stay, each whole, and nothing partial or temporary is left) and what went
// wrong in plain words.
TEST(SprconvExport, FramesAskedForAndFailuresInPlainWords) {
  const SpriteBuilder one = SpriteBuilder().patternFrame(2, 2, 1);
  SpriteBuilder four = SpriteBuilder(one).patternFrame(4, 4, 2).patternFrame(3, 3, 3);
  const Bytes fourFrames = four.rawFrame(0, 0, {}).build();  // frame 4 has no pixels
  auto then = [&](int w, int h, Bytes b) { return SpriteBuilder(one).rawFrame(w, h, b).build(); };
  struct Case {
    // --frames, the frames written (one digit each), and what went wrong (none: it succeeds)
    std::string frames, written, reason;
    Bytes sprite;
    std::string out = "out";
    bool blocked = false;  // a folder in the way of frame 2, named in the message
  };
  const Case cases[] = {
      {"2", "2", "", fourFrames},
      {"2-2", "2", "", fourFrames},
      {"2-3", "23", "", fourFrames},
      {"1-4", "123", "", fourFrames},
      {"3-5", "", "frames 3-5 asked for, but the file has 4 frames", fourFrames},
      {"9", "", "frame 9 asked for, but the file has 4 frames", fourFrames},
      {"", "", "not a sprite file: shorter than 1,024 bytes", Bytes(1023, 0)},
      {"", "", "no such file or folder", {}},
      {"", "", "broken file: the frame count is above 32,767",
       SpriteBuilder(one).frameCount(0x8000).build()},
      {"", "1", "broken file: frame 2 ends inside a run of zeros", then(4, 1, {1, 0})},
      {"", "1", "broken file: frame 2 has pixel data but no size (0 x 5)", then(0, 5, {1, 2, 3})},
      {"", "1", "broken file: frame 2 is too large (32767 x 32767 pixels)",
       then(32767, 32767, {1})},
      {"", "1", "cannot write the file: a folder has that name", then(2, 2, {1, 2, 3, 4}), "out",
       true},
      {"", "", "cannot create the folder: a file has that name", one.build(), "f.spr"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames + " " + c.reason);
    TempDir dir;
    if (!c.sprite.empty()) WriteFile(dir.file("f.spr"), c.sprite);
    if (c.blocked) fs::create_directories(dir.file("out/f_02.bmp"));
    const Strings frames = c.frames.empty() ? Strings{} : Strings{"--frames", c.frames};
    CliRun run = Sprconv({"export", dir.file("f.spr"), "-o", dir.file(c.out)}, frames);
    EXPECT_EQ(run.status, c.reason.empty() ? 0 : 1);
    const std::string named = c.blocked ? Joined(dir.file("out"), "f_02.bmp") : dir.file("f.spr");
    EXPECT_EQ(run.err, c.reason.empty() ? "" : "sprconv: " + named + ": " + c.reason + "\n");
    Strings written;
    for (char k : c.written) written.push_back(std::string("f_0") + k + ".bmp");
    EXPECT_EQ(Names(dir.file("out")), written);
  }
}

// Each bad command line is a usage error (exit 2) with nothing on stdout; '' stands for an empty
// word, and an empty output name is no name for any command that writes.
TEST(SprconvOptions, BadCommandLinesAreUsageErrors) {
  std::istringstream table(  // one command line a line, the first one empty
      "\nconvert a.spr\nexport\nexport a.spr --bogus\nexport a.spr -o\nexport a.spr --format gif\n"
      "export a.spr --format bmp --transparent\nexport a.spr -j 0\nexport a.spr --frames 0\n"
      "export a.spr --frames 0-2\nexport a.spr --frames 4-2\nexport a.spr --frames 3-\n"
      "export a.spr --frames 1.5\nexport a.spr --frames +2\nexport a.spr --frames 1-2-3\n"
      "export a.spr --frames 99999999999\nsheet a.spr\nsheet a.spr b.spr -o s.png\n"
      "sheet a.spr -o s.png --columns 0\ngif a.spr -o a.gif --delay fast\ninfo a.spr --frames 2\n"
      "pack f_1.png\npack -o in.spr\nreplace s.spr f_1.png\nreplace s.spr --frame x f_1.png\n"
      "replace s.spr --frame 1 f_1.png f_1.png\nexport a.spr -o ''\nsheet a.spr -o ''\n"
      "gif a.spr -o ''\npack f_1.png -o ''\nreplace s.spr --frame 1 f_1.png -o ''\n"
      "thumbnail a.spr ''\npalette\npalette a.spr -o p.txt\npalette a.spr -o p\n"
      "palette a.spr --json -o p.gpl\npalette a.spr --json --set p.gpl\npalette a.spr -o ''\n"
      "palette a.spr --set p.gpl -o ''");
  for (std::string line; std::getline(table, line);) {
    std::istringstream words(line);
    Strings args;
    for (std::string word; words >> word;) args.push_back(word == "''" ? "" : word);
    const std::string empty = line.find("''") == line.npos ? "" : " must not be empty\n";
    EXPECT_THAT(Sprconv(args), FieldsAre(2, "", AllOf(StartsWith("sprconv: "), HasSubstr(empty))))
        << line;
  }
  EXPECT_THAT(Sprconv({"export", "a.spr", "-j", "0"}),
              FieldsAre(2, "", StartsWith("sprconv: -j must be at least 1\n")));
}

TEST(SprconvOptions, HelpAndVersionGoToStdoutWithStatusZero) {
  EXPECT_THAT(Sprconv({"--help"}), FieldsAre(0, HasSubstr("sprconv export SPRITE|FOLDER..."), ""));
  EXPECT_THAT(Sprconv({"export", "--help"}), FieldsAre(0, HasSubstr("--frames"), ""));
  EXPECT_THAT(Sprconv({"--version"}), FieldsAre(0, StartsWith("sprconv "), ""));
}

TEST(SprconvInfo, ForPeopleAndAsJsonLinesWithEachFailureOnStderr) {
  TempDir dir;
  const std::string a = dir.file("a.spr"), b = dir.file("b.spr"), c = dir.file("c.spr");
  SpriteBuilder().rawFrame(5, 2, {1, 2, 3}).rawFrame(0, 0, {}).write(a);
  SpriteBuilder().rawFrame(3, 1, {4, 0, 2}).rawFrame(4, 4, {0}).write(b);  // frame 2 cut in a run
  SpriteBuilder().signature({'S', 'P', 1, 1}).write(c);
  const CliRun text = Sprconv({"info", a}), json = Sprconv({"info", "--json", a, b, c});
  EXPECT_EQ(std::pair(text.status, json.status), std::pair(0, 1));
  EXPECT_EQ(text.out, a + ": 2 frames\n  frame 1: 5 x 2, 3 bytes stored\n" +
                          "  frame 2: 0 x 0, 0 bytes stored\n");
  const std::string zeros = "broken file: frame 2 ends inside a run of zeros",
                    signature = "not a sprite file: wrong signature";
  auto line = [](const std::string& file, const std::string& rest, const std::string& error) {
    return R"({"file":")" + file + "\"," + rest +
           (error.empty() ? "" : R"(,"error":")" + error + "\"") + "}\n";
  };
  EXPECT_EQ(json.out, line(a, R"("frames":2,"sizes":[[5,2],[0,0]],"stored":[3,0])", "") +
                          line(b, R"("frames":2,"sizes":[[3,1],[4,4]],"stored":[3,1])", zeros) +
                          line(c, R"("frames":null,"sizes":[],"stored":[])", signature));
  EXPECT_EQ(json.err, "sprconv: " + b + ": " + zeros + "\nsprconv: " + c + ": " + signature + "\n");
}

// JSON strings turn each byte that is not UTF-8 into U+FFFD; messages quote names that could
// forge a line, in the shell's way.
TEST(SprconvInfo, NamesCannotForgeALineInJsonOrInMessages) {
  const std::tuple<std::string (*)(std::string_view), std::string, std::string> quoted[] = {
      {cli::JsonString, "a\"b\\c\n\t\x01 caf\xC3\xA9", "\"a\\\"b\\\\c\\n\\t\\u0001 caf\xC3\xA9\""},
      {cli::JsonString, "bad\xFFz cut\xE2\x82 overlong\xC0\xAF",
       "\"bad\xEF\xBF\xBDz cut\xEF\xBF\xBD\xEF\xBF\xBD overlong\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {cli::QuotedName, "caf\xC3\xA9 1.spr", "caf\xC3\xA9 1.spr"},
      {cli::QuotedName, "evil\nname.spr", "$'evil\\nname.spr'"},
      {cli::QuotedName, "it's\x7F\xFF\\", "$'it\\'s\\x7f\\xff\\\\'"},
      {cli::QuotedName, "a\x7F.spr", "$'a\\x7f.spr'"}};
  for (const auto& [quote, raw, want] : quoted) EXPECT_EQ(quote(raw), want) << raw;
}

// The sprite as pack writes it: no gap, and the palette's reserved bytes 0.
Bytes Packed(SpriteBuilder builder, std::array<std::uint8_t, 1024> palette = DistinctPalette()) {
  for (std::size_t k = 3; k < palette.size(); k += 4) palette[k] = 0;
  return builder.palette(palette).build();
}

// Frames exported as PNG and as BMP pack back to the sprite, with its palette or one taken from a
// frame; each image replaces its own frame byte for byte.
TEST(SprconvPack, RoundTripsWithTheExport) {
  std::mt19937 random(11);
  for (int round = 0; round < 6; ++round) {
    TempDir dir;
    SpriteBuilder builder;
    const int frames = round == 0 ? 101 : 1 + round * 3;  // 101: frame 100 comes after 11
    for (int k = 0; k < frames; ++k) {
      const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 40);
      builder.frame(w, h, MakePixels(w, h, static_cast<std::uint32_t>(random()), k % 5 ? 0.6 : 1));
    }
    const Bytes canonical = Packed(builder);
    const std::string sprite = builder.gap({7, 7}).write(dir.file("walk.spr"));
    const std::string packed = dir.file("p.spr"), repacked = dir.file("again.spr"),
                      replaced = dir.file("r.spr"), k = std::to_string(1 + round);
    for (const char* format : {"png", "bmp"}) {
      SCOPED_TRACE(std::string(format) + " round " + std::to_string(round));
      const std::string frameDir = dir.file(format), again = frameDir + "2";
      ASSERT_EQ(Sprconv({"export", sprite, "-o", frameDir, "--format", format}).status, 0);
      const CliRun pack = Sprconv({"pack", frameDir, "-o", packed, "--palette", sprite});
      ASSERT_EQ(pack.status, 0) << pack.err;
      // The export of the packed file packs to the same bytes, its palette taken from a frame.
      ASSERT_EQ(Sprconv({"export", packed, "-o", again, "--format", format}).status, 0);
      ASSERT_EQ(Sprconv({"pack", again, "-o", repacked}).status, 0);
      // A frame replaced by its own image: the canonical file stays byte for byte.
      const std::string image = frameDir + "/walk_0" + k + "." + format;
      ASSERT_EQ(Sprconv({"replace", sprite, "--frame", k, image, "-o", replaced}).status, 0);
      EXPECT_EQ(std::tuple(ReadFile(packed), ReadFile(repacked), ReadFile(replaced)),
                std::tuple(canonical, canonical, ReadFile(sprite)));
    }
  }
}

// What replace and pack refuse, and drawing over the palette drawn with, each in plain words
// and leaving every file as it was.
TEST_F(SprconvPackAndReplace, RefusalsAreInPlainWordsAndLeaveEveryFileAsItWas) {
  const std::string empty = WriteFile(dir.file("a/f_01.bmp"), {});
  const std::string colour = "pixel (0, 0) is #63FE07, a colour the ";
  const std::string reaching =
      SpriteBuilder().rawFrame(2, 1, {1, 2}, 40).write(dir.file("reaching.spr"));
  Bytes cut(spr::kSignature.begin(), spr::kSignature.end());  // the count lies in the palette
  cut.resize(1028);
  const std::string headed = WriteFile(dir.file("headed.spr"), cut);
  const std::string beside = WriteFile(dir.file("s.spr.1.png"), ReadFile(good));  // frame 1's name
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"replace", sprite, "--frame", "3", good}, "s.spr: frame 3 asked for, but the file has 2"},
      {{"replace", sprite, "--frame", "0", good}, "s.spr: frame 0 asked for"},
      {{"replace", sprite, "--frame", "1", alien}, "b/f_1.png: frame 1: " + colour},
      {{"replace", sprite, "--frame", "1", sprite},
       "s.spr: the output is also an input (" + dir.path()},
      {{"pack", good, alien, "-o", in, "--palette", sprite}, "b/f_1.png: frame 2: " + colour},
      {{"pack", good, "-o", sprite, "--palette", sprite},
       "s.spr: the output is also an input (" + dir.path()},
      {{"pack", sprite, "-o", in}, "s.spr: neither a PNG nor a BMP file"},
      {{"pack", good, "-o", in, "--palette", empty}, "f_01.bmp: no palette to take: neither"},
      {{"pack", rgba, "-o", in, "--palette", sprite, "--transparent"},
       "w_1.png: frame 1: pixel (1, 0) is #00FF00, opaque, but only index 0, the transparent one, "
       "has that colour"},
      {{"palette", sprite, "--set", sprite}, "s.spr: the output is also an input (" + dir.path()},
      {{"palette", reaching, "--set", good, "-o", in},
       "reaching.spr: frame 1: its record reaches into the palette at the end of the file"},
      {{"palette", headed, "--set", good}, "headed.spr: its header reaches into the palette"},
      {{"palette", sprite, "--set", empty}, "f_01.bmp: no palette to take: neither"},
      {{"export", sprite, "-o", in, "--palette", rgba}, "w_1.png: no palette to take: a PNG file "},
      {{"sheet", sprite, "-o", good, "--palette", good}, "it is one of the files being read"},
      {{"gif", sprite, "-o", good, "--palette", good}, "it is one of the files being read"},
      {{"thumbnail", sprite, good, "--palette", good}, "it is one of the files being read"},
      {{"export", sprite, "--format", "png", "--frames", "1", "--palette", beside},
       "it is one of the files being read"}};
  const auto before = Tree(dir.path());
  for (const auto& [args, message] : cases) {
    EXPECT_THAT(Sprconv(args), FieldsAre(1, "", HasSubstr(message)));
    EXPECT_EQ(Tree(dir.path()), before) << message;
  }
}

// From RGBA with --transparent, through pack and replace: a clear pixel is index 0 though black
// is index 3, and an opaque one of index 0's colour takes the lowest other index of it (5 of 5 to
// 7), or is refused where there is none.
TEST_F(SprconvPackAndReplace, TransparentClearPixelsAreIndexZeroAndOpaqueOnesTheLowestOtherIndex) {
  spr::Palette palette = DistinctPalette();
  for (int k : {5, 6, 7}) palette.setColour(k, palette.colour(0));
  palette.setColour(3, {});
  const SpriteBuilder want = SpriteBuilder().palette(palette).frame(3, 1, {0, 5, 1});
  const std::string from =
      SpriteBuilder().palette(palette).frame(3, 1, {2, 2, 2}).write(dir.file("w.spr"));
  const std::pair<std::vector<std::string>, Bytes> transparent[] = {
      {{"pack", rgba, "-o", in, "--palette", from, "--transparent"}, Packed(want, palette)},
      {{"replace", from, "--frame", "1", rgba, "-o", in, "--transparent"}, want.build()}};
  for (const auto& [args, written] : transparent) {
    ASSERT_EQ(Sprconv(args).status, 0) << args[0];
    EXPECT_EQ(ReadFile(in), written) << args[0];
  }
}

// The colours of a text palette as its published format lays it out, or nothing where it strays:
// GIMP with LF line ends, its header lines, then "R G B<tab>name" lines; JASC with CRLF line ends,
// its three header lines and exactly the count of "R G B" lines.
std::vector<int> PublishedColours(const Bytes& file, bool jasc) {
  const std::string text(file.begin(), file.end());
  const std::regex gimp(
      "GIMP Palette\n(Name: [^\n]*\n)?(Columns: [0-9]+\n)?(#[^\n]*\n)*"
      "(( *[0-9]{1,3}){3}\t[^\n]*\n)*"),
      pal("JASC-PAL\r\n0100\r\n256\r\n([0-9]{1,3} [0-9]{1,3} [0-9]{1,3}\r\n){256}"),
      entry(jasc ? "\n([0-9]+) ([0-9]+) ([0-9]+)\r" : "\n *([0-9]+) +([0-9]+) +([0-9]+)\t");
  if (!std::regex_match(text, jasc ? pal : gimp)) return {};
  std::vector<int> colours;
  for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
    for (int k = 1; k <= 3; ++k) colours.push_back(std::stoi((*it)[k]));
  return colours;
}

// A sprite with a gap, unused header bytes and reserved bytes set: its palette listed, written as
// each kind and set back into a copy whose colours differ gives the sprite byte for byte. The
// files keep their published formats.
TEST(SprconvPalette, WrittenFilesKeepTheirFormatsAndSetBackByteForByte) {
  TempDir dir;
  Bytes original = SpriteBuilder().patternFrame(5, 4, 3).gap({9, 8, 7}).build();
  original[6] = 0xAB, original[7] = 0xCD;
  const std::string sprite = WriteFile(dir.file("s.spr"), original);
  const Bytes rgb = Palette();
  Bytes swatches(256);  // pixel k is index k
  std::iota(swatches.begin(), swatches.end(), std::uint8_t{0});

  const CliRun text = Sprconv({"palette", sprite}), json = Sprconv({"palette", sprite, "--json"});
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 256);
  EXPECT_THAT(text.out,
              AllOf(StartsWith("0 0 255 0 #00FF00\n"), HasSubstr("\n17 17 238 119 #11EE77\n")));
  EXPECT_THAT(json.out, AllOf(StartsWith(R"([{"index": 0, "red": 0, "green": 255, "blue": 0, )"
                                         R"("hex": "#00FF00"}, {"index": 1, )"),
                              HasSubstr(R"(}, {"index": 17, "red": 17, "green": 238, "blue": 119, )"
                                        R"("hex": "#11EE77"}, {)"),
                              ::testing::EndsWith("\"}]\n")));

  for (const char* kind : {"gpl", "pal", "png"}) {
    SCOPED_TRACE(kind);
    const std::string file = dir.file(std::string("x.") + kind), copy = dir.file("t.spr");
    ASSERT_EQ(Sprconv({"palette", sprite, "-o", file}).status, 0);
    const Bytes written = ReadFile(file);
    if (kind == std::string("png"))
      EXPECT_EQ(image::ReadImage(written).indices, swatches);
    else
      EXPECT_EQ(PublishedColours(written, kind[1] == 'a'),
                std::vector<int>(rgb.begin(), rgb.end()));
    Bytes other = original;
    for (std::size_t at = other.size() - 1024; at < other.size(); at += 4) other[at] ^= 0x5A;
    WriteFile(copy, other);
    const CliRun set = Sprconv({"palette", copy, "--set", file});
    EXPECT_EQ(std::tuple(set.status, set.err, ReadFile(copy)), std::tuple(0, "", original));
  }
}

// Text palettes read by content, either line end, with fewer entries than 256 replacing the
// first ones only and said so; every fault an error naming the file and the line, nothing written.
TEST(SprconvPalette, TextPalettesAreReadStrictlyAndFaultsNameTheLine) {
  TempDir dir;
  const std::string sprite = SpriteBuilder().patternFrame(3, 3, 1).write(dir.file("s.spr"));
  const std::string gimp = "GIMP Palette\n", jasc = "JASC-PAL\n0100\n";
  std::string many = gimp;
  for (int k = 0; k < 257; ++k) many += "1 2 3\n";
  // Name, text and fault (none: entries 0 and 1 become (1, 2, 3) and (4, 5, 6)).
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"a.gpl", gimp + "Name: a b\nColumns: 4\n# note\n\n 1  2  3\tred\n4\t5 6\n", ""},
      {"b.gpl", "GIMP Palette\r\nName: b\r\n1 2 3\r\n4 5 6 two words\r\n", ""},
      {"c.gpl", "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n", ""},  // the content tells
      {"d.pal", jasc + "2\n1 2 3\n4 5 6\n\n", ""},
      {"e.gpl", many, "line 258: more than 256 entries"},
      {"f.gpl", gimp + "1 2 3\n4 5 256\n", "line 3: \"256\" is outside 0-255"},
      {"g.gpl", gimp + "-1 2 3\n", "line 2: \"-1\" is outside 0-255"},
      {"h.gpl", gimp + "1 2\n", "line 2: not a colour: three numbers 0-255"},
      {"i.gpl", gimp + "1 2 3\nName: late\n", "line 3: not a colour"},
      {"j.gpl", gimp + "Columns: x\n1 2 3\n", "line 2: Columns: takes a number 0-256"},
      {"k.gpl", gimp + "# nothing\n", "a GIMP palette without entries"},
      {"l.pal", "JASC-PAL\n0101\n1\n1 2 3\n", "line 2: not 0100"},
      {"m.pal", jasc + "257\n", "line 3: 257 entries, more than 256"},
      {"n.pal", jasc + "3\n1 2 3\n4 5 6\n", "line 6: the file ends after 2 of 3 entries"},
      {"o.pal", jasc + "1\n1 2 3\n4 5 6\n", "line 5: more entries than the count on line 3 (1)"},
      {"p.pal", jasc + "2\n1 2 3 4\n", "line 4: more than three numbers: \"4\""},
      {"q.pal", jasc + "2\n1 2 3\n\n4 5 6\n", "line 5: not a colour"},
      {"r.pal", "Palette\n1 2 3\n", "neither a sprite file, a GIMP or JASC palette, a PNG nor"}};
  spr::Palette want = DistinctPalette();
  want.setColour(0, {1, 2, 3});
  want.setColour(1, {4, 5, 6});
  for (const auto& [name, text, fault] : cases) {
    SCOPED_TRACE(name);
    const std::string file = WriteFile(dir.file(name), Bytes(text.begin(), text.end()));
    const std::string out = dir.file("out.spr");
    const CliRun run = Sprconv({"palette", sprite, "--set", file, "-o", out});
    const Bytes written = fs::exists(out) ? ReadFile(out) : Bytes(1024);
    const std::string said = fault.empty() ? ": 2 of 256 entries given: the first 2 replaced, "
                                             "the others kept\n"
                                           : ": no palette to take: " + fault;
    EXPECT_EQ(std::tuple(run.status, run.err.substr(0, 9 + file.size() + said.size()),
                         Bytes(written.end() - 1024, written.end())),
              std::tuple(fault.empty() ? 0 : 1, "sprconv: " + file + said,
                         fault.empty() ? Bytes(want.begin(), want.end()) : Bytes(1024)));
    fs::remove(out);
  }
}

// One sprite and several palettes (a partial text one, a whole one, a sprite, a palette PNG):
// every image command drawing with --palette writes what it writes for the sprite with that
// palette set, file by file, and leaves the sprite alone.
TEST(SprconvPalette, DrawingWithAPaletteEqualsDrawingTheSpriteWithItSet) {
  TempDir dir;
  Bytes ramp(30);
  std::iota(ramp.begin(), ramp.end(), std::uint8_t{0});
  const std::string sprite =
      SpriteBuilder().frame(6, 5, ramp).patternFrame(4, 7, 2).write(dir.file("s.spr"));
  const Bytes before = ReadFile(sprite);
  spr::Palette dyed = DistinctPalette();
  for (std::size_t k = 0; k < 1024; ++k) dyed[k] = std::uint8_t(dyed[k] * 3 + 1);
  std::string part = "GIMP Palette\n";
  for (int k = 0; k < 200; ++k) part += "9 9 9\n";
  // The kinds are read alike (the round trips show it): a partial one and a whole one here.
  const std::string dyes[] = {
      WriteFile(dir.file("part.gpl"), Bytes(part.begin(), part.end())),
      SpriteBuilder().palette(dyed).patternFrame(1, 1, 1).write(dir.file("dye.spr"))};
  const std::vector<Strings> commands = {{"export", "--format", "png", "-o", "out"},
                                         {"export", "-o", "out"},
                                         {"sheet", "-o", "out/s.png"},
                                         {"gif", "-o", "out/s.gif"},
                                         {"thumbnail", "-s", "16", "out/t.png"}};
  fs::create_directory(dir.file("set"));  // the sprite set is named as the sprite is
  const std::string set = dir.file("set/s.spr");
  for (const std::string& dye : dyes) {
    ASSERT_EQ(Sprconv({"palette", sprite, "--set", dye, "-o", set}).status, 0);
    for (const Strings& command : commands) {
      SCOPED_TRACE(dye + " " + command[0] + " " + command[1]);
      std::map<std::string, Bytes> made[2];  // with --palette, of the set sprite
      for (int run = 0; run < 2; ++run) {
        const std::string root = dir.file("run");
        fs::create_directories(root + "/out");
        Strings args{command[0], run == 1 ? set : sprite};
        for (std::size_t k = 1; k < command.size(); ++k)
          args.push_back(command[k].starts_with("out") ? root + "/" + command[k] : command[k]);
        if (run == 0) args.insert(args.end(), {"--palette", dye});
        const CliRun ran = Sprconv(args);
        EXPECT_EQ(ran.status, 0) << ran.err;
        made[run] = Tree(root);
        fs::remove_all(root);
      }
      EXPECT_FALSE(made[0].empty());
      EXPECT_EQ(made[0], made[1]);  // ignoring --palette would give the plain files: they differ
    }
  }
  EXPECT_EQ(ReadFile(sprite), before);
}

}  // namespace
}  // namespace glint::testing
