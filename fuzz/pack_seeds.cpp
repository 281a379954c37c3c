// Writes the seed corpora of the sprite writer and the image readers: images at the limits and
// past them, sprite files to replace a frame in, every PNG form and BMP variant, and the files
// the export writes, with chunks the readers skip, and palette files of each kind.
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "bmp/bmp.h"
#include "image/palette_file.h"
#include "image/png_writer.h"
#include "image/thumbnail.h"
#include "support/image_files.h"
#include "support/sprite_builder.h"

using glint::testing::Bytes;
using glint::testing::SpriteBuilder;

namespace {

void save(const std::filesystem::path& dir, const std::string& name, Bytes bytes,
          std::uint8_t first) {
  bytes.insert(bytes.begin(), first);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// An image for the encoder's fuzzer: its size, then (index, run - 1) pairs.
Bytes image(int width, int height, const Bytes& pairs) {
  Bytes b{static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
          static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8)};
  b.insert(b.end(), pairs.begin(), pairs.end());
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::filesystem::path root(argv[1]);
  const auto encoder = root / "encoder", readers = root / "image_readers";
  save(encoder, "small", image(3, 2, {4, 0, 0, 1, 9, 0}), 0);
  save(encoder, "long-runs", image(300, 200, {0, 255, 0, 255, 7, 2}), 0);
  save(encoder, "widest", image(32767, 1, {1, 0}), 0);
  save(encoder, "too-long", image(200, 200, {1, 0, 2, 0}), 0);
  save(encoder, "no-size", image(0, -1, {}), 0);
  const Bytes sprite = SpriteBuilder()
                           .patternFrame(5, 4, 1)
                           .rawFrame(0, 0, {})
                           .rawFrame(4, 3, {0, 0, 7, 0, 1})
                           .gap({1, 2})
                           .build();
  for (std::uint8_t frame = 1; frame <= 3; ++frame) {
    Bytes withFrame{frame};
    withFrame.insert(withFrame.end(), sprite.begin(), sprite.end());
    save(encoder, "replace-" + std::to_string(frame), withFrame, 1);
  }

  int k = 0;
  for (const auto& form : glint::testing::EveryPngForm())
    save(readers, "png-" + std::to_string(k++), glint::testing::FormPng(form), 1);
  for (auto [header, colours, topDown, compressed] : {std::tuple(40u, 256, false, false),
                                                      {12u, 256, false, false},
                                                      {124u, 6, true, false},
                                                      {108u, 16, false, true}})
    save(readers, "bmp-" + std::to_string(header),
         glint::testing::VariantBmp(header, colours, topDown, compressed), 0);
  glint::spr::IndexedImage frame(6, 5);
  frame.pixels = glint::testing::MakePixels(6, 5, 3);
  const auto palette = glint::testing::DistinctPalette();
  save(readers, "exported.png", glint::image::PalettePng(frame, palette, true), 1);
  // A thumbnail cache entry, as the gallery writes and reads them.
  save(readers, "cache-entry.png",
       glint::image::RgbaPngWithText({2, 1, {1, 2, 3, 255, 0, 0, 0, 0}},
                                     {{"Thumb::URI", "file:///a%20b.spr"}, {"Thumb::MTime", "7"}}),
       1);
  // Chunks the readers skip: whole, and claiming far more than the file holds.
  const Bytes exported = glint::image::PalettePng(frame, palette, true);
  const Bytes text = {'C', 0, 0, 0x78, 0x9c, 0x63, 0x60, 0x18, 0x05, 0, 0, 0, 0x40, 0, 1};
  for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP", "eXIf", "prVt"}) {
    save(readers, std::string("chunk-") + type,
         glint::testing::WithChunk(exported, type, text, static_cast<std::uint32_t>(text.size())),
         1);
    Bytes claims = glint::testing::WithChunk(exported, type, text, 0x7ffffff0);
    const std::string pixels = "IDAT";  // the chunk stands in front of them: cut after its data
    claims.resize(static_cast<std::size_t>(
        std::search(exported.begin(), exported.end(), pixels.begin(), pixels.end()) -
        exported.begin() + 4 + static_cast<std::ptrdiff_t>(text.size())));
    save(readers, std::string("claims-") + type, claims, 1);
  }
  // Palette files of each kind, whole and partial, with either line end.
  const auto lines = [](const std::string& t) { return Bytes(t.begin(), t.end()); };
  save(readers, "palette.gpl", lines(glint::image::GimpPaletteText(palette, "seed")), 0);
  save(readers, "palette.pal", lines(glint::image::JascPaletteText(palette)), 0);
  save(readers, "palette.png", glint::image::PaletteSwatchPng(palette), 0);
  save(readers, "partial.gpl", lines("GIMP Palette\r\nName: a\r\nColumns: 4\r\n#\r\n1 2 3\tx\r\n"),
       0);
  save(readers, "partial.pal", lines("JASC-PAL\n0100\n2\n1 2 3\n4 5 6\n"), 0);
  save(readers, "palette.spr", SpriteBuilder().patternFrame(2, 2, 1).build(), 0);
  save(readers, "exported.bmp", glint::bmp::FrameFile(frame, glint::bmp::ConvertPalette(palette)),
       0);
  return 0;
}
