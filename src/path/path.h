#pragma once

// Paths cut at their last separator, the one way the program does it. Standard C++ only, so the
// pure image code and the platform layer share it.

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

}  // namespace glint::path
