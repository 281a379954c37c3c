#pragma once

// How output files are named, for the window's exports and the converter alike.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glint::image {

// Whether a file name ends in ".spr", in any letter case.
bool IsSpriteFileName(std::string_view name);

// NAME of NAME.spr: the file's own name less ".spr" in any letter case, else less its extension.
std::string SpriteName(std::string_view path);

// The sprite's name after its last separator, less its last four characters (taken to be the
// extension, whatever they are). Names of four characters or fewer leave nothing.
std::string BaseName(std::string_view spritePath);

// One frame beside the sprite, its whole name kept: "/art/sample.spr" frame 3 gives
// "/art/sample.spr.3.bmp". `extension` includes the dot.
std::string SingleFrameName(std::string_view spritePath, int frame,
                            std::string_view extension = ".bmp");

// NAME_kk.ext: the frame number with at least two digits.
std::string FrameFileName(std::string_view name, int frame, std::string_view extension);

// Every frame into a folder: folder + separator + FrameFileName. The separator is added even
// when the folder text ends in one.
std::string MultipleFrameName(std::string_view folder, std::string_view baseName, int frame,
                              std::string_view extension = ".bmp");

// The converter's frame files: in the output folder as FrameFileName, or without one beside the
// sprite as SingleFrameName.
std::string FramePath(const std::string& sprite, const std::string& outFolder,
                      const std::string& name, int frame, std::string_view extension);

// What FramePath's files are claimed under: two sprites with one key would write the same files.
// Beside the sprite, the key is the sprite's own path made canonical, so two names of one file
// meet.
std::string FrameFilesKey(const std::string& sprite, const std::string& outFolder,
                          const std::string& name);

// For each key in order, the index of the first key equal to it: its own index when it comes
// first. An empty key claims nothing.
std::vector<std::size_t> FirstClaims(const std::vector<std::string>& keys);

}  // namespace glint::image
