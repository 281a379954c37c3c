#pragma once

#include <functional>
#include <optional>
#include <string>

#include "spr/sprite.h"

namespace glint {

// The palette files the windows read and write, one reader for every kind and a writer a kind.
// A kind without a writer is not offered.
struct PaletteFiles {
  // Tells the kind by the content: a sprite gives its last 1,024 bytes.
  std::function<spr::Palette(spr::ByteSource&)> read;
  std::function<spr::Bytes(const spr::Palette&)> gimp, jasc, png;
};

// What the program reads and writes.
PaletteFiles DefaultPaletteFiles();

// 16 x 16 indexed pixels, pixel k of index k, whose palette is the sprite's.
spr::Bytes PalettePngFile(const spr::Palette& palette);

// The save dialog's filter of the kinds that have a writer, GIMP first, and the extension the
// dialog's suggestion takes.
std::string PaletteSaveFilter(const PaletteFiles& files);
std::string FirstPaletteExtension(const PaletteFiles& files);

// The file's bytes for the kind its extension names; nothing for an extension without a writer.
std::optional<spr::Bytes> PaletteFileBytes(const PaletteFiles& files, const std::string& path,
                                           const spr::Palette& palette);

}  // namespace glint
