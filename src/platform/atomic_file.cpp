#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/errors.h"

namespace glint {
namespace fs = std::filesystem;
namespace {

// A missing entry, when a file is being created, is its folder.
[[noreturn]] void fail(int code) {
  throw Error(err::kBadFileName, "AtomicFile",
              code == ENOENT ? "the folder does not exist" : SystemErrorReason(code));
}

// Follows symbolic links to the file they name, so the link itself survives the rename.
std::string resolveLinks(const std::string& path) {
  std::error_code ec;
  fs::path p(path);
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    fs::path next = fs::read_symlink(p, ec);
    if (ec) break;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p.string();
}

// Read once: umask() can only be read by setting it, which would race between threads.
mode_t currentUmask() {
  static const mode_t mask = [] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(resolveLinks(target)) {
  fs::path t(target_);
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fail(EISDIR);
  fs::path dir = t.has_parent_path() ? t.parent_path() : fs::path(".");
  std::string pattern = (dir / ("." + t.filename().string() + ".XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  fd_ = ::mkstemp(buf.data());
  if (fd_ < 0) fail(errno);
  temp_ = buf.data();
  mode_t mode =
      (::stat(target_.c_str(), &st) == 0) ? (st.st_mode & 07777) : (0666 & ~currentUmask());
  ::fchmod(fd_, mode);
}

AtomicFile::~AtomicFile() { abandon(); }

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) fail(EBADF);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int code = errno;
      abandon();
      fail(code);
    }
    done += static_cast<std::size_t>(n);
  }
}

void AtomicFile::commit() {
  if (fd_ < 0) fail(EBADF);
  int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) {
    int code = errno;
    ::unlink(temp_.c_str());
    temp_.clear();
    fail(code);
  }
  temp_.clear();
}

void AtomicFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

void WriteFileAtomically(const std::string& target, std::span<const std::uint8_t> bytes) {
  AtomicFile file(target);
  file.write(bytes);
  file.commit();
}

}  // namespace glint
