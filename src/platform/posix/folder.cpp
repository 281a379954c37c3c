#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>

#include "path/path.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"

namespace glint {
namespace fs = std::filesystem;
namespace {

bool hiddenName(const std::string& name) { return !name.empty() && name[0] == '.'; }

std::string ownName(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path::FileName(path));
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

[[noreturn]] void folderFailure(int code) { throw SystemError(code, "Folder"); }

}  // namespace

Folder Folder::Open(const std::string& path) {
  const int fd = ::open(path.empty() ? "." : path.c_str(), kFolderFlags);
  if (fd < 0) folderFailure(errno);
  return Folder(NativeFolder{fd});
}

Folder Folder::OpenPath(const std::string& path, bool create) {
  // One look-up by the whole path serves nearly every call; the walk below is for paths over the
  // system's limit and for folders to make, and it gives every failure its own reason.
  if (!path.empty() && path.size() < PATH_MAX) {
    const int fd = ::open(path.c_str(), kFolderFlags);
    if (fd >= 0) return Folder(NativeFolder{fd});
  }
  if (!path.empty() && path.front() == '/') return Open("/").open(path.substr(1), create);
  return Open(".").open(path, create);
}

Folder::Folder(Folder&& other) noexcept : native_{std::exchange(other.native_.fd, -1)} {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (native_.fd >= 0) ::close(native_.fd);
    native_.fd = std::exchange(other.native_.fd, -1);
  }
  return *this;
}

Folder::~Folder() {
  if (native_.fd >= 0) ::close(native_.fd);
}

Folder Folder::open(const std::string& below, bool create, bool followLinks) const {
  const int flags = kFolderFlags | (followLinks ? 0 : O_NOFOLLOW);
  const int fd = ::fcntl(native_.fd, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) folderFailure(errno);
  Folder current(NativeFolder{fd});
  for (std::size_t at = 0; at < below.size();) {
    std::size_t slash = below.find('/', at);
    if (slash == std::string::npos) slash = below.size();
    const std::string part = below.substr(at, slash - at);
    at = slash + 1;
    if (part.empty()) continue;
    const int folder = current.native_.fd;
    int next = ::openat(folder, part.c_str(), flags);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(folder, part.c_str(), 0777) != 0 && errno != EEXIST) folderFailure(errno);
      next = ::openat(folder, part.c_str(), flags);
    }
    if (next < 0) folderFailure(errno == ENOTDIR && create ? EEXIST : errno);
    current = Folder(NativeFolder{next});
  }
  return current;
}

int GetAttr(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
  int attributes = attr::kNormal;
  if (S_ISDIR(st.st_mode)) attributes |= attr::kDirectory;
  if (hiddenName(ownName(path))) attributes |= attr::kHidden;
  return attributes;
}

bool OrdinaryFileExists(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return !hiddenName(ownName(path));
}

bool FileOrFolderExists(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) || S_ISREG(st.st_mode);
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern,
                                    ListFilter filter) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? "." : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (hiddenName(name) || !MatchesPattern(name, pattern)) continue;
    std::error_code statError;
    auto status = fs::status(it->path(), statError);  // follows links, as opening would
    if (statError) continue;                          // vanished or unreadable: skip it
    bool isFile = fs::is_regular_file(status);
    bool isFolder = fs::is_directory(status);
    if (isFile || (isFolder && filter == ListFilter::FilesAndFolders)) names.push_back(name);
  }
  std::stable_sort(names.begin(), names.end(), NameLess);
  return names;
}

}  // namespace glint
