#include "ui/palette_files.h"

#include <algorithm>
#include <cctype>

namespace glint {
namespace {

struct Kind {
  std::function<spr::Bytes(const spr::Palette&, const std::string&)> PaletteFiles::*writer;
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
  files.read = [](spr::ByteSource& source) { return image::LoadPaletteFile(source); };
  files.gimp = [](const spr::Palette& palette, const std::string& sprite) {
    const std::string text = image::GimpPaletteText(palette, image::PaletteName(sprite));
    return spr::Bytes(text.begin(), text.end());
  };
  files.jasc = [](const spr::Palette& palette, const std::string&) {
    const std::string text = image::JascPaletteText(palette);
    return spr::Bytes(text.begin(), text.end());
  };
  files.png = [](const spr::Palette& palette, const std::string&) {
    return image::PaletteSwatchPng(palette);
  };
  return files;
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
                                           const spr::Palette& palette, const std::string& sprite) {
  const std::string extension = LowerExtension(path);
  for (const Kind& kind : kKinds)
    if (extension == kind.extension && files.*kind.writer)
      return (files.*kind.writer)(palette, sprite);
  return std::nullopt;
}

}  // namespace glint
