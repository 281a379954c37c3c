#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <memory>

#include "cli_support.h"
#include "image/gif_writer.h"
#include "image/sheet.h"

namespace glint::testing {
namespace {

// Read back with libpng's own decoder: the indices, and the palette as red, green, blue, alpha.
struct DecodedPng {
  int width = 0, height = 0;
  Bytes colours, pixels;
};
DecodedPng ReadPng(const std::string& path) {
  Bytes file = ReadFile(path);
  EXPECT_EQ(file.at(24), 8);  // bit depth
  EXPECT_EQ(file.at(25), 3);  // colour type: palette
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_NE(png_image_begin_read_from_memory(&image, file.data(), file.size()), 0) << path;
  image.format = PNG_FORMAT_RGBA_COLORMAP;
  DecodedPng png{static_cast<int>(image.width), static_cast<int>(image.height),
                 Bytes(PNG_IMAGE_COLORMAP_SIZE(image)), Bytes(PNG_IMAGE_SIZE(image))};
  EXPECT_NE(png_image_finish_read(&image, nullptr, png.pixels.data(), 0, png.colours.data()), 0);
  return png;
}

// The test palette as a PNG (with alpha: index 0 transparent or not) or a GIF (without) holds it.
Bytes Palette(bool alpha, bool transparent) {
  Bytes colours;
  auto p = DistinctPalette();
  for (std::size_t k = 0; k < 256; ++k) {
    colours.insert(colours.end(), {p[4 * k], p[4 * k + 1], p[4 * k + 2]});
    if (alpha) colours.push_back(k == 0 && transparent ? 0 : 255);
  }
  return colours;
}

struct Frame {
  int width, height;
  Bytes pixels;
};

// Frames of mixed sizes with no index 0 inside, so that every 0 read back is background; an
// empty frame between them takes no cell and no GIF image.
std::vector<Frame> WriteMixed(const TempDir& dir) {
  std::vector<Frame> frames;
  SpriteBuilder b;
  std::uint8_t colour = 10;
  for (auto [w, h] : {std::pair{6, 4}, {3, 9}, {10, 2}, {1, 1}, {7, 7}}) {
    if (frames.size() == 2) b.rawFrame(0, 0, {});
    Bytes pixels(static_cast<std::size_t>(w * h));
    for (auto& p : pixels) p = colour++;
    frames.push_back({w, h, pixels});
    b.frame(w, h, pixels);
  }
  b.write(dir.file("m.spr"));
  return frames;
}

TEST(SprconvImages, SheetFramesSitAtTheirCellsTopLeftAndExportAsPng) {
  struct Case {
    std::vector<std::string> extra;
    int columns, rows;
  } cases[] = {{{}, 3, 2}, {{"--columns", "2", "--transparent"}, 2, 3}, {{"--columns", "9"}, 9, 1}};
  for (const Case& c : cases) {
    TempDir dir;
    auto frames = WriteMixed(dir);
    std::vector<std::string> args{"sheet", dir.file("m.spr"), "-o", dir.file("s.png")};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    ASSERT_EQ(Sprconv(args).status, 0);

    DecodedPng png = ReadPng(dir.file("s.png"));
    const int cellW = 10, cellH = 9;  // the widest and the highest frame
    ASSERT_EQ(png.width, c.columns * cellW);
    ASSERT_EQ(png.height, c.rows * cellH);
    EXPECT_EQ(png.colours, Palette(true, c.extra.size() == 3));
    Bytes expected(png.pixels.size(), 0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const int x0 = static_cast<int>(i) % c.columns * cellW;
      const int y0 = static_cast<int>(i) / c.columns * cellH;
      for (int y = 0; y < frames[i].height; ++y)
        std::copy_n(frames[i].pixels.begin() + y * frames[i].width, frames[i].width,
                    expected.begin() + (y0 + y) * png.width + x0);
    }
    EXPECT_EQ(png.pixels, expected);
  }
  // Export as PNG: each frame on its own, through the same writer.
  TempDir dir;
  auto frames = WriteMixed(dir);
  CliRun run =
      Sprconv({"export", dir.file("m.spr"), "-o", dir.path(), "--format", "png", "--transparent"});
  ASSERT_EQ(run.status, 0);
  DecodedPng png = ReadPng(dir.file("m_02.png"));
  EXPECT_EQ(std::pair(png.width, png.height), std::pair(3, 9));
  EXPECT_EQ(png.pixels, frames[1].pixels);
  EXPECT_EQ(png.colours, Palette(true, true));
  std::pair<std::size_t, int> squares[] = {{1, 1}, {4, 2}, {5, 3}, {9, 3}, {10, 4}, {600, 25}};
  for (auto [count, columns] : squares) EXPECT_EQ(image::SquareColumns(count), columns) << count;
}

// Read back with giflib's own decoder.
TEST(SprconvImages, GifAnimatesEveryFrameWithPixelsCentred) {
  for (bool transparent : {false, true}) {
    TempDir dir;
    auto frames = WriteMixed(dir);
    std::vector<std::string> args{"gif", dir.file("m.spr"), "-o", dir.file("a.gif")};
    if (transparent)
      args.push_back("--transparent");
    else
      args.insert(args.end(), {"--delay", "125"});
    ASSERT_EQ(Sprconv(args).status, 0);
    Bytes bytes = ReadFile(dir.file("a.gif"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    const std::string loopForever("NETSCAPE2.0\x03\x01\x00\x00", 15);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(loopForever), std::string::npos);

    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(
        DGifOpenFileName(dir.file("a.gif").c_str(), nullptr),
        [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    ASSERT_TRUE(gif && DGifSlurp(gif.get()) == GIF_OK);
    EXPECT_EQ(std::tuple(gif->SWidth, gif->SHeight, gif->SBackGroundColor), std::tuple(10, 9, 0));
    const auto* map = reinterpret_cast<const std::uint8_t*>(gif->SColorMap->Colors);
    EXPECT_EQ(Bytes(map, map + 3 * gif->SColorMap->ColorCount), Palette(false, false));
    ASSERT_EQ(gif->ImageCount, static_cast<int>(frames.size()));
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      const Frame& frame = frames[static_cast<std::size_t>(i)];
      const GifImageDesc& d = image.ImageDesc;  // centred, offsets rounded down
      EXPECT_EQ(
          std::tuple(d.Left, d.Top, d.Width, d.Height),
          std::tuple((10 - frame.width) / 2, (9 - frame.height) / 2, frame.width, frame.height));
      EXPECT_EQ(Bytes(image.RasterBits, image.RasterBits + frame.pixels.size()), frame.pixels);
      GraphicsControlBlock control{};
      ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), i, &control), GIF_OK);
      EXPECT_EQ(control.DelayTime, transparent ? 10 : 13);  // the default 100 ms, or 125 ms
      EXPECT_EQ(control.DisposalMode, DISPOSE_BACKGROUND);  // nothing ghosts
      EXPECT_EQ(control.TransparentColor, transparent ? 0 : NO_TRANSPARENT_COLOR);
    }
  }
  std::pair<int, int> delays[] = {{0, 1}, {14, 1}, {15, 2}, {104, 10}, {105, 11}, {655350, 65535}};
  for (auto [ms, hundredths] : delays) EXPECT_EQ(image::DelayHundredths(ms), hundredths) << ms;
}

// A sheet or an animation of nothing is an error, and an animation streamed up to a broken frame
// leaves nothing behind.
TEST(SprconvImages, NothingToShowAndBrokenFramesLeaveNoOutput) {
  TempDir dir;
  const std::string empty =
      SpriteBuilder().rawFrame(0, 0, {}).rawFrame(-3, 2, {}).write(dir.file("e.spr"));
  const std::string broken =
      SpriteBuilder().patternFrame(3, 3, 1).rawFrame(3, 3, {0}).write(dir.file("b.spr"));
  for (auto [command, sprite, reason] :
       {std::tuple{"sheet", empty, "no frames to show"},
        {"gif", empty, "no frames to show"},
        {"sheet", broken, "broken file: frame 2 ends inside a run of zeros"},
        {"gif", broken, "broken file: frame 2 ends inside a run of zeros"}}) {
    CliRun run = Sprconv({command, sprite, "-o", dir.file("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sprconv: " + sprite + ": " + reason + "\n");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"b.spr", "e.spr"}));
  }
}

}  // namespace
}  // namespace glint::testing
