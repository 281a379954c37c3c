#pragma once

// Paths cut at their last separator, the one way the program does it. Standard C++ only, so the
// pure image code and the platform layer share it.

#include <filesystem>
#include <string>
#include <string_view>

namespace glint::path {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr std::string_view kSeparators = "\\/";
#else
inline constexpr char kSeparator = '/';
inline constexpr std::string_view kSeparators = "/";
#endif

#ifdef _WIN32
// How much of a path names its root: "C:\", "C:" (the drive's working folder), a separator
// alone, "\\server\share", or the same after a "\\?\" mark; 0 for a relative path.
inline std::size_t RootLength(std::string_view path) {
  const auto separator = [&](std::size_t at) {
    return at < path.size() && kSeparators.find(path[at]) != std::string_view::npos;
  };
  const auto drive = [&](std::size_t at) {
    return at + 1 < path.size() && path[at + 1] == ':' &&
           ((path[at] >= 'A' && path[at] <= 'Z') || (path[at] >= 'a' && path[at] <= 'z'));
  };
  // After "\\", two names: the server and the share.
  const auto share = [&](std::size_t at) {
    for (int names = 0; names < 2 && at < path.size(); ++names) {
      while (at < path.size() && !separator(at)) ++at;
      if (names == 0 && at < path.size()) ++at;
    }
    return at;
  };
  std::size_t at = 0;
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) {
    at = 4;
    if (path.substr(at, 4) == "UNC\\") return share(at + 4);
  } else if (separator(0) && separator(1)) {
    return share(2);
  }
  if (drive(at)) return at + 2 + (separator(at + 2) ? 1 : 0);
  return separator(at) ? at + 1 : at;
}
#endif

// The part after the last separator; the whole path when there is none.
inline std::string_view FileName(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
#ifdef _WIN32
  const std::size_t root = RootLength(path);
  if (root > 0 && (cut == std::string_view::npos || cut < root)) return path.substr(root);
#endif
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// The folder ("" when there is none, the separator alone for the root) and the name.
struct Parts {
  std::string folder;
  std::string name;
};

inline Parts Split(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
#ifdef _WIN32
  const std::size_t root = RootLength(path);
  if (root > 0 && (cut == std::string_view::npos || cut < root))
    return {std::string(path.substr(0, root)), std::string(path.substr(root))};
#endif
  if (cut == std::string_view::npos) return {"", std::string(path)};
  return {std::string(cut == 0 ? path.substr(0, 1) : path.substr(0, cut)),
          std::string(path.substr(cut + 1))};
}

// std::filesystem paths from and to the program's names, which are UTF-8 everywhere: a plain
// std::string would be read in the system's code page on Windows.
inline std::filesystem::path FsPath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace glint::path
