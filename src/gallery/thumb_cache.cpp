#include "gallery/thumb_cache.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "platform/errors.h"

namespace glint::gallery {
namespace {

const char kUri[] = "Thumb::URI";
const char kMTime[] = "Thumb::MTime";
const char kSize[] = "Thumb::Size";
const char kFrames[] = "X-Glintscope::Frames";
const char kLargest[] = "X-Glintscope::Largest";
const char kReason[] = "X-Glintscope::Reason";
const char kBlank[] = "X-Glintscope::Blank";

// What g_filename_to_uri leaves as it is in a path.
bool keptInUri(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!$&'()*+,-./:=@_~").find(static_cast<char>(c)) != std::string_view::npos;
}

template <typename T>
std::optional<T> parseNumber(const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || text.empty()) return std::nullopt;
  return value;
}

// "100x120".
bool parseSize(const std::string& text, Details& details) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  details.largestWidth = parseNumber<int>(text.substr(0, x));
  details.largestHeight = parseNumber<int>(text.substr(x + 1));
  return details.largestWidth && details.largestHeight;
}

void makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    throw SystemError(errno, "thumbnail cache");
}

// Each folder from the first missing one down to `below` under `root`, 0700.
void makeFolders(const std::string& root, const std::string& below) {
  std::string path;
  for (const auto& part : std::filesystem::path(root)) {
    if (part == "/") {
      path = "/";
      continue;
    }
    path += (path.empty() || path.back() == '/' ? "" : "/") + part.string();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) makeFolder(path);
  }
  std::string at = root;
  for (const auto& part : std::filesystem::path(below)) {
    at += "/" + part.string();
    makeFolder(at);
  }
}

}  // namespace

std::string FileUri(const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path[0] != '/')
    absolute = std::filesystem::current_path().string() + "/" + path;
  static const char hex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char ch : absolute) {
    const auto c = static_cast<unsigned char>(ch);
    if (keptInUri(c)) {
      uri += ch;
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

std::string CacheName(const std::string& uri) {
  const QByteArray md5 =
      QCryptographicHash::hash(QByteArrayView(uri.data(), static_cast<qsizetype>(uri.size())),
                               QCryptographicHash::Md5)
          .toHex();
  return std::string(md5.constData(), static_cast<std::size_t>(md5.size())) + ".png";
}

std::string ThumbnailRoot() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return std::string(cache) + "/thumbnails";
  const char* home = std::getenv("HOME");
  std::string folder = home != nullptr && home[0] != '\0' ? home : "";
  if (folder.empty())
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr) folder = user->pw_dir;
  return folder + "/.cache/thumbnails";
}

std::string SizeFolder(int box) { return box <= kNormalBox ? "normal" : "large"; }

std::string FailFolder() { return "fail/glintscope-" GLINT_VERSION; }

std::vector<std::uint8_t> EncodeEntry(const CacheEntry& entry) {
  image::PngText text = {{kUri, entry.uri}, {kMTime, std::to_string(entry.mtime)}};
  if (entry.size) text.emplace_back(kSize, std::to_string(*entry.size));
  text.emplace_back("Software", "Glintscope");
  if (const std::optional<Details>& d = entry.details) {
    if (d->frames) text.emplace_back(kFrames, std::to_string(*d->frames));
    if (d->largestWidth && d->largestHeight)
      text.emplace_back(kLargest,
                        std::to_string(*d->largestWidth) + "x" + std::to_string(*d->largestHeight));
    if (!d->reason.empty()) text.emplace_back(kReason, d->reason);
    if (d->blank) text.emplace_back(kBlank, "1");
  }
  return image::RgbaPngWithText(entry.image, text);
}

std::optional<CacheEntry> DecodeEntry(std::span<const std::uint8_t> bytes) {
  std::optional<image::TextPng> png = image::ReadRgbaPngWithText(bytes, kLargeBox);
  if (!png) return std::nullopt;
  CacheEntry entry;
  entry.image = std::move(png->image);
  bool hasUri = false;
  std::optional<std::int64_t> mtime;
  Details details;
  bool ours = false;
  for (const auto& [key, value] : png->text) {
    if (key == kUri) {
      entry.uri = value;
      hasUri = true;
    } else if (key == kMTime) {
      mtime = parseNumber<std::int64_t>(value);
    } else if (key == kSize) {
      entry.size = parseNumber<std::int64_t>(value);
    } else if (key == kFrames) {
      details.frames = parseNumber<int>(value);
      ours = true;
    } else if (key == kLargest) {
      ours |= parseSize(value, details);
    } else if (key == kReason) {
      details.reason = value;
      ours = true;
    } else if (key == kBlank) {
      details.blank = value == "1";
      ours = true;
    }
  }
  if (!hasUri || !mtime) return std::nullopt;
  entry.mtime = *mtime;
  if (ours) entry.details = std::move(details);
  return entry;
}

std::string EntryPath(const std::string& root, const std::string& folder, const std::string& uri) {
  return root + "/" + folder + "/" + CacheName(uri);
}

std::optional<CacheEntry> ReadEntry(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::vector<std::uint8_t> bytes;
  bool whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxEntryBytes;
  if (whole) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  }
  ::close(fd);
  if (!whole) return std::nullopt;
  return DecodeEntry(bytes);
}

void WriteEntry(const std::string& root, const std::string& folder, const CacheEntry& entry) {
  const std::vector<std::uint8_t> bytes = EncodeEntry(entry);
  makeFolders(root, folder);
  const std::string target = EntryPath(root, folder, entry.uri);
  const std::string base = target.substr(target.rfind('/') + 1);
  std::string temp = target.substr(0, target.size() - base.size()) + "." + base + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // 0600
  if (fd < 0) throw SystemError(errno, "thumbnail cache");
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size() && error == 0) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (n == 0 || errno != EINTR)
      error = n < 0 ? errno : ENOSPC;
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    throw SystemError(error, "thumbnail cache");
  }
}

}  // namespace glint::gallery
