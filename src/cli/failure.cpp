#include "cli/failure.h"

#include <cerrno>
#include <cstring>

namespace glint::cli {

std::string SystemReason(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "no such file or folder";
    case ENOTDIR:
      return "a part of the path is not a folder";
    case EACCES:
    case EPERM:
      return "permission denied";
    case EROFS:
      return "the file system is read-only";
    case ENOSPC:
      return "the disk is full";
    case EISDIR:
      return "a folder has that name";
    case EEXIST:
      return "a file has that name";
    default:
      return std::strerror(errorNumber);
  }
}

}  // namespace glint::cli
