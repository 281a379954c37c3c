#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dir_listing.h"

namespace glint::cli {

// One sprite to convert, or one input that cannot be.
struct PlannedInput {
  std::string sprite;     // the path read, as shown in messages
  std::string outFolder;  // empty: frames go beside the sprite
  std::string name;       // NAME in NAME_kk
  // When set, the input is not converted and this is reported for `sprite`.
  std::string problem;
  // A note rather than a failure (a folder that holds no sprite files).
  bool noteOnly = false;
  FileId id;  // the sprite's file
};

// Expands the command line's inputs in order: a file stands for itself, a folder for every sprite
// file below it (".spr" in any letter case, hidden entries and linked folders left out) in sorted
// order, each folder read relative to the one above it. An entry that cannot be read, and a
// sprite name that is no ordinary file, is a problem. With an output folder, a folder's contents
// are mirrored under it. An input that would
// write the same names as an earlier one is a problem naming that one; the same file met twice
// for the same names is converted once.
std::vector<PlannedInput> PlanExport(const std::vector<std::string>& inputs,
                                     const std::string& outDir, std::string_view extension);

// The order of names within a folder: letter case ignored, then byte order to break ties.
bool SortedNameLess(const std::string& a, const std::string& b);

}  // namespace glint::cli
