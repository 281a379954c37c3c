#include "image/thumbnail.h"

#include <gtest/gtest.h>

#include <tuple>

#include "cli_support.h"

namespace glint::testing {
namespace {
using Strings = std::vector<std::string>;

// Output pixels of these indices as DistinctPalette colours them, at these alphas (by default
// opaque, and index 0 transparent).
Bytes Rgba(const Bytes& indices, Bytes alphas = {}) {
  Bytes all;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const int k = indices[i], alpha = alphas.empty() ? (k ? 255 : 0) : alphas[i];
    if (alpha == 0)
      all.insert(all.end(), {0, 0, 0, 0});
    else
      all.insert(all.end(), {std::uint8_t(k), std::uint8_t(255 - k), std::uint8_t(k * 7 % 256),
                             std::uint8_t(alpha)});
  }
  return all;
}

TEST(Thumbnail, SizeKeepsTheShape) {
  for (const auto& [w, h, box, want] :
       std::vector<std::tuple<int, int, int, image::ThumbnailExtent>>{
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
  const Bytes corner{10, 30, 0, 0, 30, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // 2 x 2 of 4 x 4
  for (const auto& [w, h, indices, box, outW, outH, want] :
       std::vector<std::tuple<int, int, Bytes, int, int, int, Bytes>>{
           {2, 1, {0, 9}, 4, 4, 2, Rgba({0, 0, 9, 9, 0, 0, 9, 9})},
           {4, 2, {9, 9, 0, 0, 9, 0, 0, 0}, 2, 2, 1, Rgba({9, 0}, {191, 0})},
           // A third of a pixel each way: 1.5 source pixels in each output pixel.
           {3, 1, {10, 0, 20}, 2, 2, 1, Rgba({10, 20}, {170, 170})},
           {1, 4, {9, 9, 0, 0}, 2, 1, 2, Rgba({9, 0})},   // one side kept
           {2, 2, {10, 30, 30, 10}, 1 + 15, 16, 16, {}},  // enlarged: checked by size only
           {4, 4, corner, 2, 2, 2, Rgba({20, 0, 0, 0})},
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
  const std::string empty = SpriteBuilder().rawFrame(0, 0, {}).write(dir.file("empty.spr"));
  const std::string broken =
      SpriteBuilder().frame(4, 3, blank).rawFrame(4, 4, {1}, 2000).write(dir.file("broken.spr"));

  for (const auto& [args, status, width, height, message] :
       std::vector<std::tuple<Strings, int, int, int, std::string>>{
           {{visible}, 0, 128, 64, ""},
           {{"-s", "16", visible}, 0, 16, 8, ""},
           {{visible, "--size", "1024"}, 0, 1024, 512, ""},
           {{allBlank}, 0, 128, 96, ""},  // the first frame with pixels, all transparent
           {{empty}, 1, 0, 0, "no frames to show"},
           {{broken}, 1, 0, 0, "the file ends inside frame 2"},
           {{"-s", "15", visible}, 2, 0, 0, "--size"},
           {{"-s", "1025", visible}, 2, 0, 0, "--size"},
           {{"-s", "big", visible}, 2, 0, 0, "--size"},
       }) {
    TempDir thumbs;
    Strings all{"thumbnail"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back(thumbs.file("t.png"));
    CliRun run = Sprconv(all);
    EXPECT_EQ(run.status, status) << args.back();
    // Nothing written on a failure.
    EXPECT_EQ(Names(thumbs.path()), status == 0 ? Strings{"t.png"} : Strings{}) << args.back();
    if (status == 0) {
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(PngHeader(thumbs.file("t.png")), std::make_tuple(width, height, 8, 6));  // RGBA 8
    } else {
      EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
  }
  const Bytes before = ReadFile(visible);
  EXPECT_EQ(Sprconv({"thumbnail", visible, dir.file("./visible.spr")}).status, 1);
  EXPECT_EQ(ReadFile(visible), before);  // never written over the sprite
}

}  // namespace
}  // namespace glint::testing
