#pragma once

// What every robustness test checks after the fact: the files left in a folder are whole, and
// nothing half-written (a temporary) is left beside them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/sprite_builder.h"

namespace glint::testing {

// Every entry of the folder, hidden ones included; none when it does not exist.
inline std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  if (!std::filesystem::is_directory(folder)) return names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.insert(e.path().filename().string());
  return names;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A BMP file as long as its header says, with the pixel block its size calls for.
inline bool IsWholeBmp(const Bytes& b) {
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
  };
  if (b.size() < 1078 || b[0] != 'B' || b[1] != 'M' || le32(2) != b.size()) return false;
  const std::int64_t width = static_cast<std::int32_t>(le32(18));
  const std::int64_t height = static_cast<std::int32_t>(le32(22));
  return width > 0 && height > 0 && le32(34) == ((width + 3) / 4 * 4) * height;
}

// Every file in the folder is a whole BMP; returns how many there are.
inline int ExpectOnlyWholeBmps(const std::string& folder) {
  int count = 0;
  for (const std::string& name : Entries(folder)) {
    EXPECT_NE(name[0], '.') << "a temporary was left: " << folder << "/" << name;
    const std::string path = folder + "/" + name;
    if (std::filesystem::is_directory(path)) continue;
    EXPECT_TRUE(IsWholeBmp(ReadFile(path))) << path;
    ++count;
  }
  return count;
}

}  // namespace glint::testing
