#include "platform/errors.h"

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

Error::Error(int number, std::string source, std::string description)
    : std::runtime_error(description.empty() ? DefaultDescription(number) : description),
      number_(number),
      source_(std::move(source)),
      description_(description.empty() ? DefaultDescription(number) : std::move(description)) {}

}  // namespace glint
