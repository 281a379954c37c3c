#pragma once

#include <functional>
#include <optional>
#include <string>

#include "image/palette_file.h"
#include "spr/sprite.h"

namespace glint {

// The palette files the windows read and write, one reader for every kind and a writer a kind.
// A kind without a writer is not offered.
struct PaletteFiles {
  // Tells the kind by the content: a sprite gives its last 1,024 bytes.
  std::function<image::PaletteFile(spr::ByteSource&)> read;
  // The palette, and the sprite it comes from (a GIMP palette takes its name).
  std::function<spr::Bytes(const spr::Palette&, const std::string&)> gimp, jasc, png;
};

// What the program reads and writes.
PaletteFiles DefaultPaletteFiles();

// The save dialog's filter of the kinds that have a writer, GIMP first, and the extension the
// dialog's suggestion takes.
std::string PaletteSaveFilter(const PaletteFiles& files);
std::string FirstPaletteExtension(const PaletteFiles& files);

// The file's bytes for the kind its extension names; nothing for an extension without a writer.
std::optional<spr::Bytes> PaletteFileBytes(const PaletteFiles& files, const std::string& path,
                                           const spr::Palette& palette, const std::string& sprite);

}  // namespace glint
