#include "platform/atomic_file.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/errors.h"
#include "platform/layer.h"
#include "platform/names.h"
#include "platform/windows/win.h"

namespace glint {

struct AtomicFile::State {
  const Folder* folder = nullptr;
  std::wstring target;  // full paths, without the long-path mark
  std::wstring temp;    // empty once nothing is left to remove
  HANDLE file = INVALID_HANDLE_VALUE;
};

namespace {

// A missing entry, when a file is being created, is its folder.
[[noreturn]] void fail(int code) {
  throw Error(err::kBadFileName, "AtomicFile",
              code == ENOENT ? "the folder does not exist" : SystemErrorReason(code));
}

[[noreturn]] void failWith(DWORD code) {
  const int error = win::ErrnoOf(code);
  if (error == ENOENT || error == EBUSY) fail(error);
  throw Error(err::kBadFileName, "AtomicFile", win::ReasonOf(code));
}

[[noreturn]] void refuse(const std::string& reason) {
  throw Error(err::kBadFileName, "AtomicFile", reason);
}

// Refuses what may not be replaced: anything but an ordinary file, or a file being read.
void checkReplaceable(const win::Info& info, bool disk, const FileIds& inputs) {
  if (info.directory()) fail(EISDIR);
  if (!disk) refuse("something other than a file has that name");
  if (inputs.count(FileId{info.data.dwVolumeSerialNumber, info.index()}) != 0)
    refuse("it is one of the files being read");
}

// Refuses a sprite that writing to it in place could not replace whole.
void checkSprite(const win::Info& info) {
  if ((info.data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) refuse("it is read-only");
  if (info.data.nNumberOfLinks > 1)
    refuse("it has " + std::to_string(info.data.nNumberOfLinks) +
           " names (hard links), which writing it in place would split; -o with another name "
           "writes a new file");
}

// The temporaries in flight, where a console event finds them. Its handler runs on a thread of
// its own, so a lock is enough; a temporary is made under the lock, so none escapes the handler.
std::mutex registryMutex;
std::vector<const std::wstring*> registry;
bool ending = false;

void forget(const std::wstring* temp) {
  std::lock_guard lock(registryMutex);
  std::erase(registry, temp);
}

BOOL WINAPI removeTemporaries(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  {
    std::lock_guard lock(registryMutex);
    ending = true;
    for (const std::wstring* temp : registry) ::DeleteFileW(win::Long(*temp).c_str());
  }
  ::ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

// A file another program holds open is usually let go soon: tried again for about a second.
template <typename Call>
DWORD patiently(Call call) {
  constexpr int kTries = 20;
  for (int attempt = 1;; ++attempt) {
    const DWORD code = call() ? 0 : ::GetLastError();
    const bool busy = win::Busy(code) || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
    if (!busy) return code;
    if (attempt == kTries) return ERROR_SHARING_VIOLATION;
    ::Sleep(50);
  }
}

// Whether the file may be replaced as far as other programs go: opened as the replace opens it,
// to be told of a program that holds it before the replace starts, which a failed replace may
// leave a stray file behind.
bool replaceable(const std::wstring& target) {
  HANDLE file =
      ::CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

// Attributes a file's content does not decide, which the new content keeps.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

void AtomicFile::StateDeleter::operator()(State* state) const { delete state; }

void AtomicFile::SetWay(Way) {}

namespace layer {

FreeSpace SystemFreeSpace(const Folder& folder) {
  ULARGE_INTEGER available{}, total{};
  const std::wstring root = win::Long(win::Join(folder.native().path, L""));
  if (!::GetDiskFreeSpaceExW(root.c_str(), &available, &total, nullptr)) return {};
  return {available.QuadPart, total.QuadPart};
}

}  // namespace layer

void AtomicFile::start(const Folder& folder, std::string name, const FileIds& inputs, Kind kind) {
  if (name.empty() || name == "." || name == "..") fail(EISDIR);
  if (const std::string problem = WindowsNameProblem(name); !problem.empty()) refuse(problem);
  std::unique_ptr<State, StateDeleter> state(new State);
  state->folder = &folder;
  state->target = win::Join(folder.native().path, win::Wide(name));
  win::Info info;
  bool disk = false;
  if (const DWORD code = win::Inspect(state->target, true, info, disk); code == 0) {
    checkReplaceable(info, disk, inputs);
    if (kind == Kind::kSprite) checkSprite(info);
  } else if (code != ERROR_FILE_NOT_FOUND) {
    failWith(code);
  }
  for (int attempt = 0; state->file == INVALID_HANDLE_VALUE; ++attempt) {
    state->temp = win::Join(folder.native().path, win::Wide(layer::TemporaryName(name, 255)));
    DWORD code = 0;
    {
      std::unique_lock lock(registryMutex);
      if (ending) {
        lock.unlock();
        ::Sleep(INFINITE);  // the process is ending
      }
      // Shared for deletion, so the console handler can remove it while it is open.
      state->file = ::CreateFileW(win::Long(state->temp).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      if (state->file != INVALID_HANDLE_VALUE)
        registry.push_back(&state->temp);
      else
        code = ::GetLastError();
    }
    if (code != 0 && (code != ERROR_FILE_EXISTS || attempt == 100)) failWith(code);
  }
  state_ = std::move(state);
}

AtomicFile::~AtomicFile() { abandon(); }

void AtomicFile::write(std::span<const std::uint8_t> bytes) {
  if (!state_ || state_->file == INVALID_HANDLE_VALUE) fail(EBADF);
  if (bytes.empty()) return;
  if (!layer::RoomFor(*state_->folder, bytes.size())) {
    abandon();
    fail(ENOSPC);
  }
  for (std::size_t done = 0; done < bytes.size();) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD wrote = 0;
    if (!::WriteFile(state_->file, bytes.data() + done, want, &wrote, nullptr)) {
      const DWORD code = ::GetLastError();
      abandon();
      failWith(code);
    }
    done += wrote;
  }
}

void AtomicFile::commit() {
  if (!state_ || state_->file == INVALID_HANDLE_VALUE) fail(EBADF);
  State& s = *state_;
  const bool flushed = ::FlushFileBuffers(s.file);
  DWORD code = flushed ? 0 : ::GetLastError();
  ::CloseHandle(s.file);
  s.file = INVALID_HANDLE_VALUE;
  const std::wstring target = win::Long(s.target), temp = win::Long(s.temp);
  // What stands at the target now is what is replaced: it may have come or gone since the start.
  // A file that comes between the look and the move is looked at once more.
  for (int pass = 0; code == 0 && pass < 2; ++pass) {
    win::Info info;
    bool disk = false;
    if (win::Inspect(s.target, true, info, disk) == 0) {
      try {
        checkReplaceable(info, disk, {});
      } catch (const Error&) {
        abandon();
        throw;
      }
      const DWORD kept = info.data.dwFileAttributes & kKeptAttributes;
      ::SetFileAttributesW(temp.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
      code = patiently([&] {
        return replaceable(target) &&
               ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
      });
      break;
    }
    code = patiently(
        [&] { return ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH); });
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
      code = pass == 0 ? 0 : code;
    else
      break;
  }
  if (code != 0) {
    abandon();
    failWith(code);
  }
  forget(&s.temp);
  s.temp.clear();
}

void AtomicFile::abandon() {
  if (!state_) return;
  State& s = *state_;
  if (s.file != INVALID_HANDLE_VALUE) ::CloseHandle(s.file);
  s.file = INVALID_HANDLE_VALUE;
  if (!s.temp.empty()) {
    ::DeleteFileW(win::Long(s.temp).c_str());
    forget(&s.temp);
    s.temp.clear();
  }
}

void RemoveTemporariesOnSignals() { ::SetConsoleCtrlHandler(removeTemporaries, TRUE); }

}  // namespace glint
