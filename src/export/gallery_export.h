#pragma once

// Exports of many sprites at once, chosen in the gallery: for each sprite the very files the
// converter writes, as the Export menu writes them for one. Frames of every sprite go into the
// output folder, named as `sprconv export SPRITES -o FOLDER` names them; sheets and animations
// mirror the sprites' folders below the gallery's folder.

#include <functional>
#include <string>
#include <vector>

#include "export/window_export.h"

namespace glint {

struct GalleryExport {
  enum class Kind { kFrames, kSheets, kGifs };
  Kind kind = Kind::kFrames;
  std::vector<std::string> sprites;  // absolute paths, below galleryFolder
  std::string galleryFolder;
  std::string outputFolder;  // made when missing, as are the folders below it
  bool transparent = false;
  int frameTimeMs = 100;  // the animations' frame time
  // Runs on the export's thread after each sprite is done, for tests that act in between.
  std::function<void(int)> afterSprite;
};

// Where a sheet or an animation goes: the output folder, then the sprite's path relative to the
// gallery's folder less ".spr" in any letter case (its own name when it is not below that folder),
// then `extension`.
std::string GalleryTarget(const std::string& sprite, const std::string& galleryFolder,
                          const std::string& outputFolder, const std::string& extension);

// Runs the export on the calling thread. The progress counts sprites; a cancel stops before the
// next frame or sprite and keeps every finished file whole. A sprite that fails is reported in
// the Export menu's words and the others are still written; the result fails when any did.
WindowExportResult RunGalleryExport(const GalleryExport& job, WindowExportProgress& progress);

}  // namespace glint
