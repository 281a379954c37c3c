#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "path/path.h"
#include "platform/dir_listing.h"
#include "platform/errors.h"
#include "platform/names.h"
#include "platform/windows/win.h"

namespace glint {
namespace win {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring FullPath(const std::string& path) {
  std::wstring wide = Wide(path.empty() ? "." : path);
  if (wide.starts_with(L"\\\\?\\UNC\\")) return L"\\" + wide.substr(7);
  if (wide.starts_with(L"\\\\?\\")) return wide.substr(4);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return wide;  // a call with this path fails alike, and says why
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

std::wstring Long(const std::wstring& full) {
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring Join(const std::wstring& folder, std::wstring_view name) {
  std::wstring joined = folder;
  if (!joined.empty() && joined.back() != L'\\') joined += L'\\';
  return joined.append(name);
}

namespace {

struct Mapping {
  DWORD code;
  int error;
};
constexpr Mapping kErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_PRIVILEGE_NOT_HELD, EPERM},
    {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_LOCK_VIOLATION, EBUSY},
    {ERROR_USER_MAPPED_FILE, EBUSY},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_BUFFER_OVERFLOW, ENAMETOOLONG},
    {ERROR_DIRECTORY, ENOTDIR},
    {ERROR_INVALID_NAME, EINVAL},
    {ERROR_BAD_PATHNAME, EINVAL},
    {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_NOT_SAME_DEVICE, EXDEV},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},
};

}  // namespace

int ErrnoOf(DWORD code) {
  for (const Mapping& mapping : kErrors)
    if (mapping.code == code) return mapping.error;
  return 0;
}

std::string ReasonOf(DWORD code) {
  // A bad name reads as the name's fault, not as an argument's.
  if (code == ERROR_INVALID_NAME || code == ERROR_BAD_PATHNAME)
    return "a name Windows does not allow";
  if (const int error = ErrnoOf(code); error != 0) return SystemErrorReason(error);
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", length);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (!message.empty() && message.front() >= L'A' && message.front() <= L'Z')
    message.front() = static_cast<wchar_t>(message.front() - L'A' + L'a');
  return (message.empty() ? "system error" : Utf8(message)) + " (" + std::to_string(code) + ")";
}

void Raise(DWORD code, const char* source) {
  if (const int error = ErrnoOf(code); error != 0 && error != EINVAL)
    throw SystemError(error, source);
  throw Error(err::kBadFileName, source, ReasonOf(code));
}

DWORD Inspect(const std::wstring& path, bool followLinks, Info& info, bool& disk) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE file = ::CreateFileW(Long(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
  const BOOL read = ::GetFileInformationByHandle(file, &info.data);
  const DWORD code = read ? 0 : ::GetLastError();
  disk = ::GetFileType(file) == FILE_TYPE_DISK;
  ::CloseHandle(file);
  return code;
}

}  // namespace win

namespace {

using win::Long;

// The root of a full path: "C:\" or "\\server\share\".
std::size_t rootLength(const std::wstring& full) {
  if (!full.starts_with(L"\\\\")) return std::min<std::size_t>(full.size(), 3);
  std::size_t at = full.find(L'\\', 2);
  at = at == std::wstring::npos ? full.size() : full.find(L'\\', at + 1);
  return at == std::wstring::npos ? full.size() : at + 1;
}

[[noreturn]] void folderFailure(int code) { throw SystemError(code, "Folder"); }

bool hiddenEntry(const WIN32_FIND_DATAW& entry) {
  return entry.cFileName[0] == L'.' || (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

// The entry a path names, as its folder lists it (the name in its own letter case).
bool findEntry(const std::string& path, WIN32_FIND_DATAW& entry) {
  if (path.empty()) return false;
  HANDLE find = ::FindFirstFileW(Long(win::FullPath(path)).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  ::FindClose(find);
  return true;
}

}  // namespace

Folder Folder::Open(const std::string& path) {
  std::wstring full = win::FullPath(path);
  const DWORD attributes = ::GetFileAttributesW(Long(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) win::Raise(::GetLastError(), "Folder");
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) folderFailure(ENOTDIR);
  return Folder(NativeFolder{std::move(full)});
}

Folder Folder::OpenPath(const std::string& path, bool create) {
  // The full path has lost what Windows drops from names (a trailing dot or space): the names
  // are looked at as given.
  if (create) {
    const std::string_view parts = std::string_view(path).substr(path::RootLength(path));
    for (std::size_t at = 0; at <= parts.size();) {
      const std::size_t cut = std::min(parts.find_first_of("\\/", at), parts.size());
      const std::string problem = WindowsNameProblem(parts.substr(at, cut - at));
      if (!problem.empty()) throw Error(err::kBadFileName, "Folder", problem);
      at = cut + 1;
    }
  }
  const std::wstring full = win::FullPath(path);
  const DWORD attributes = ::GetFileAttributesW(Long(full).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Folder(NativeFolder{full});
  const std::size_t root = rootLength(full);
  return Folder(NativeFolder{full.substr(0, root)}).open(win::Utf8(full.substr(root)), create);
}

Folder::Folder(Folder&& other) noexcept : native_(std::exchange(other.native_, {})) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) native_ = std::exchange(other.native_, {});
  return *this;
}

Folder::~Folder() = default;

Folder Folder::open(const std::string& below, bool create, bool followLinks) const {
  std::wstring current = native_.path;
  const std::size_t root = rootLength(current);
  const std::wstring parts = win::Wide(below);
  for (std::size_t at = 0; at < parts.size();) {
    std::size_t cut = parts.find_first_of(L"\\/", at);
    if (cut == std::wstring::npos) cut = parts.size();
    const std::wstring part = parts.substr(at, cut - at);
    at = cut + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      const std::size_t last = current.find_last_of(L'\\');
      if (current.size() > root && last != std::wstring::npos) current.resize(std::max(last, root));
      continue;
    }
    std::wstring next = win::Join(current, part);
    DWORD attributes = ::GetFileAttributesW(Long(next).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD code = ::GetLastError();
      if (!create || (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND))
        win::Raise(code, "Folder");
      // A name the system would alter or take for a device is refused rather than made.
      if (const std::string problem = WindowsNameProblem(win::Utf8(part)); !problem.empty())
        throw Error(err::kBadFileName, "Folder", problem);
      if (!::CreateDirectoryW(Long(next).c_str(), nullptr) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS)
        win::Raise(::GetLastError(), "Folder");
      attributes = ::GetFileAttributesW(Long(next).c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES) win::Raise(::GetLastError(), "Folder");
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) folderFailure(create ? EEXIST : ENOTDIR);
    if (!followLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) folderFailure(ELOOP);
    current = std::move(next);
  }
  return Folder(NativeFolder{std::move(current)});
}

int GetAttr(const std::string& path) {
  if (path.empty()) return -1;
  const std::wstring full = win::FullPath(path);
  const DWORD attributes = ::GetFileAttributesW(Long(full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  int bits = static_cast<int>(attributes) &
             (attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kDirectory | attr::kArchive);
  const std::size_t cut = full.find_last_of(L'\\');
  if (cut != std::wstring::npos && cut + 1 < full.size() && full[cut + 1] == L'.')
    bits |= attr::kHidden;
  return bits;
}

// The look-up is exact in letter case, as on systems whose names keep it.
bool OrdinaryFileExists(const std::string& path) {
  WIN32_FIND_DATAW entry{};
  if (!findEntry(path, entry) || hiddenEntry(entry)) return false;
  if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  const std::wstring full = win::FullPath(path);
  return full.substr(full.find_last_of(L'\\') + 1) == entry.cFileName;
}

bool FileOrFolderExists(const std::string& path) {
  return !path.empty() &&
         ::GetFileAttributesW(Long(win::FullPath(path)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern,
                                    ListFilter filter) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry{};
  const std::wstring all = Long(win::Join(win::FullPath(folder), L"*"));
  HANDLE find = ::FindFirstFileW(all.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (hiddenEntry(entry)) continue;
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && filter != ListFilter::FilesAndFolders) continue;
    std::string name = win::Utf8(entry.cFileName);
    if (MatchesPattern(name, pattern)) names.push_back(std::move(name));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  std::stable_sort(names.begin(), names.end(), NameLess);
  return names;
}

}  // namespace glint
