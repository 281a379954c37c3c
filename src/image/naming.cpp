#include "image/naming.h"

#include <filesystem>
#include <map>

#include "path/path.h"

namespace glint::image {
namespace fs = std::filesystem;

bool IsSpriteFileName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 's' && (tail[2] | 0x20) == 'p' &&
         (tail[3] | 0x20) == 'r';
}

std::string SpriteName(std::string_view path) {
  const std::string_view name = path::FileName(path);
  if (IsSpriteFileName(name)) return std::string(name.substr(0, name.size() - 4));
  const std::size_t dot = name.rfind('.');
  return std::string(
      dot == 0 || dot == std::string_view::npos || name == ".." ? name : name.substr(0, dot));
}

std::string BaseName(std::string_view spritePath) {
  std::string_view name = path::FileName(spritePath);
  // Characters, not bytes: a name may hold UTF-8 sequences, and cutting one would corrupt it.
  std::size_t end = name.size();
  for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
    --end;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  }
  return std::string(name.substr(0, end));
}

std::string SingleFrameName(std::string_view spritePath, int frame, std::string_view extension) {
  std::string name(spritePath);
  name += '.';
  name += std::to_string(frame);
  name += extension;
  return name;
}

std::string FrameFileName(std::string_view name, int frame, std::string_view extension) {
  std::string file(name);
  file += '_';
  if (frame >= 0 && frame < 10) file += '0';
  file += std::to_string(frame);
  file += extension;
  return file;
}

std::string MultipleFrameName(std::string_view folder, std::string_view baseName, int frame,
                              std::string_view extension) {
  std::string path(folder);
  path += path::kSeparator;
  path += FrameFileName(baseName, frame, extension);
  return path;
}

std::string FramePath(const std::string& sprite, const std::string& outFolder,
                      const std::string& name, int frame, std::string_view extension) {
  if (outFolder.empty()) return SingleFrameName(sprite, frame, extension);
  return path::Utf8(path::FsPath(outFolder) / path::FsPath(FrameFileName(name, frame, extension)));
}

std::string FrameFilesKey(const std::string& sprite, const std::string& outFolder,
                          const std::string& name) {
  if (!outFolder.empty())
    return path::Utf8((path::FsPath(outFolder) / path::FsPath(name)).lexically_normal());
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(path::FsPath(sprite), ec);
  return path::Utf8(ec ? path::FsPath(sprite).lexically_normal() : canonical);
}

std::vector<std::size_t> FirstClaims(const std::vector<std::string>& keys) {
  std::map<std::string_view, std::size_t> claims;
  std::vector<std::size_t> first(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i)
    first[i] = keys[i].empty() ? i : claims.try_emplace(keys[i], i).first->second;
  return first;
}

}  // namespace glint::image
