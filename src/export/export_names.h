#pragma once

// Where the export commands put each frame's BMP file.

#include <string>
#include <string_view>

namespace glint {

inline constexpr char kPathSeparator = '/';

// Save Single: beside the sprite, its whole name kept: "/art/sample.spr" frame 3 gives
// "/art/sample.spr.3.bmp".
std::string SingleFrameName(std::string_view spritePath, int frame);

// The sprite's name after its last separator, less its last four characters (taken to be the
// extension, whatever they are). Names of four characters or fewer leave nothing.
std::string BaseName(std::string_view spritePath);

// Save Multiple: folder + separator + base + "_" + the frame number with at least two digits.
// The separator is added even when the folder text ends in one.
std::string MultipleFrameName(std::string_view folder, std::string_view baseName, int frame);

}  // namespace glint
