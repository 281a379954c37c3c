#pragma once

// Folders and files as the design platform's runtime sees them: attributes as a bit set, names in
// case-insensitive order, wildcards that ignore letter case, and hidden entries left out.

#include <string>
#include <vector>

namespace glint {

namespace attr {
inline constexpr int kNormal = 0;
inline constexpr int kReadOnly = 1;
inline constexpr int kHidden = 2;
inline constexpr int kSystem = 4;
inline constexpr int kDirectory = 16;
inline constexpr int kArchive = 32;
}  // namespace attr

// The attributes of a path; -1 when it cannot be read. On POSIX a name starting with "." is
// hidden and a folder is a directory; nothing else maps, so an ordinary folder is exactly 16.
int GetAttr(const std::string& path);

// An ordinary file of exactly that name exists (not a folder, FIFO or device; not hidden).
bool OrdinaryFileExists(const std::string& path);
// A folder or an ordinary file of that name exists.
bool FileOrFolderExists(const std::string& path);

enum class ListFilter { Files, FilesAndFolders };

// The names in `folder` that match `pattern` (* and ?, letter case ignored), hidden entries left
// out, in case-insensitive order (ASCII letters folded, then character by character). Entries
// that cannot be read are skipped; a missing or unreadable folder lists nothing.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern,
                                    ListFilter filter);

// Pattern matching as the listing does it.
bool MatchesPattern(const std::string& name, const std::string& pattern);
// The listing's order.
bool NameLess(const std::string& a, const std::string& b);

}  // namespace glint
