// `sprconv pack` and `sprconv replace`: the round trips with the export over generated sprites,
// and each refusal in plain words with nothing left behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "cli_support.h"
#include "image/png_writer.h"
#include "spr/sprite.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Every frame's size and pixels, and the palette's colours without the reserved bytes.
std::pair<std::vector<spr::IndexedImage>, Bytes> decoded(const std::string& path) {
  const Bytes file = ReadFile(path);
  spr::MemoryBytes source(file);
  spr::SprReader reader(source);
  spr::Palette palette{};
  std::vector<spr::IndexedImage> frames;
  for (const auto& record : spr::ReadFramesWithPixels(reader, reader.open(palette)))
    frames.push_back(*spr::DecodeFrameData(record));
  Bytes colours;
  for (std::size_t k = 0; k < palette.size(); ++k)
    if (k % 4 != 3) colours.push_back(palette[k]);
  return {frames, colours};
}

bool same(const std::vector<spr::IndexedImage>& a, const std::vector<spr::IndexedImage>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& x, auto& y) {
           return std::tie(x.width, x.height, x.pixels) == std::tie(y.width, y.height, y.pixels);
         });
}

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
    const std::string sprite = builder.gap({7, 7}).write(dir.file("walk.spr"));
    const auto original = decoded(sprite);
    for (const char* format : {"png", "bmp"}) {
      SCOPED_TRACE(std::string(format) + " round " + std::to_string(round));
      const std::string frameDir = dir.file(format), packed = dir.file("packed.spr");
      ASSERT_EQ(Sprconv({"export", sprite, "-o", frameDir, "--format", format}).status, 0);
      const CliRun pack = Sprconv({"pack", frameDir, "-o", packed, "--palette", sprite});
      ASSERT_EQ(pack.status, 0) << pack.err;
      const auto back = decoded(packed);
      EXPECT_TRUE(same(back.first, original.first));
      EXPECT_EQ(back.second, original.second);
      // The export of the packed file packs to the same bytes, its palette taken from a frame.
      ASSERT_EQ(Sprconv({"export", packed, "-o", dir.file("again"), "--format", format}).status, 0);
      ASSERT_EQ(Sprconv({"pack", dir.file("again"), "-o", dir.file("again.spr")}).status, 0);
      EXPECT_EQ(ReadFile(dir.file("again.spr")), ReadFile(packed));
      // A frame replaced by its own image: the canonical file stays byte for byte.
      const std::string k = std::to_string(1 + round % frames);
      const std::string image = frameDir + "/walk_" + (k.size() < 2 ? "0" : "") + k + "." + format;
      ASSERT_EQ(Sprconv({"replace", sprite, "--frame", k, image, "-o", dir.file("r.spr")}).status,
                0);
      EXPECT_EQ(ReadFile(dir.file("r.spr")), ReadFile(sprite));
      fs::remove_all(dir.file("again"));
    }
  }
}

TEST(SprconvPack, RefusalsInPlainWordsLeaveNothing) {
  TempDir dir;
  const std::string sprite =
      SpriteBuilder().frame(2, 1, {1, 0}).rawFrame(2, 1, {0, 0, 3}).write(dir.file("s.spr"));
  const auto write = [&](const std::string& name, const Bytes& bytes) {
    fs::create_directories(fs::path(dir.file(name)).parent_path());
    std::ofstream(dir.file(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return dir.file(name);
  };
  spr::IndexedImage pixels(2, 1);
  pixels.pixels = {1, 2};
  spr::Palette other = DistinctPalette();
  other[4] = 99;  // index 1 is a colour the sprite's palette lacks
  const std::string good = write("a/f_1.png", image::PalettePng(pixels, DistinctPalette(), false));
  const std::string empty = write("a/f_01.bmp", {});
  const std::string alien = write("b/f_1.png", image::PalettePng(pixels, other, false));
  write("b/g_2.png", {});
  TempDir elsewhere;  // a FIFO, which the listing of `dir` would wait on
  const std::string fifo = elsewhere.file("fifo");
  ::mkfifo(fifo.c_str(), 0600);
  const std::string in = dir.file("in.spr");
  const struct {
    std::vector<std::string> args;
    std::string path, reason;
  } cases[] = {
      {{"replace", sprite, "--frame", "3", good},
       sprite,
       "frame 3 asked for, but the file has 2 frames"},
      {{"replace", sprite, "--frame", "0", good},
       sprite,
       "frame 0 asked for, but the file has 2 frames"},
      {{"replace", sprite, "--frame", "1", alien},
       alien,
       "frame 1: pixel (0, 0) is #63FE07, a colour the palette does not hold"},
      {{"replace", sprite, "--frame", "1", sprite},
       sprite,
       "the output is also an input (" + sprite + ")"},
      {{"pack", good, alien, "-o", in, "--palette", sprite},
       alien,
       "frame 2: pixel (0, 0) is #63FE07, a colour the palette does not hold"},
      {{"pack", dir.file("a"), "-o", in}, dir.file("a"), "two images for frame 1: "},
      {{"pack", dir.file("b"), "-o", in}, dir.file("b"), "frames of more than one sprite here"},
      {{"pack", fifo, "-o", in}, fifo, "not an ordinary file"},
      {{"pack", good, "-o", fifo}, fifo, "not an ordinary file: it is "},
      {{"pack", good, "-o", good}, good, "the output is also an input"},
      {{"pack", sprite, "-o", in}, sprite, "neither a PNG nor a BMP file"},
      {{"pack", good, "-o", in, "--palette", empty}, empty, "no palette to take: neither"}};
  const auto before = Tree(dir.path());
  for (const auto& c : cases) {
    const CliRun run = Sprconv(c.args);
    EXPECT_EQ(run.status, 1) << c.reason;
    EXPECT_THAT(run.err, HasSubstr("sprconv: " + c.path + ": " + c.reason)) << run.err;
    EXPECT_EQ(Tree(dir.path()), before) << c.reason;
  }

  // In place: the sprite replaced whole, keeping its permissions.
  ::chmod(sprite.c_str(), 0640);
  ASSERT_EQ(Sprconv({"replace", sprite, "--frame", "2", good}).status, 0);
  struct stat st {};
  ::stat(sprite.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(decoded(sprite).first.at(1).pixels, (Bytes{1, 2}));
}

TEST(SprconvPack, UsageErrors) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"pack", "a.png"},
        {"pack", "-o", "a.spr"},
        {"replace", "a.spr", "b.png"},
        {"replace", "a.spr", "--frame", "x", "b.png"},
        {"replace", "a.spr", "--frame", "1", "b.png", "c.png"}}) {
    const CliRun run = Sprconv(args);
    EXPECT_EQ(run.status, 2) << run.err;
  }
}

}  // namespace
}  // namespace glint::testing
