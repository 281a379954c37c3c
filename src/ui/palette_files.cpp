#include "ui/palette_files.h"

#include <algorithm>
#include <cctype>

#include "image/palette_map.h"
#include "image/png_writer.h"

namespace glint {
namespace {

struct Kind {
  std::function<spr::Bytes(const spr::Palette&)> PaletteFiles::*writer;
  const char* extension;
  const char* filter;
};
constexpr Kind kKinds[] = {
    {&PaletteFiles::gimp, ".gpl", "GIMP palette (*.gpl)|*.gpl"},
    {&PaletteFiles::jasc, ".pal", "JASC palette (*.pal)|*.pal"},
    {&PaletteFiles::png, ".png", "PNG image (*.png)|*.png"},
};

std::string LowerExtension(const std::string& path) {
  const std::size_t dot = path.find_last_of("./");
  if (dot == std::string::npos || path[dot] != '.') return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

PaletteFiles DefaultPaletteFiles() {
  PaletteFiles files;
  files.read = [](spr::ByteSource& source) { return image::ReadPaletteFile(source); };
  files.png = PalettePngFile;
  return files;
}

spr::Bytes PalettePngFile(const spr::Palette& palette) {
  spr::IndexedImage swatches(16, 16);
  for (std::size_t k = 0; k < swatches.pixels.size(); ++k)
    swatches.pixels[k] = static_cast<std::uint8_t>(k);
  return image::PalettePng(swatches, palette, false);
}

std::string PaletteSaveFilter(const PaletteFiles& files) {
  std::string filter;
  for (const Kind& kind : kKinds)
    if (files.*kind.writer) filter += (filter.empty() ? "" : "|") + std::string(kind.filter);
  return filter;
}

std::string FirstPaletteExtension(const PaletteFiles& files) {
  for (const Kind& kind : kKinds)
    if (files.*kind.writer) return kind.extension;
  return {};
}

std::optional<spr::Bytes> PaletteFileBytes(const PaletteFiles& files, const std::string& path,
                                           const spr::Palette& palette) {
  const std::string extension = LowerExtension(path);
  for (const Kind& kind : kKinds)
    if (extension == kind.extension && files.*kind.writer) return (files.*kind.writer)(palette);
  return std::nullopt;
}

}  // namespace glint
