#include "platform/atomic_file.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "path/path.h"
#include "platform/errors.h"
#include "platform/names.h"

namespace glint {
namespace {

// A missing entry, when a file is being created, is its folder.
[[noreturn]] void fail(int code) {
  throw Error(err::kBadFileName, "AtomicFile",
              code == ENOENT ? "the folder does not exist" : SystemErrorReason(code));
}

[[noreturn]] void refuse(const std::string& reason) {
  throw Error(err::kBadFileName, "AtomicFile", reason);
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

// ".NAME." and six letters or digits; NAME loses whole characters from its end until the name
// fits the folder's limit.
std::string temporaryName(const std::string& name, int folder) {
  long limit = ::fpathconf(folder, _PC_NAME_MAX);
  limit = limit < 16 ? 255 : std::min<long>(limit, 255);
  std::size_t keep = std::min(name.size(), static_cast<std::size_t>(limit) - 8);
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
    --keep;
  std::string temporary(1, '.');
  temporary.append(name, 0, keep).append(1, '.').append(randomSuffix());
  return temporary;
}

std::atomic<AtomicFile::Way> way{[] {
  const char* named = std::getenv("GLINT_NAMED_TEMPORARIES");
  return named != nullptr && *named != '\0' && std::strcmp(named, "0") != 0
             ? AtomicFile::Way::kNamedTemporary
             : AtomicFile::Way::kUnnamedWhereAvailable;
}()};

std::mutex queryMutex;
std::function<FreeSpace(int)> freeSpaceQuery;

FreeSpace systemFreeSpace(int fd) {
  struct statvfs vfs {};
  if (::fstatvfs(fd, &vfs) != 0) return {};
  return {std::uint64_t{vfs.f_bavail} * vfs.f_frsize, std::uint64_t{vfs.f_blocks} * vfs.f_frsize};
}

// The named temporaries in flight, where a signal handler finds them. A slot holds a temporary's
// entry, nothing, or kClaimed once the handler took it: its owner then waits for the end.
constexpr int kSlots = 4096;
std::atomic<AtomicFile::InFlight*> slots[kSlots];
AtomicFile::InFlight* const kClaimed = reinterpret_cast<AtomicFile::InFlight*>(alignof(int));
std::atomic<bool> ending{false};

[[noreturn]] void awaitEnd() {
  for (;;) ::pause();
}

// A slot for the entry, or -1 when all are taken (the temporary is then not removed on a signal).
int keep(AtomicFile::InFlight* entry) {
  if (ending) awaitEnd();
  for (int k = 0; k < kSlots; ++k) {
    AtomicFile::InFlight* expected = nullptr;
    if (slots[k].compare_exchange_strong(expected, entry)) return k;
  }
  return -1;
}

void release(int slot, AtomicFile::InFlight* entry) {
  if (slot < 0) return;
  AtomicFile::InFlight* expected = entry;
  if (!slots[slot].compare_exchange_strong(expected, nullptr)) awaitEnd();
}

void removeTemporaries(int signal) {
  ending = true;
  for (auto& slot : slots) {
    AtomicFile::InFlight* entry = slot.exchange(kClaimed);
    if (entry != nullptr && entry != kClaimed) ::unlinkat(entry->folder, entry->name, 0);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);  // delivered once this handler returns
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

bool linkUnnamed(int fd, int folder, const std::string& name) {
#ifdef AT_EMPTY_PATH
  if (linkByDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT) return false;  // an answer about the name, not about the privilege
  }
#endif
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
  linkByDescriptor.store(false, std::memory_order_relaxed);
  return true;
}

Folder openFolder(int at, const std::string& path) {
  const int fd = ::openat(at, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  return Folder::Adopt(fd);
}

// A folder of any depth, named by a path of any length.
Folder openFolderPath(const std::string& path) {
  try {
    return Folder::OpenPath(path);
  } catch (const SystemError& e) {
    fail(e.code());
  }
}

// Refuses what may not be replaced: anything but an ordinary file, or a file being read.
void checkReplaceable(const struct stat& st, const FileIds& inputs) {
  if (S_ISDIR(st.st_mode)) fail(EISDIR);
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) refuse("a device has that name");
  if (S_ISFIFO(st.st_mode)) refuse("a FIFO has that name");
  if (S_ISSOCK(st.st_mode)) refuse("a socket has that name");
  if (!S_ISREG(st.st_mode)) refuse("something other than a file has that name");
  if (inputs.count(FileId{st.st_dev, st.st_ino}) != 0) refuse("it is one of the files being read");
}

// Refuses a sprite that writing to it in place could not replace, or could not replace whole.
void checkSprite(int folder, const std::string& name, const struct stat& st) {
  if (::faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0) {
    if (errno == EACCES) refuse("it is read-only");
    fail(errno);
  }
  if (st.st_nlink > 1)
    refuse("it has " + std::to_string(st.st_nlink) +
           " names (hard links), which writing it in place would split; -o with another name "
           "writes a new file");
}

std::string userName(uid_t uid) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  char text[4096];
  if (::getpwuid_r(uid, &entry, text, sizeof text, &found) == 0 && found != nullptr)
    return found->pw_name;
  return "user " + std::to_string(uid);
}

std::string groupName(gid_t gid) {
  struct group entry {};
  struct group* found = nullptr;
  char text[4096];
  if (::getgrgid_r(gid, &entry, text, sizeof text, &found) == 0 && found != nullptr)
    return found->gr_name;
  return "group " + std::to_string(gid);
}

// Gives the new file the old one's owner and group: the reason it cannot, or nothing. Only a
// privileged user may give a file away, or to a group it is not in.
std::string keepOwner(int fd, const struct stat& old) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return SystemErrorReason(errno);
  if ((now.st_uid == old.st_uid && now.st_gid == old.st_gid) ||
      ::fchown(fd, old.st_uid, old.st_gid) == 0)
    return {};
  if (errno != EPERM) return SystemErrorReason(errno);
  if (old.st_uid != ::geteuid())
    return "its owner cannot be kept: it belongs to another user (" + userName(old.st_uid) + ")";
  return "its group cannot be kept: this user is not in its group (" + groupName(old.st_gid) + ")";
}

}  // namespace

void AtomicFile::SetWay(Way chosen) { way = chosen; }

void AtomicFile::SetFreeSpaceQuery(std::function<FreeSpace(int fd)> query) {
  std::lock_guard lock(queryMutex);
  freeSpaceQuery = std::move(query);
}

Folder AtomicFile::OpenFolder(const std::string& target) {
  return openFolderPath(path::Split(target).folder);
}

AtomicFile::AtomicFile(const std::string& target, const FileIds& inputs, Kind kind) {
  path::Parts parts = path::Split(target);
  ownFolder_ = openFolderPath(parts.folder);
  start(ownFolder_.fd(), std::move(parts.name), inputs, kind);
}

AtomicFile::AtomicFile(const Folder& folder, const std::string& name, const FileIds& inputs,
                       Kind kind) {
  start(folder.fd(), name, inputs, kind);
}

AtomicFile::AtomicFile(Folder&& folder, const std::string& name, const FileIds& inputs, Kind kind)
    : ownFolder_(std::move(folder)) {
  start(ownFolder_.fd(), name, inputs, kind);
}

void AtomicFile::start(int folder, std::string name, const FileIds& inputs, Kind kind) {
  // Links are followed to the file they name, so the link itself survives the rename; most
  // exports write new files, which need one look.
  constexpr int kMostLinks = 40;
  struct stat st {};
  struct stat followed {};
  bool exists = false, leadsSomewhere = false;
  for (int links = 0;; ++links) {
    if (name.empty() || name == "." || name == "..") fail(EISDIR);
    exists = ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) fail(errno);
    if (!exists || !S_ISLNK(st.st_mode)) break;
    if (links == 0) leadsSomewhere = ::fstatat(folder, name.c_str(), &followed, 0) == 0;
    if (links == kMostLinks) refuse("a symbolic link that loops has that name");
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(folder, name.c_str(), link.data(), link.size());
    if (length <= 0) fail(length < 0 ? errno : ENOENT);
    link.resize(static_cast<std::size_t>(length));
    path::Parts linked = path::Split(link);
    if (!linked.folder.empty()) {
      ownFolder_ = openFolder(folder, linked.folder);
      folder = ownFolder_.fd();
    }
    name = std::move(linked.name);
  }
  // A chain that ends at a name no folder holds, as /proc's links to pipes do, yet leads to
  // something, leads to no file that could be replaced.
  if (!exists && leadsSomewhere && !S_ISREG(followed.st_mode)) refuse("it is not an ordinary file");
  const bool sprite = exists && kind == Kind::kSprite;
  if (exists) checkReplaceable(st, inputs);
  if (sprite) checkSprite(folder, name, st);
  folder_ = folder;
  name_ = std::move(name);
  existed_ = exists;

#ifdef O_TMPFILE
  // Renaming takes a lock that stops every other thread's path look-ups, so where it can the
  // file starts without a name (a file system without unnamed files says so, and anything else
  // wrong is told by the named way).
  if (way == Way::kUnnamedWhereAvailable && unnamedFilesLinkable())
    fd_ = ::openat(folder_, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
#endif
  // Either way a new file gets the mode every program's new files get (0666 less the umask).
  if (fd_ < 0) createNamed();
  if (sprite) {
    const std::string kept = keepOwner(fd_, st);  // before the mode: a new owner clears set-ID bits
    if (!kept.empty()) {
      abandon();
      refuse(kept);
    }
  }
  if (exists) ::fchmod(fd_, st.st_mode & 07777);
}

void AtomicFile::createNamed() {
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = temporaryName(name_, folder_);
    inFlight_.folder = folder_;
    std::memcpy(inFlight_.name, temp_.c_str(), temp_.size() + 1);
    slot_ = keep(&inFlight_);
    fd_ = ::openat(folder_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int code = errno;
    if (ending) {  // made after the handler looked: removed here instead
      if (fd_ >= 0) ::unlinkat(folder_, temp_.c_str(), 0);
      awaitEnd();
    }
    if (fd_ < 0) {
      release(slot_, &inFlight_);
      slot_ = -1;
      temp_.clear();
      if (code != EEXIST || attempt == 100) fail(code);
    }
  }
}

AtomicFile::~AtomicFile() { abandon(); }

void AtomicFile::checkRoom(std::size_t bytes) {
  std::function<FreeSpace(int)> query;
  {
    std::lock_guard lock(queryMutex);
    query = freeSpaceQuery;
  }
  const FreeSpace space = query ? query(fd_) : systemFreeSpace(fd_);
  if (space.total == 0) return;  // a file system that tells nothing
  const std::uint64_t kept = std::max(kMinFree, space.total / 100);
  if (space.available < kept || space.available - kept < bytes) {
    abandon();
    fail(ENOSPC);
  }
}

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) fail(EBADF);
  if (bytes.empty()) return;
  checkRoom(bytes.size());
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

void AtomicFile::checkTarget() {
  struct stat st {};
  if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(st.st_mode))
    try {
      checkReplaceable(st, {});
    } catch (const Error&) {
      abandon();
      throw;
    }
}

void AtomicFile::commit() {
  if (fd_ < 0) fail(EBADF);
  // What stands at the target now is what is replaced: it may have changed since the start. A
  // new file linked in under its name needs no look, since the link fails on anything there.
  if (!temp_.empty() || existed_) checkTarget();
  if (temp_.empty()) {
    commitUnnamed();
    return;
  }
  int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0 || ::renameat(folder_, temp_.c_str(), folder_, name_.c_str()) != 0) {
    int code = errno;
    abandon();
    fail(code);
  }
  forgetTemporary();
}

bool AtomicFile::linkNamed(const std::string& temp) {
  temp_ = temp;
  inFlight_.folder = folder_;
  std::memcpy(inFlight_.name, temp_.c_str(), temp_.size() + 1);
  slot_ = keep(&inFlight_);
  const bool linked = linkUnnamed(fd_, folder_, temp_);
  if (!linked) {
    const int code = errno;
    forgetTemporary();
    errno = code;
  }
  return linked;
}

void AtomicFile::commitUnnamed() {
  int code = 0;
  if (!linkUnnamed(fd_, folder_, name_)) {
    code = errno;
    if (code == EEXIST) {  // replaced whole: a temporary name, renamed over the target
      if (!existed_) checkTarget();
      for (int attempt = 0;; ++attempt) {
        if (linkNamed(temporaryName(name_, folder_))) {
          code = ::renameat(folder_, temp_.c_str(), folder_, name_.c_str()) == 0 ? 0 : errno;
          if (code != 0) ::unlinkat(folder_, temp_.c_str(), 0);
          forgetTemporary();
          break;
        }
        code = errno;
        if (code != EEXIST || attempt == 100) break;
      }
    }
  }
  ::close(fd_);
  fd_ = -1;
  if (code != 0) fail(code);
}

void AtomicFile::forgetTemporary() {
  release(slot_, &inFlight_);
  slot_ = -1;
  temp_.clear();
}

void AtomicFile::abandon() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlinkat(folder_, temp_.c_str(), 0);
  forgetTemporary();
}

void WriteFileAtomically(const std::string& target, std::span<const std::uint8_t> bytes) {
  AtomicFile file(target);
  file.write(bytes);
  file.commit();
}

void RemoveTemporariesOnSignals() {
  struct sigaction action {};
  action.sa_handler = removeTemporaries;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace glint
