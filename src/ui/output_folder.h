#pragma once

#include <string>

namespace glint {

// Whether the program was built for installation (the GLINT_INSTALLED build option).
bool BuiltForInstallation();

// The batch output folder of an installed program: "Glintscope Output" in `picturesFolder`,
// created when no file or folder of that name exists (a file is left alone, as with "Output").
// An installed program never writes into its own folder, not even when root could.
std::string PrepareInstalledOutputFolder(const std::string& picturesFolder);

}  // namespace glint
