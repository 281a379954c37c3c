#include "image/thumbnail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "cli_support.h"

namespace glint::testing {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// Index k has the colour (k, 255 - k, k * 7 mod 256), as DistinctPalette gives it.
Bytes Colour(int k, int alpha = 255) {
  if (alpha == 0) return {0, 0, 0, 0};
  return {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k),
          static_cast<std::uint8_t>(k * 7 % 256), static_cast<std::uint8_t>(alpha)};
}

Bytes Pixels(std::initializer_list<Bytes> pixels) {
  Bytes all;
  for (const Bytes& p : pixels) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(Thumbnail, SizeKeepsTheShape) {
  for (const auto& [w, h, box, want] : std::vector<std::tuple<int, int, int, image::ThumbnailExtent>>{
           {10, 5, 128, {120, 60}},  // enlarged 12 times
           {64, 64, 128, {128, 128}},
           {120, 120, 128, {120, 120}},
           {128, 1, 128, {128, 1}},
           {200, 100, 128, {128, 64}},  // reduced
           {100, 201, 16, {8, 16}},
           {1, 8000, 16, {1, 16}},  // never narrower than a pixel
       })
    EXPECT_EQ(image::ThumbnailSize(w, h, box), want) << w << " x " << h << " in " << box;
}

// Enlarged pixels are copied; reduced ones average what they cover, weighted by area, with
// transparent pixels adding nothing to the colour, only to the transparency.
TEST(Thumbnail, ScalingAveragesPremultiplied) {
  const auto palette = DistinctPalette();
  for (const auto& [w, h, indices, box, outW, outH, want] :
       std::vector<std::tuple<int, int, Bytes, int, int, int, Bytes>>{
           {2,
            1,
            {0, 9},
            4,
            4,
            2,
            Pixels({Colour(0, 0), Colour(0, 0), Colour(9), Colour(9), Colour(0, 0), Colour(0, 0),
                    Colour(9), Colour(9)})},
           {4, 2, {9, 9, 0, 0, 9, 0, 0, 0}, 2, 2, 1, Pixels({Colour(9, 191), Colour(0, 0)})},
           // A third of a pixel each way: 1.5 source pixels in each output pixel.
           {3, 1, {10, 0, 20}, 2, 2, 1, Pixels({Colour(10, 170), Colour(20, 170)})},
           {1, 4, {9, 9, 0, 0}, 2, 1, 2, Pixels({Colour(9), Colour(0, 0)})},  // one side kept
           {2, 2, {10, 30, 30, 10}, 1 + 15, 16, 16, {}},  // enlarged: checked by size only
           {4,
            4,
            {10, 30, 0, 0, 30, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
            2,
            2,
            2,
            Pixels({Colour(20), Colour(0, 0), Colour(0, 0), Colour(0, 0)})},
       }) {
    image::RgbaImage out = image::ScaleToThumbnail(w, h, indices, palette, box);
    EXPECT_EQ(out.width, outW);
    EXPECT_EQ(out.height, outH);
    if (!want.empty()) {
      EXPECT_EQ(out.pixels, want) << w << " x " << h << " in " << box;
    }
  }
}

// Width, height, bit depth and colour type from a PNG file's header.
std::tuple<int, int, int, int> PngHeader(const std::string& path) {
  const Bytes b = ReadFile(path);
  if (b.size() < 26) return {};
  auto be32 = [&](std::size_t at) {
    return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
  };
  return {be32(16), be32(20), b[24], b[25]};
}

TEST(SprconvThumbnail, ShowsTheFirstFrameThatShowsSomething) {
  TempDir dir;
  const Bytes blank(4 * 3, 0);
  const std::string visible = SpriteBuilder()
                                  .rawFrame(0, 0, {})
                                  .frame(4, 3, blank)
                                  .frame(2, 1, {7, 0})
                                  .rawFrame(4, 4, {1}, 2000)  // broken, but never read
                                  .write(dir.file("visible.spr"));
  const std::string allBlank =
      SpriteBuilder().frame(4, 3, blank).frame(8, 8, Bytes(64, 0)).write(dir.file("blank.spr"));
  std::ofstream(dir.file("text.spr")) << "not a sprite";
  const std::string empty = SpriteBuilder().rawFrame(0, 0, {}).write(dir.file("empty.spr"));
  const std::string broken =
      SpriteBuilder().frame(4, 3, blank).rawFrame(4, 4, {1}, 2000).write(dir.file("broken.spr"));

  for (const auto& [args, status, width, height, message] :
       std::vector<std::tuple<Strings, int, int, int, std::string>>{
           {{visible}, 0, 128, 64, ""},
           {{"-s", "16", visible}, 0, 16, 8, ""},
           {{visible, "--size", "1024"}, 0, 1024, 512, ""},
           {{allBlank}, 0, 128, 96, ""},  // the first frame with pixels, all transparent
           {{dir.file("text.spr")}, 1, 0, 0, "not a sprite file: shorter than 1,024 bytes"},
           {{empty}, 1, 0, 0, "no frames to show"},
           {{broken}, 1, 0, 0, "the file ends inside frame 2"},
           {{dir.file("missing.spr")}, 1, 0, 0, "no such file or folder"},
           {{"-s", "15", visible}, 2, 0, 0, "--size"},
           {{"-s", "1025", visible}, 2, 0, 0, "--size"},
           {{"-s", "big", visible}, 2, 0, 0, "--size"},
       }) {
    const std::string out = dir.file("thumbs/t.png");
    fs::remove_all(dir.file("thumbs"));
    fs::create_directory(dir.file("thumbs"));
    Strings all{"thumbnail"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back(out);
    CliRun run = Sprconv(all);
    EXPECT_EQ(run.status, status) << args.back();
    if (status == 0) {
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(PngHeader(out), std::make_tuple(width, height, 8, 6));  // 8-bit RGBA
      EXPECT_EQ(Names(dir.file("thumbs")), Strings{"t.png"});
    } else {
      EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
      EXPECT_TRUE(fs::is_empty(dir.file("thumbs"))) << args.back();  // nothing written
    }
  }
  const Bytes before = ReadFile(visible);
  EXPECT_EQ(Sprconv({"thumbnail", visible, dir.file("./visible.spr")}).status, 1);
  EXPECT_EQ(ReadFile(visible), before);  // never written over the sprite
}

}  // namespace
}  // namespace glint::testing
