#pragma once

#include <mutex>
#include <set>
#include <string>

#include "cli/console.h"
#include "cli/export_plan.h"
#include "cli/options.h"
#include "cli/progress.h"

namespace glint::cli {

// Creates output folders once each, from any thread.
class FolderMaker {
 public:
  // Raises Failure(folder, reason) when the folder cannot be made.
  void ensure(const std::string& folder);

 private:
  std::mutex mutex_;
  std::set<std::string> made_;
};

struct ExportSettings {
  Format format = Format::Bmp;
  std::optional<FrameRange> frames;
  bool transparent = false;
};

// Converts one planned sprite: one file per frame with pixels, each written whole. Raises
// Failure for a broken sprite or a failed write; files already written stay.
void ExportSprite(const PlannedInput& input, const ExportSettings& settings, FolderMaker& folders,
                  Progress& progress);

// The commands; each returns the exit status.
int RunExport(const Options& options, Console& console);
int RunSheet(const Options& options, Console& console);
int RunGif(const Options& options, Console& console);
int RunInfo(const Options& options, Console& console);

// Parses the command line and runs it. args[0] is the program name.
int Sprconv(const std::vector<std::string>& args, Console& console);

}  // namespace glint::cli
