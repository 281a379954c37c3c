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

#include "path/path.h"
#include "platform/errors.h"
#include "platform/layer.h"

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

// A temporary's name, as a signal handler can read it.
struct InFlight {
  int folder = -1;
  char name[256] = {};
};

// ".NAME." and six letters or digits, within the folder's name limit.
std::string temporaryName(const std::string& name, int folder) {
  long limit = ::fpathconf(folder, _PC_NAME_MAX);
  limit = limit < 16 ? 255 : std::min<long>(limit, 255);
  return layer::TemporaryName(name, static_cast<std::size_t>(limit));
}

std::atomic<AtomicFile::Way> way{[] {
  const char* named = std::getenv("GLINT_NAMED_TEMPORARIES");
  return named != nullptr && *named != '\0' && std::strcmp(named, "0") != 0
             ? AtomicFile::Way::kNamedTemporary
             : AtomicFile::Way::kUnnamedWhereAvailable;
}()};

// The named temporaries in flight, where a signal handler finds them. A slot holds a temporary's
// entry, nothing, or kClaimed once the handler took it: its owner then waits for the end.
constexpr int kSlots = 4096;
std::atomic<InFlight*> slots[kSlots];
InFlight* const kClaimed = reinterpret_cast<InFlight*>(alignof(int));
std::atomic<bool> ending{false};

[[noreturn]] void awaitEnd() {
  for (;;) ::pause();
}

// A slot for the entry, or -1 when all are taken (the temporary is then not removed on a signal).
int keep(InFlight* entry) {
  if (ending) awaitEnd();
  for (int k = 0; k < kSlots; ++k) {
    InFlight* expected = nullptr;
    if (slots[k].compare_exchange_strong(expected, entry)) return k;
  }
  return -1;
}

void release(int slot, InFlight* entry) {
  if (slot < 0) return;
  InFlight* expected = entry;
  if (!slots[slot].compare_exchange_strong(expected, nullptr)) awaitEnd();
}

void removeTemporaries(int signal) {
  ending = true;
  for (auto& slot : slots) {
    InFlight* entry = slot.exchange(kClaimed);
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

// The folder a link's text names, from the folder the link is in.
Folder openLinkedFolder(const Folder& at, const std::string& path) {
  try {
    return path.front() == '/' ? Folder::OpenPath(path) : at.open(path, false);
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

struct AtomicFile::State {
  const Folder* at = nullptr;  // the target's folder, links resolved
  int folder = -1;             // its descriptor
  bool existed = false;
  std::string name;  // the target's name in it
  std::string temp;  // empty while the file has no name
  int fd = -1;
  int slot = -1;  // where a signal finds the temporary's name
  InFlight inFlight;

  void createNamed();
  bool linkNamed(const std::string& temporary);
  void forgetTemporary();
  void checkTarget();  // refuses what came to stand at the target since the start
  void commitUnnamed();
  void abandon();
};

void AtomicFile::StateDeleter::operator()(State* state) const { delete state; }

namespace layer {

FreeSpace SystemFreeSpace(const Folder& folder) {
  struct statvfs vfs {};
  if (::fstatvfs(folder.native().fd, &vfs) != 0) return {};
  return {std::uint64_t{vfs.f_bavail} * vfs.f_frsize, std::uint64_t{vfs.f_blocks} * vfs.f_frsize};
}

}  // namespace layer

void AtomicFile::SetWay(Way chosen) { way = chosen; }

void AtomicFile::start(const Folder& folder, std::string name, const FileIds& inputs, Kind kind) {
  state_.reset(new State());
  State& s = *state_;
  // Links are followed to the file they name, so the link itself survives the rename; most
  // exports write new files, which need one look.
  constexpr int kMostLinks = 40;
  const Folder* at = &folder;
  struct stat st {};
  struct stat followed {};
  bool exists = false, leadsSomewhere = false;
  for (int links = 0;; ++links) {
    if (name.empty() || name == "." || name == "..") fail(EISDIR);
    const int fd = at->native().fd;
    exists = ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) fail(errno);
    if (!exists || !S_ISLNK(st.st_mode)) break;
    if (links == 0) leadsSomewhere = ::fstatat(fd, name.c_str(), &followed, 0) == 0;
    if (links == kMostLinks) refuse("a symbolic link that loops has that name");
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(fd, name.c_str(), link.data(), link.size());
    if (length <= 0) fail(length < 0 ? errno : ENOENT);
    link.resize(static_cast<std::size_t>(length));
    path::Parts linked = path::Split(link);
    if (!linked.folder.empty()) {
      Folder next = openLinkedFolder(*at, linked.folder);
      ownFolder_ = std::move(next);  // `at` may be ownFolder_: the next one is open first
      at = &ownFolder_;
    }
    name = std::move(linked.name);
  }
  // A chain that ends at a name no folder holds, as /proc's links to pipes do, yet leads to
  // something, leads to no file that could be replaced.
  if (!exists && leadsSomewhere && !S_ISREG(followed.st_mode)) refuse("it is not an ordinary file");
  const bool sprite = exists && kind == Kind::kSprite;
  if (exists) checkReplaceable(st, inputs);
  if (sprite) checkSprite(at->native().fd, name, st);
  s.at = at;
  s.folder = at->native().fd;
  s.name = std::move(name);
  s.existed = exists;

#ifdef O_TMPFILE
  // Renaming takes a lock that stops every other thread's path look-ups, so where it can the
  // file starts without a name (a file system without unnamed files says so, and anything else
  // wrong is told by the named way).
  if (way == Way::kUnnamedWhereAvailable && unnamedFilesLinkable())
    s.fd = ::openat(s.folder, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
#endif
  // Either way a new file gets the mode every program's new files get (0666 less the umask).
  if (s.fd < 0) s.createNamed();
  if (sprite) {
    // Before the mode: a new owner clears set-ID bits.
    const std::string kept = keepOwner(s.fd, st);
    if (!kept.empty()) {
      abandon();
      refuse(kept);
    }
  }
  if (exists) ::fchmod(s.fd, st.st_mode & 07777);
}

void AtomicFile::State::createNamed() {
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = temporaryName(name, folder);
    inFlight.folder = folder;
    std::memcpy(inFlight.name, temp.c_str(), temp.size() + 1);
    slot = keep(&inFlight);
    fd = ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int code = errno;
    if (ending) {  // made after the handler looked: removed here instead
      if (fd >= 0) ::unlinkat(folder, temp.c_str(), 0);
      awaitEnd();
    }
    if (fd < 0) {
      release(slot, &inFlight);
      slot = -1;
      temp.clear();
      if (code != EEXIST || attempt == 100) fail(code);
    }
  }
}

AtomicFile::~AtomicFile() { abandon(); }

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  State& s = *state_;
  if (s.fd < 0) fail(EBADF);
  if (bytes.empty()) return;
  if (!layer::RoomFor(*s.at, bytes.size())) {
    abandon();
    fail(ENOSPC);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(s.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int code = errno;
      abandon();
      fail(code);
    }
    done += static_cast<std::size_t>(n);
  }
}

void AtomicFile::State::checkTarget() {
  struct stat st {};
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(st.st_mode)) try {
      checkReplaceable(st, {});
    } catch (const Error&) {
      abandon();
      throw;
    }
}

void AtomicFile::commit() {
  State& s = *state_;
  if (s.fd < 0) fail(EBADF);
  // What stands at the target now is what is replaced: it may have changed since the start. A
  // new file linked in under its name needs no look, since the link fails on anything there.
  if (!s.temp.empty() || s.existed) s.checkTarget();
  if (s.temp.empty()) {
    s.commitUnnamed();
    return;
  }
  int rc = ::close(s.fd);
  s.fd = -1;
  if (rc != 0 || ::renameat(s.folder, s.temp.c_str(), s.folder, s.name.c_str()) != 0) {
    int code = errno;
    abandon();
    fail(code);
  }
  s.forgetTemporary();
}

bool AtomicFile::State::linkNamed(const std::string& temporary) {
  temp = temporary;
  inFlight.folder = folder;
  std::memcpy(inFlight.name, temp.c_str(), temp.size() + 1);
  slot = keep(&inFlight);
  const bool linked = linkUnnamed(fd, folder, temp);
  if (!linked) {
    const int code = errno;
    forgetTemporary();
    errno = code;
  }
  return linked;
}

void AtomicFile::State::commitUnnamed() {
  int code = 0;
  if (!linkUnnamed(fd, folder, name)) {
    code = errno;
    if (code == EEXIST) {  // replaced whole: a temporary name, renamed over the target
      if (!existed) checkTarget();
      for (int attempt = 0;; ++attempt) {
        if (linkNamed(temporaryName(name, folder))) {
          code = ::renameat(folder, temp.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
          if (code != 0) ::unlinkat(folder, temp.c_str(), 0);
          forgetTemporary();
          break;
        }
        code = errno;
        if (code != EEXIST || attempt == 100) break;
      }
    }
  }
  ::close(fd);
  fd = -1;
  if (code != 0) fail(code);
}

void AtomicFile::State::forgetTemporary() {
  release(slot, &inFlight);
  slot = -1;
  temp.clear();
}

void AtomicFile::State::abandon() {
  if (fd >= 0) ::close(fd);
  fd = -1;
  if (!temp.empty()) ::unlinkat(folder, temp.c_str(), 0);
  forgetTemporary();
}

void AtomicFile::abandon() {
  if (state_) state_->abandon();
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
