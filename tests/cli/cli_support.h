#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "image/png_writer.h"
#include "image/thumbnail.h"
#include "path/path.h"
#include "spr/sprite.h"
#include "support/sprite_builder.h"

namespace glint::testing {

// `folder` and `name` as the converter joins them: with the system's separator.
inline std::string Joined(const std::string& folder, const std::string& name) {
  return folder + path::kSeparator + name;
}

// Windows holds no two names that differ in letter case alone.
#ifdef _WIN32
inline constexpr bool kNamesDifferInCase = false;
#else
inline constexpr bool kNamesDifferInCase = true;
#endif

// The test palette as a GIF or a text palette (red, green, blue) or a PNG (with alpha: index 0
// transparent or not) holds it.
inline Bytes Palette(bool alpha = false, bool transparent = false) {
  Bytes colours;
  auto p = DistinctPalette();
  for (std::size_t k = 0; k < 256; ++k) {
    colours.insert(colours.end(), {p[4 * k], p[4 * k + 1], p[4 * k + 2]});
    if (alpha) colours.push_back(k == 0 && transparent ? 0 : 255);
  }
  return colours;
}

struct CliRun {
  int status = -1;
  std::string out, err;
};

using Strings = std::vector<std::string>;

// Runs the converter in process, as `sprconv args... more...`, with stderr not a terminal.
template <typename... More>
CliRun Sprconv(Strings args, const More&... more) {
  args.insert(args.begin(), "sprconv");
  (args.insert(args.end(), more.begin(), more.end()), ...);
  cli::BufferConsole console;
  int status = cli::Sprconv(args, console);
  return {status, console.outText(), console.errText()};
}

// A sprite of two frames, a frame image of its palette, and an RGBA image: clear, opaque in index
// 0's colour (0, 255, 0), and in index 1's.
struct SprconvPackAndReplace : ::testing::Test {
  TempDir dir, elsewhere;
  std::string sprite =
      SpriteBuilder().frame(2, 1, {1, 0}).rawFrame(2, 1, {0, 0, 3}).write(dir.file("s.spr"));
  std::string good = dir.file("a/f_1.png"), alien = dir.file("b/f_1.png");
  std::string rgba =
      WriteFile(elsewhere.file("w_1.png"),
                image::RgbaPng({3, 1, {0, 0, 0, 0, 0, 255, 0, 255, 1, 254, 7, 255}}));
  std::string in = dir.file("in.spr");

  SprconvPackAndReplace() {
    spr::IndexedImage pixels(2, 1);
    pixels.pixels = {1, 2};
    spr::Palette other = DistinctPalette();
    other[4] = 99;  // index 1 is a colour the sprite's palette lacks
    for (const char* folder : {"a", "b"}) std::filesystem::create_directory(dir.file(folder));
    WriteFile(good, image::PalettePng(pixels, DistinctPalette(), false));
    WriteFile(alien, image::PalettePng(pixels, other, false));
  }
};

}  // namespace glint::testing
