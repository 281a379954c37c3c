#include "export/export_names.h"

namespace glint {

std::string SingleFrameName(std::string_view spritePath, int frame) {
  return std::string(spritePath) + "." + std::to_string(frame) + ".bmp";
}

std::string BaseName(std::string_view spritePath) {
  std::size_t slash = spritePath.rfind(kPathSeparator);
  std::string_view name =
      slash == std::string_view::npos ? spritePath : spritePath.substr(slash + 1);
  // Characters, not bytes: a name may hold UTF-8 sequences, and cutting one would corrupt it.
  std::size_t end = name.size();
  for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
    --end;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  }
  return std::string(name.substr(0, end));
}

std::string MultipleFrameName(std::string_view folder, std::string_view baseName, int frame) {
  std::string number = std::to_string(frame);
  if (frame >= 0 && frame < 10) number.insert(0, "0");
  std::string name(folder);
  name += kPathSeparator;
  name += baseName;
  name += '_';
  name += number;
  name += ".bmp";
  return name;
}

}  // namespace glint
