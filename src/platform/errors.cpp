#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace glint {

std::string DefaultDescription(int number) {
  switch (number) {
    case err::kInvalidCall:
      return "Invalid procedure call or argument";
    case err::kBadFileName:
      return "Bad file name or number";
    case err::kFileAlreadyOpen:
      return "File already open";
    case err::kInputPastEnd:
      return "Input past end of file";
    case err::kBadRecordNumber:
      return "Bad record number";
    case err::kCancel:
      return "Cancel was selected.";
    default:
      return "Error " + std::to_string(number);
  }
}

std::string SystemErrorReason(int code) {
  switch (code) {
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
    case ENAMETOOLONG:
      return "the name or the path is too long";
    case ELOOP:
      return "a symbolic link on the way loops";
    case EBUSY:
      return "another program has it open";
    case EINVAL:  // the file layers' answer for a name the file system cannot hold
      return "a name the system does not allow";
    default:
      return std::strerror(code);
  }
}

Error::Error(int number, std::string source, std::string description)
    : std::runtime_error(description.empty() ? DefaultDescription(number) : description),
      number_(number),
      source_(std::move(source)),
      description_(description.empty() ? DefaultDescription(number) : std::move(description)) {}

}  // namespace glint

namespace glint {

SystemError::SystemError(int code, std::string source)
    : Error(err::kBadFileName, std::move(source), SystemErrorReason(code)), code_(code) {}

}  // namespace glint
