// `sprconv pack` and `sprconv replace`: the round trips with the export over generated sprites,
// and each refusal in plain words with nothing left behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "cli_support.h"
#include "image/png_writer.h"
#include "spr/sprite.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Every frame's size and pixels, then the palette's colours without the reserved bytes.
Bytes decoded(const std::string& path) {
  const Bytes file = ReadFile(path);
  spr::MemoryBytes source(file);
  spr::SprReader reader(source);
  spr::Palette palette{};
  Bytes seen;
  for (const auto& record : spr::ReadFramesWithPixels(reader, reader.open(palette))) {
    const spr::IndexedImage image = *spr::DecodeFrameData(record);
    seen.insert(seen.end(), {std::uint8_t(image.width), std::uint8_t(image.height)});
    seen.insert(seen.end(), image.pixels.begin(), image.pixels.end());
  }
  for (std::size_t k = 0; k < palette.size(); ++k)
    if (k % 4 != 3) seen.push_back(palette[k]);
  return seen;
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
      EXPECT_EQ(decoded(packed), original);
      const Bytes file = ReadFile(packed);  // the palette's reserved bytes are written as 0
      for (std::size_t k = file.size() - 1021; k < file.size(); k += 4) ASSERT_EQ(file[k], 0) << k;
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
    return WriteFile(dir.file(name), bytes);
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
  const std::string in = dir.file("in.spr"), colour = "pixel (0, 0) is #63FE07, a colour the ";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"replace", sprite, "--frame", "3", good}, "s.spr: frame 3 asked for, but the file has 2"},
      {{"replace", sprite, "--frame", "0", good}, "s.spr: frame 0 asked for"},
      {{"replace", sprite, "--frame", "1", alien}, "b/f_1.png: frame 1: " + colour},
      {{"replace", sprite, "--frame", "1", sprite}, "s.spr: the output is also an input (/"},
      {{"pack", good, alien, "-o", in, "--palette", sprite}, "b/f_1.png: frame 2: " + colour},
      {{"pack", dir.file("a"), "-o", in}, "/a: two images for frame 1: "},
      {{"pack", dir.file("b"), "-o", in}, "/b: frames of more than one sprite here"},
      {{"pack", fifo, "-o", in}, "fifo: not an ordinary file"},
      {{"pack", good, "-o", fifo}, "fifo: not an ordinary file: it is not replaced"},
      {{"pack", good, "-o", good}, "a/f_1.png: the output is also an input"},
      {{"pack", sprite, "-o", in}, "s.spr: neither a PNG nor a BMP file"},
      {{"pack", good, "-o", in, "--palette", empty}, "f_01.bmp: no palette to take: neither"}};
  const auto before = Tree(dir.path());
  for (const auto& [args, message] : cases) {
    const CliRun run = Sprconv(args);
    EXPECT_EQ(run.status, 1) << message;
    EXPECT_THAT(run.err, HasSubstr(message));
    EXPECT_EQ(Tree(dir.path()), before) << message;
  }

  // In place: the sprite replaced whole, keeping its permissions.
  ::chmod(sprite.c_str(), 0640);
  ASSERT_EQ(Sprconv({"replace", sprite, "--frame", "2", good}).status, 0);
  struct stat st {};
  ::stat(sprite.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(decoded(sprite),
            decoded(SpriteBuilder().frame(2, 1, {1, 0}).frame(2, 1, {1, 2}).write(in)));
}

}  // namespace
}  // namespace glint::testing
