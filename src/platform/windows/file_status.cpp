#include "platform/file_status.h"

#include <windows.h>

#include <cerrno>

#include "platform/windows/win.h"

namespace glint {
namespace {

FileStatus statusAt(const std::wstring& path, bool followLinks) {
  FileStatus status;
  win::Info info;
  bool disk = false;
  if (const DWORD code = win::Inspect(path, followLinks, info, disk); code != 0) {
    const int error = win::ErrnoOf(code);
    status.error = error != 0 ? error : EIO;
    return status;
  }
  if (info.reparse() && !followLinks)
    status.kind = FileKind::kLink;
  else if (info.directory())
    status.kind = FileKind::kFolder;
  else
    status.kind = disk ? FileKind::kFile : FileKind::kOther;
  status.id = FileId{info.data.dwVolumeSerialNumber, info.index()};
  status.size = info.size();
  status.links = info.data.nNumberOfLinks;
  return status;
}

}  // namespace

FileStatus StatusOf(const std::string& path) { return statusAt(win::FullPath(path), true); }

FileStatus StatusIn(const Folder& folder, const std::string& name, bool followLinks) {
  return statusAt(win::Join(folder.native().path, win::Wide(name)), followLinks);
}

int ListNames(const Folder& folder, std::vector<std::string>& names) {
  WIN32_FIND_DATAW entry{};
  const std::wstring all = win::Long(win::Join(folder.native().path, L"*"));
  HANDLE find = ::FindFirstFileW(all.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return 0;  // a bare root
    const int error = win::ErrnoOf(code);
    return error != 0 ? error : EIO;
  }
  do {
    const std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(win::Utf8(name));
  } while (::FindNextFileW(find, &entry));
  const DWORD code = ::GetLastError();
  ::FindClose(find);
  if (code == ERROR_NO_MORE_FILES) return 0;
  const int error = win::ErrnoOf(code);
  return error != 0 ? error : EIO;
}

}  // namespace glint
