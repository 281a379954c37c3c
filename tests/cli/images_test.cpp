#include <gif_lib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <memory>
#include <tuple>

#include "cli_support.h"
#include "image/gif_writer.h"
#include "image/sheet.h"

namespace glint::testing {
namespace {

using ::testing::HasSubstr;

// Width, height, bit depth and colour type from a PNG file's header.
std::tuple<int, int, int, int> PngHeader(const Bytes& b) {
  if (b.size() < 26) return {};
  auto be32 = [&](std::size_t at) {
    return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
  };
  return {be32(16), be32(20), b[24], b[25]};
}

// A palette image: its size, the palette as red, green, blue, alpha, and the indices.
struct Picture {
  int width = 0, height = 0;
  Bytes colours, pixels;
  auto fields() const { return std::tie(width, height, colours, pixels); }
};

// Read back with libpng's own decoder.
Picture ReadPng(const std::string& path) {
  Bytes file = ReadFile(path);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_NE(png_image_begin_read_from_memory(&image, file.data(), file.size()), 0) << path;
  EXPECT_EQ(PngHeader(file), std::tuple(int(image.width), int(image.height), 8, 3));  // palette
  image.format = PNG_FORMAT_RGBA_COLORMAP;
  Picture png{static_cast<int>(image.width), static_cast<int>(image.height),
              Bytes(PNG_IMAGE_COLORMAP_SIZE(image)), Bytes(PNG_IMAGE_SIZE(image))};
  EXPECT_NE(png_image_finish_read(&image, nullptr, png.pixels.data(), 0, png.colours.data()), 0);
  return png;
}

// Frames of mixed sizes with no index 0 inside, so that every 0 read back is background, and an
// empty frame between them that takes no cell and no GIF image. Read back with libpng's and
// giflib's decoders.
struct SprconvImages : ::testing::Test {
  std::vector<Picture> frames;
  TempDir dir;
  std::string sprite;
  SprconvImages() {
    SpriteBuilder b;
    std::uint8_t colour = 10;
    for (auto [w, h] : {std::pair{6, 4}, {3, 9}, {10, 2}, {1, 1}, {7, 7}}) {
      if (frames.size() == 2) b.rawFrame(0, 0, {});
      Bytes pixels(static_cast<std::size_t>(w * h));
      for (auto& p : pixels) p = colour++;
      frames.push_back({w, h, {}, pixels});
      b.frame(w, h, pixels);
    }
    sprite = b.write(dir.file("m.spr"));
  }
};

TEST_F(SprconvImages, SheetPlacesEachFrameAtItsCellsTopLeft) {
  const int cellW = 10, cellH = 9;  // the widest and the highest frame
  for (const auto& [extra, columns, rows] : {std::tuple{Strings{}, 3, 2},
                                             {Strings{"--columns", "2", "--transparent"}, 2, 3},
                                             {Strings{"--columns", "9"}, 9, 1}}) {
    ASSERT_EQ(Sprconv({"sheet", sprite, "-o", dir.file("s.png")}, extra).status, 0);
    Picture want{columns * cellW, rows * cellH, Palette(true, extra.size() == 3), {}};
    want.pixels.resize(std::size_t(want.width * want.height));
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const int x0 = int(i) % columns * cellW, y0 = int(i) / columns * cellH;
      for (int y = 0; y < frames[i].height; ++y)
        std::copy_n(frames[i].pixels.begin() + y * frames[i].width, frames[i].width,
                    want.pixels.begin() + (y0 + y) * want.width + x0);
    }
    EXPECT_EQ(ReadPng(dir.file("s.png")).fields(), want.fields());
  }
}

TEST_F(SprconvImages, ExportedPngHoldsTheFrameAlone) {
  ASSERT_EQ(
      Sprconv({"export", sprite, "-o", dir.path(), "--format", "png", "--transparent"}).status, 0);
  EXPECT_EQ(ReadPng(dir.file("m_02.png")).fields(),
            (Picture{3, 9, Palette(true, true), frames[1].pixels}.fields()));
}

TEST(SheetColumns, AsNearlySquareAsTheCountAllows) {
  std::pair<std::size_t, int> squares[] = {{1, 1}, {4, 2}, {5, 3}, {9, 3}, {10, 4}, {600, 25}};
  for (auto [count, columns] : squares) EXPECT_EQ(image::SquareColumns(count), columns) << count;
}

TEST_F(SprconvImages, GifLoopsAndCentresEveryFrameOnTheBackground) {
  for (bool transparent : {false, true}) {
    const Strings extra = transparent ? Strings{"--transparent"} : Strings{"--delay", "125"};
    ASSERT_EQ(Sprconv({"gif", sprite, "-o", dir.file("a.gif")}, extra).status, 0);
    const Bytes bytes = ReadFile(dir.file("a.gif"));
    const std::string text(bytes.begin(), bytes.end()), loop("NETSCAPE2.0\x03\x01\x00\x00", 15);
    EXPECT_THAT(text, ::testing::AllOf(::testing::StartsWith("GIF89a"), HasSubstr(loop)));

    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
        DGifOpenFileName(dir.file("a.gif").c_str(), nullptr),
        [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    ASSERT_TRUE(gif && DGifSlurp(gif.get()) == GIF_OK);
    const auto* map = reinterpret_cast<const std::uint8_t*>(gif->SColorMap->Colors);
    ASSERT_EQ(std::tuple(gif->SWidth, gif->SHeight, gif->SBackGroundColor,
                         Bytes(map, map + 3 * gif->SColorMap->ColorCount), gif->ImageCount),
              std::tuple(10, 9, 0, Palette(), static_cast<int>(frames.size())));
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      const Picture& frame = frames[static_cast<std::size_t>(i)];
      GraphicsControlBlock control{};
      ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), i, &control), GIF_OK);
      const GifImageDesc& d = image.ImageDesc;
      // Centred, offsets rounded down; the default 100 ms, or 125 ms; nothing ghosts.
      EXPECT_EQ(std::tuple(d.Left, d.Top, d.Width, d.Height, control.DelayTime,
                           control.DisposalMode, control.TransparentColor,
                           Bytes(image.RasterBits, image.RasterBits + frame.pixels.size())),
                std::tuple((10 - frame.width) / 2, (9 - frame.height) / 2, frame.width,
                           frame.height, transparent ? 10 : 13, DISPOSE_BACKGROUND,
                           transparent ? 0 : NO_TRANSPARENT_COLOR, frame.pixels));
    }
  }
}

TEST(GifDelay, RoundedToHundredthsAndNeverZero) {
  std::pair<int, int> delays[] = {{0, 1}, {14, 1}, {15, 2}, {104, 10}, {105, 11}, {655350, 65535}};
  for (auto [ms, hundredths] : delays) EXPECT_EQ(image::DelayHundredths(ms), hundredths) << ms;
}

// Output pixels of these indices as DistinctPalette colours them, at these alphas (by default
// opaque, and index 0 transparent).
Bytes Rgba(const Bytes& indices, Bytes alphas = {}) {
  Bytes all;
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const int k = indices[i], alpha = alphas.empty() ? (k ? 255 : 0) : alphas[i];
    for (int c : {k, 255 - k, k * 7, alpha}) all.push_back(alpha ? std::uint8_t(c) : 0);
  }
  return all;
}

TEST(Thumbnail, SizeKeepsTheShape) {
  // Enlarged (10 x 5: 12 times), kept, reduced, and never narrower than a pixel.
  const std::tuple<int, int, int, image::ThumbnailExtent> cases[] = {
      {10, 5, 128, {120, 60}}, {64, 64, 128, {128, 128}},  {120, 120, 128, {120, 120}},
      {128, 1, 128, {128, 1}}, {200, 100, 128, {128, 64}}, {100, 201, 16, {8, 16}},
      {1, 8000, 16, {1, 16}}};
  for (const auto& [w, h, box, want] : cases)
    EXPECT_EQ(image::ThumbnailSize(w, h, box), want) << w << " x " << h << " in " << box;
}

TEST(Thumbnail, ScalingCopiesOrAveragesPremultiplied) {
  // Enlarged pixels are copied; reduced ones average what they cover, weighted by area, with
  // transparent pixels adding nothing to the colour, only to the transparency.
  const auto palette = DistinctPalette();
  const Bytes corner{10, 30, 0, 0, 30, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // 2 x 2 of 4 x 4
  for (const auto& [w, h, indices, box, outW, outH, want] :
       std::vector<std::tuple<int, int, Bytes, int, int, int, Bytes>>{
           {2, 1, {0, 9}, 4, 4, 2, Rgba({0, 0, 9, 9, 0, 0, 9, 9})},
           {4, 2, {9, 9, 0, 0, 9, 0, 0, 0}, 2, 2, 1, Rgba({9, 0}, {191, 0})},
           // A third of a pixel each way: 1.5 source pixels in each output pixel.
           {3, 1, {10, 0, 20}, 2, 2, 1, Rgba({10, 20}, {170, 170})},
           {1, 4, {9, 9, 0, 0}, 2, 1, 2, Rgba({9, 0})},  // one side kept
           {4, 4, corner, 2, 2, 2, Rgba({20, 0, 0, 0})},
       }) {
    image::RgbaImage out = image::ScaleToThumbnail(w, h, indices, palette, box);
    EXPECT_EQ(std::pair(out.width, out.height), std::pair(outW, outH));
    EXPECT_EQ(out.pixels, want) << w << " x " << h << " in " << box;
  }
}

// A thumbnail shows the first frame that shows something. A sheet, an animation or a thumbnail of
// nothing is an error, and one streamed up to a broken frame leaves nothing behind.
TEST(SprconvThumbnail, ShowsTheFirstFrameWithPixelsOrFailsLeavingNothing) {
  TempDir dir;
  const std::string visible = dir.file("visible.spr"), allBlank = dir.file("blank.spr"),
                    empty = dir.file("empty.spr"), broken = dir.file("broken.spr"),
                    zeros = dir.file("zeros.spr"), cutFirst = dir.file("cut.spr");
  const Bytes blank(4 * 3, 0);
  // Frame 3's pixel lies past its 3 x 3 pixels; frame 5 is broken, but never read.
  SpriteBuilder shows = SpriteBuilder().rawFrame(0, 0, {}).frame(4, 3, blank);
  shows.rawFrame(3, 3, {0, 9, 5}).frame(2, 1, {7, 0}).rawFrame(4, 4, {1}, 2000).write(visible);
  SpriteBuilder().frame(4, 3, blank).frame(8, 8, Bytes(64, 0)).write(allBlank);
  SpriteBuilder().rawFrame(0, 0, {}).rawFrame(-3, 2, {}).write(empty);
  SpriteBuilder().frame(4, 3, blank).rawFrame(4, 4, {1}, 2000).write(broken);
  SpriteBuilder().patternFrame(3, 3, 1).rawFrame(3, 3, {0}).write(zeros);
  SpriteBuilder().rawFrame(3, 3, {0}).patternFrame(3, 3, 1).write(cutFirst);
  const std::string inRun = zeros + ": broken file: frame 2 ends inside a run of zeros\n";

  for (const auto& [args, status, width, height, message] :
       std::vector<std::tuple<Strings, int, int, int, std::string>>{
           {{"thumbnail", visible}, 0, 128, 64, ""},
           {{"thumbnail", "-s", "16", visible}, 0, 16, 8, ""},
           {{"thumbnail", visible, "--size", "1024"}, 0, 1024, 512, ""},
           {{"thumbnail", allBlank}, 0, 128, 96, ""},  // the first frame with pixels, all clear
           {{"thumbnail", empty}, 1, 0, 0, empty + ": no frames to show\n"},
           {{"sheet", empty, "-o"}, 1, 0, 0, empty + ": no frames to show\n"},
           {{"gif", empty, "-o"}, 1, 0, 0, empty + ": no frames to show\n"},
           {{"thumbnail", broken}, 1, 0, 0, broken + ": the file ends inside frame 2\n"},
           {{"thumbnail", cutFirst}, 1, 0, 0, "frame 1 ends inside a run of zeros\n"},
           {{"sheet", zeros, "-o"}, 1, 0, 0, inRun},
           {{"gif", zeros, "-o"}, 1, 0, 0, inRun},
           {{"thumbnail", "-s", "15", visible}, 2, 0, 0, "--size"},
           {{"thumbnail", "-s", "1025", visible}, 2, 0, 0, "--size"},
           {{"thumbnail", "-s", "big", visible}, 2, 0, 0, "--size"},
       }) {
    SCOPED_TRACE(args[0] + " " + args[1] + " " + args.back());
    TempDir thumbs;
    CliRun run = Sprconv(args, Strings{thumbs.file("t.png")});
    EXPECT_EQ(std::pair(run.status, run.err.empty()), std::pair(status, status == 0)) << run.err;
    EXPECT_THAT(run.err, HasSubstr(message));
    // Nothing written on a failure; an 8-bit RGBA image otherwise.
    EXPECT_EQ(PngHeader(status ? Bytes{} : ReadFile(thumbs.file("t.png"))),
              std::tuple(width, height, status ? 0 : 8, status ? 0 : 6));
    EXPECT_EQ(Names(thumbs.path()), status == 0 ? Strings{"t.png"} : Strings{});
  }
  const Bytes before = ReadFile(visible);
  EXPECT_EQ(Sprconv({"thumbnail", visible, dir.file("./visible.spr")}).status, 1);
  EXPECT_EQ(ReadFile(visible), before);  // never written over the sprite
}

}  // namespace
}  // namespace glint::testing
