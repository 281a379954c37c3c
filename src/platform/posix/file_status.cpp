#include "platform/file_status.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "path/path.h"
#include "platform/errors.h"

namespace glint {
namespace {

FileStatus failed(int code) {
  FileStatus status;
  status.error = code;
  return status;
}

FileStatus statusOf(int at, const std::string& name, int flags) {
  struct stat st {};
  if (::fstatat(at, name.c_str(), &st, flags) != 0) return failed(errno);
  FileStatus status;
  status.kind = S_ISREG(st.st_mode)   ? FileKind::kFile
                : S_ISDIR(st.st_mode) ? FileKind::kFolder
                : S_ISLNK(st.st_mode) ? FileKind::kLink
                                      : FileKind::kOther;
  status.id = FileId{st.st_dev, st.st_ino};
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.links = st.st_nlink;
  return status;
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
  path::Parts parts = path::Split(path);
  if (parts.name.empty()) parts.name = ".";
  try {
    return statusOf(Folder::OpenPath(parts.folder).native().fd, parts.name, 0);
  } catch (const SystemError& e) {
    return failed(e.code());
  }
}

FileStatus StatusIn(const Folder& folder, const std::string& name, bool followLinks) {
  return statusOf(folder.native().fd, name, followLinks ? 0 : AT_SYMLINK_NOFOLLOW);
}

int ListNames(const Folder& folder, std::vector<std::string>& names) {
  names.clear();
  // The listing's own descriptor: its position is its own, and it is closed when the list is.
  const int listed = ::openat(folder.native().fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
  if (dir == nullptr) {
    const int code = errno;
    if (listed >= 0) ::close(listed);
    return code;
  }
  int code = 0;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      code = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return code;
}

}  // namespace glint
