#include "image/sprite_output.h"

#include <vector>

#include "bmp/bmp.h"
#include "image/sheet.h"

namespace glint::image {

void EncodeFrameFiles(spr::SprReader& reader, const spr::Palette& palette, int first, int last,
                      FrameFormat format, bool transparent,
                      const std::function<void(int, std::span<const std::uint8_t>)>& file) {
  const bool png = format == FrameFormat::kPng;
  const std::vector<std::uint8_t> colourTable =
      png ? std::vector<std::uint8_t>{} : bmp::ConvertPalette(palette);
  for (int k = 1; k <= last; ++k) {
    const spr::FrameRecord frame = reader.readFrame();
    if (k < first) continue;  // read past to reach the range
    const std::optional<spr::IndexedImage> image = spr::DecodeFrameData(frame);
    if (!image) continue;
    file(k, png ? PalettePng(*image, palette, transparent) : bmp::FrameFile(*image, colourTable));
  }
}

void WriteSheetPng(const ByteSink& sink, const spr::Palette& palette, const SpriteFrames& frames,
                   int columns, bool transparent, const std::function<void()>& frameDone) {
  WritePalettePng(sink, ComposeSheet(frames, columns, frameDone), palette, transparent);
}

}  // namespace glint::image
