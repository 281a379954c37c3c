#pragma once

#include <string>
#include <string_view>

namespace glint::cli {

// NAME of NAME.spr: the file's own name less ".spr" in any letter case, else less its extension.
std::string SpriteName(std::string_view path);

// Whether a file name ends in ".spr", in any letter case.
bool IsSpriteFileName(std::string_view name);

// Where frame k goes. With an output folder: FOLDER/NAME_kk.ext (at least two digits), as the
// viewer's Save Multiple names it; without one: SPRITE.k.ext beside the sprite, as Save Single
// names it. `extension` includes the dot.
std::string FramePath(const std::string& sprite, const std::string& outFolder,
                      const std::string& name, int frame, std::string_view extension);

}  // namespace glint::cli
