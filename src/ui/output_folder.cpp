#include "ui/output_folder.h"

#include <filesystem>

#include "platform/dir_listing.h"
#include "ui/default_folders.h"

namespace glint {

bool BuiltForInstallation() {
#ifdef GLINT_INSTALLED
  return true;
#else
  return false;
#endif
}

std::string PrepareInstalledOutputFolder(const std::string& picturesFolder) {
  const std::string folder = picturesFolder + kSep + kFallbackOutputName;
  if (!FileOrFolderExists(folder)) {
    std::error_code ec;  // a folder that cannot be made is reported when an export needs it
    std::filesystem::create_directory(folder, ec);
  }
  return folder;
}

}  // namespace glint
