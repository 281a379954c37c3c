#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

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

// Six letters or digits for a temporary name, as mkstemp makes them.
std::string randomSuffix() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uint64_t bits = random();
  std::string suffix(6, ' ');
  for (char& c : suffix) {
    c = kLetters[bits % (sizeof(kLetters) - 1)];
    bits /= sizeof(kLetters) - 1;
  }
  return suffix;
}

// The temporary names for a target: ".NAME." and six letters or digits, in its folder.
std::string tempStem(const std::string& target) {
  fs::path t(target);
  fs::path dir = t.has_parent_path() ? t.parent_path() : fs::path(".");
  std::string name(1, '.');
  name += t.filename().string();
  name += '.';
  return (dir / name).string();
}

// An unnamed file is linked in through its /proc entry, which needs /proc.
bool unnamedFilesLinkable() {
#ifdef O_TMPFILE
  static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
  return linkable;
#else
  return false;
#endif
}

// Linking a file by its descriptor alone needs a privilege most users lack, and the /proc entry
// costs a look-up more; which way works is learnt on the first link.
std::atomic<bool> linkByDescriptor{true};

bool linkUnnamed(int fd, const std::string& name) {
#ifdef AT_EMPTY_PATH
  if (linkByDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT) return false;  // an answer about the name, not about the privilege
  }
#endif
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
    return false;
  linkByDescriptor.store(false, std::memory_order_relaxed);
  return true;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
  // One look at the target says whether it is a link to follow, a folder, or a file whose
  // permissions to keep; most exports write new files, which need nothing more.
  struct stat st {};
  bool exists = ::lstat(target_.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    target_ = resolveLinks(target);
    exists = ::stat(target_.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) fail(EISDIR);

#ifdef O_TMPFILE
  // Renaming takes a lock that stops every other thread's path look-ups, so where it can the
  // file starts without a name (a file system without unnamed files says so, and anything else
  // wrong is told by the named way).
  if (unnamedFilesLinkable()) {
    const std::size_t slash = target_.rfind('/');
    const std::string dir = slash == std::string::npos ? "."
                            : slash == 0               ? "/"
                                                       : target_.substr(0, slash);
    fd_ = ::open(dir.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
  }
#endif
  // Either way a new file gets the mode every program's new files get (0666 less the umask).
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = tempStem(target_) + randomSuffix();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int code = errno;
    if (fd_ < 0 && (code != EEXIST || attempt == 100)) {
      temp_.clear();
      fail(code);
    }
  }
  if (exists) ::fchmod(fd_, st.st_mode & 07777);
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
  if (temp_.empty()) {
    commitUnnamed();
    return;
  }
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

void AtomicFile::commitUnnamed() {
  auto linkAs = [&](const std::string& name) { return linkUnnamed(fd_, name); };
  int code = 0;
  if (!linkAs(target_)) {
    code = errno;
    if (code == EEXIST) {  // replaced whole: a temporary name, renamed over the target
      const std::string stem = tempStem(target_);
      for (int attempt = 0;; ++attempt) {
        temp_ = stem + randomSuffix();
        if (linkAs(temp_)) {
          code = ::rename(temp_.c_str(), target_.c_str()) == 0 ? 0 : errno;
          if (code != 0) ::unlink(temp_.c_str());
          break;
        }
        code = errno;
        if (code != EEXIST || attempt == 100) break;
      }
      temp_.clear();
    }
  }
  ::close(fd_);
  fd_ = -1;
  if (code != 0) fail(code);
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
