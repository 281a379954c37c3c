#include "ui/default_folders.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>

#include "platform/dir_listing.h"

namespace glint {

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

// Creates one folder unless a file or folder of that name exists; true when a folder is there.
bool EnsureFolder(const std::string& path) {
  if (FileOrFolderExists(path)) return IsFolder(path);
  std::error_code ec;
  std::filesystem::create_directory(path, ec);
  return !ec && IsFolder(path);
}

}  // namespace

std::string DefaultSpriteFolder(
    const std::function<std::optional<std::string>(const char*)>& getenv) {
#ifdef _WIN32
  (void)getenv;
  return "C:\\Program Files\\Tessora\\ValkarinOnline\\data\\sprite";
#else
  std::string prefix;
  if (auto wine = getenv("WINEPREFIX"); wine && !wine->empty()) {
    prefix = *wine;
  } else {
    prefix = getenv("HOME").value_or("") + "/.wine";
  }
  while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
  const std::string tail = "/Tessora/ValkarinOnline/data/sprite";
  std::string native = prefix + "/drive_c/Program Files" + tail;
  std::string x86 = prefix + "/drive_c/Program Files (x86)" + tail;
  if (!IsFolder(native) && IsFolder(x86)) return x86;
  return native;
#endif
}

std::string DefaultSpriteFolder() {
  return DefaultSpriteFolder([](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  });
}

std::string PrepareOutputFolder(const std::string& appPath, const std::string& picturesFolder) {
  std::string beside = appPath + kSep + kOutputName;
  if (FileOrFolderExists(beside)) return beside;  // a folder to use, or a file left alone
  if (EnsureFolder(beside)) return beside;
  if (picturesFolder.empty()) return beside;
  std::string fallback = picturesFolder + kSep + kFallbackOutputName;
  if (EnsureFolder(fallback)) return fallback;
  return beside;
}

std::string PicturesFolder() {
  QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (pictures.isEmpty() || !QDir(pictures).exists()) pictures = QDir::homePath();
  return QDir::toNativeSeparators(pictures).toStdString();
}

}  // namespace glint
