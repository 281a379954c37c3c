#pragma once

// Where the window's folders are: the game's sprite folder and the batch output folder. No
// settings are kept, so each is found afresh at start-up.

#include <functional>
#include <optional>
#include <string>

#include "image/naming.h"
#include "path/path.h"

namespace glint {

inline constexpr char kSepText[] = {path::kSeparator, '\0'};
inline constexpr const char* kSep = kSepText;

inline constexpr const char* kOutputName = "Output";
inline constexpr const char* kFallbackOutputName = "Glintscope Output";

// The game's sprite folder. Elsewhere than on Windows it lies inside the Wine prefix; a 32-bit
// install in a 64-bit prefix is found under "Program Files (x86)" when only that one exists.
// `getenv` is the environment to read (injectable for tests).
std::string DefaultSpriteFolder(
    const std::function<std::optional<std::string>(const char*)>& getenv);
std::string DefaultSpriteFolder();

// The batch output folder prepared at start-up: `appPath` + separator + "Output", created when no
// file or folder of that name exists. When the program's folder cannot take it, "Glintscope
// Output" in `picturesFolder` is used (created likewise). A file already named "Output" is left
// alone and its path kept, as nothing is reported at start-up.
std::string PrepareOutputFolder(const std::string& appPath, const std::string& picturesFolder);
// The user's Pictures folder, or the home folder when there is none.
std::string PicturesFolder();

}  // namespace glint
