#pragma once

#include <string>

#include "cli/console.h"
#include "cli/export_plan.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "image/palette_file.h"
#include "platform/dir_listing.h"

namespace glint::cli {

// Opens output folders, made when missing, one folder at a time from the top, so that no depth
// stops them. Safe from any thread.
class FolderMaker {
 public:
  // Raises Failure(folder, reason) when the folder cannot be opened or made.
  Folder open(const std::string& folder);
};

struct ExportSettings {
  Format format = Format::Bmp;
  std::optional<FrameRange> frames;
  bool transparent = false;
  FileIds inputs;                             // the files being read, never replaced by an output
  std::optional<image::PaletteFile> palette;  // drawn with it in place of the sprite's own
};

// Converts one planned sprite: one file per frame with pixels, each written whole. Raises
// Failure for a broken sprite or a failed write; files already written stay.
void ExportSprite(const PlannedInput& input, const ExportSettings& settings, FolderMaker& folders,
                  Progress& progress);

// The commands, one for each options type; each returns the exit status.
ExitStatus RunCommand(const ExportOptions& options, Console& console);
ExitStatus RunCommand(const SheetOptions& options, Console& console);
ExitStatus RunCommand(const GifOptions& options, Console& console);
ExitStatus RunCommand(const InfoOptions& options, Console& console);
ExitStatus RunCommand(const ThumbnailOptions& options, Console& console);
ExitStatus RunCommand(const PackOptions& options, Console& console);
ExitStatus RunCommand(const ReplaceOptions& options, Console& console);
ExitStatus RunCommand(const PaletteOptions& options, Console& console);
ExitStatus RunCommand(const CommandOptions& options, Console& console);

// Parses the command line and runs it. args[0] is the program name.
int Sprconv(const std::vector<std::string>& args, Console& console);

}  // namespace glint::cli
