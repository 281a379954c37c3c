#include "cli/naming.h"

#include <filesystem>

namespace glint::cli {
namespace fs = std::filesystem;

bool IsSpriteFileName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 's' && (tail[2] | 0x20) == 'p' &&
         (tail[3] | 0x20) == 'r';
}

std::string SpriteName(std::string_view path) {
  std::string name = fs::path(path).filename().string();
  if (IsSpriteFileName(name)) return name.substr(0, name.size() - 4);
  return fs::path(name).stem().string();
}

std::string FramePath(const std::string& sprite, const std::string& outFolder,
                      const std::string& name, int frame, std::string_view extension) {
  std::string number = std::to_string(frame);
  if (outFolder.empty()) return sprite + "." + number + std::string(extension);
  if (number.size() < 2) number.insert(0, "0");
  return (fs::path(outFolder) / (name + "_" + number + std::string(extension))).string();
}

}  // namespace glint::cli
