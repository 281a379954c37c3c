#pragma once

#include <functional>
#include <string>

#include "image/palette_file.h"
#include "platform/dir_listing.h"

namespace glint::cli {

// The palette file at `path`, read strictly; a Failure naming it when it gives no palette.
image::PaletteFile ReadPaletteInput(const std::string& path);

// A line telling that `file` gave fewer than 256 entries and what became of the others, or "".
std::string PartialPaletteNote(const std::string& path, const image::PaletteFile& file,
                               const std::string& others);

// The palette images are drawn with: `own`, or, when `path` names a palette file, `own` with its
// entries in place (a partial file told of through `tell`).
spr::Palette PaletteShown(const std::string& path, const spr::Palette& own,
                          const std::function<void(const std::string&)>& tell);

// The files being read with the palette file among them, so that no output replaces it.
FileIds WithPaletteInput(FileIds inputs, const std::string& path);

// The palette as text, a line an entry ("17 200 40 12 #C8280C"), or as one JSON array.
std::string PaletteText(const spr::Palette& palette);
std::string PaletteJson(const spr::Palette& palette);

}  // namespace glint::cli
