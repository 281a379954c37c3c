#pragma once

// What the system names an open folder and an open file by. The one place the two file layers
// differ in a header: everything above the platform layer sees these as opaque.

#include <string>

namespace glint {

#ifdef _WIN32
// Windows opens nothing relative to a folder, so a folder is its full path, without the \\?\ mark.
struct NativeFolder {
  std::wstring path;
};
using NativeFile = void*;  // a HANDLE
inline NativeFile const kNoFile = reinterpret_cast<void*>(-1);
#else
struct NativeFolder {
  int fd = -1;
};
using NativeFile = int;
inline constexpr NativeFile kNoFile = -1;
#endif

}  // namespace glint
