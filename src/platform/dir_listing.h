#pragma once

// Folders and files as the directory tree lists them: attributes as a bit set, names in
// case-insensitive order, wildcards that ignore letter case, and hidden entries left out.

#include <compare>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/native.h"

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

// An open folder, to name what is in it relative to it: depth alone never stops a walk or a
// write, whatever the system's path limit, and a folder renamed meanwhile is still the one meant
// (on POSIX; on Windows a folder is held by its full path).
class Folder {
 public:
  Folder() = default;
  // Raises SystemError (52, the reason in plain words) when the folder cannot be opened.
  static Folder Open(const std::string& path);
  // The same, one name at a time from the root or the working folder, so that no length of path
  // stops it; with `create` missing folders are made.
  static Folder OpenPath(const std::string& path, bool create = false);
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  // The folder at `below` (names joined by separators; empty: this one again), each part opened
  // from the one before. With `create` missing parts are made; with `followLinks` false a linked
  // part is refused. Raises SystemError; a file in the way is EEXIST ("a file has that name").
  Folder open(const std::string& below, bool create, bool followLinks = true) const;

  const NativeFolder& native() const { return native_; }

 private:
  explicit Folder(NativeFolder native) : native_(std::move(native)) {}
  NativeFolder native_;
};

// Which file a name stands for, whatever name or link it is reached by.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileId&) const = default;
};
using FileIds = std::set<FileId>;

// Pattern matching as the listing does it.
bool MatchesPattern(const std::string& name, const std::string& pattern);
// The listing's order.
bool NameLess(const std::string& a, const std::string& b);

}  // namespace glint
