#pragma once

#include <stdexcept>
#include <string>

namespace glint {

// Error numbers as the program reports them to the user.
namespace err {
inline constexpr int kInvalidCall = 5;       // invalid procedure call or argument
inline constexpr int kOutOfMemory = 7;       // out of memory
inline constexpr int kBadFileName = 52;      // bad file name or number
inline constexpr int kFileAlreadyOpen = 55;  // file already open
inline constexpr int kInputPastEnd = 62;     // input past end of file
inline constexpr int kBadRecordNumber = 63;  // bad record number
inline constexpr int kCancel = 32755;        // the open dialog was cancelled
inline constexpr int kObjectErrorBase = -2147221504;
inline constexpr int kWrongSignature = kObjectErrorBase + 6;
inline constexpr int kInvalidHandle = kObjectErrorBase + 1;
}  // namespace err

// A failure with a number, raised to the nearest caller that handles failures.
class Error : public std::runtime_error {
 public:
  explicit Error(int number, std::string source = {}, std::string description = {});

  int number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  int number_;
  std::string source_;
  std::string description_;
};

// A failure of a system call: 52 with the reason in plain words, and the system's error code.
class SystemError : public Error {
 public:
  SystemError(int code, std::string source);
  int code() const { return code_; }

 private:
  int code_;
};

// The standard wording of each error number, for an error raised without a text of its own.
std::string DefaultDescription(int number);

// A system error (errno) in plain words, for messages that name a file.
std::string SystemErrorReason(int code);

}  // namespace glint
