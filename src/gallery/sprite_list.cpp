#include "gallery/sprite_list.h"

#include <sys/stat.h>

#include <utility>

#include "platform/dir_listing.h"

namespace glint::gallery {
namespace {

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::vector<SpriteEntry> ListSprites(const std::string& folder, bool subfolders) {
  std::vector<SpriteEntry> entries;
  FileIds seen;
  // Relative names of the folders still to list; a stack keeps deep trees off the call stack.
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    const std::string below = std::move(pending.back());
    pending.pop_back();
    const std::string here = below.empty() ? folder : join(folder, below);
    struct stat st {};
    if (::stat(here.empty() ? "." : here.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    if (!seen.insert({static_cast<std::uint64_t>(st.st_dev), st.st_ino}).second) continue;

    for (const std::string& name : ListFolder(here, "*.spr", ListFilter::Files)) {
      SpriteEntry entry{join(here, name), join(below, name), 0, 0};
      // The listing saw an ordinary file; one replaced since by anything else is left out.
      if (::stat(entry.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      entry.size = st.st_size;
      entry.mtime = st.st_mtime;
      entries.push_back(std::move(entry));
    }
    if (!subfolders) break;
    const auto names = ListFolder(here, "*", ListFilter::FilesAndFolders);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
      if (::stat(join(here, *it).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        pending.push_back(join(below, *it));
      }
    }
  }
  return entries;
}

}  // namespace glint::gallery
