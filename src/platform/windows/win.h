#pragma once

// What the Windows file layer's parts share: paths in and out of UTF-16, full paths and their
// long form, and the system's error codes in the errno terms the rest of the program speaks.

#include <windows.h>

#include <string>
#include <string_view>

namespace glint::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The full path, without the long-path mark, of `path` in UTF-8: relative to the working folder
// (of its drive, for "C:x"), either separator; a path with the mark is taken as it stands.
std::wstring FullPath(const std::string& path);
// The form every call takes, so no length of path stops it.
std::wstring Long(const std::wstring& full);
// `name` in the folder of full path `folder`.
std::wstring Join(const std::wstring& folder, std::wstring_view name);

// The errno value of a system error code, or 0 for one the table does not know.
int ErrnoOf(DWORD code);
// The code in plain words: SystemErrorReason's for a known code, the system's own text otherwise.
std::string ReasonOf(DWORD code);
// Raises SystemError for a known code, Error (52) with the system's text for another.
[[noreturn]] void Raise(DWORD code, const char* source);

// Whether the code means another program holds the file open.
inline bool Busy(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

// The file's identity and its links, kind and size, from an open handle.
struct Info {
  BY_HANDLE_FILE_INFORMATION data{};
  bool directory() const { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool reparse() const { return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  unsigned long long size() const {
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  unsigned long long index() const {
    return (static_cast<unsigned long long>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
  }
};
// Opens `path` (full, without the mark) for its attributes alone, which no share mode stops;
// with `followLinks` false a reparse point is opened itself. 0 or the system's code.
DWORD Inspect(const std::wstring& path, bool followLinks, Info& info, bool& disk);

}  // namespace glint::win
