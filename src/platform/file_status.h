#pragma once

// What stands at a name, and what a folder holds, in the system's neutral terms: the converter
// asks these rather than the system, so it runs the same over either file layer.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dir_listing.h"

namespace glint {

enum class FileKind { kMissing, kFile, kFolder, kLink, kOther };

struct FileStatus {
  int error = 0;  // the system's reason (an errno value; ENOENT for a missing name), or 0
  FileKind kind = FileKind::kMissing;
  FileId id;
  std::uint64_t size = 0;
  std::uint64_t links = 0;  // names the file has (hard links)
};

// What stands at `path`, links followed, looked up one folder at a time, so no length of path
// stops it.
FileStatus StatusOf(const std::string& path);
// What stands at `name` in an open folder; with `followLinks` false a link is kLink.
FileStatus StatusIn(const Folder& folder, const std::string& name, bool followLinks);

// The names in an open folder, "." and ".." left out, in the system's order; 0 or the system's
// reason (an errno value) when it cannot be read.
int ListNames(const Folder& folder, std::vector<std::string>& names);

}  // namespace glint
