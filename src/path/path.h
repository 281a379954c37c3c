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

// The part after the last separator; the whole path when there is none.
inline std::string_view FileName(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// The folder ("" when there is none, the separator alone for the root) and the name.
struct Parts {
  std::string folder;
  std::string name;
};
inline Parts Split(std::string_view path) {
  const std::size_t cut = path.find_last_of(kSeparators);
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
