#include "platform/byte_source.h"

#include <windows.h>

#include <algorithm>

#include "platform/errors.h"
#include "platform/windows/win.h"

namespace glint {
namespace {

// 100-nanosecond steps from 1601 to 1970.
constexpr std::int64_t kEpochSteps = 116'444'736'000'000'000;

}  // namespace

void FileSource::open(const Folder* folder, const std::string& name) {
  const std::wstring path =
      folder != nullptr ? win::Join(folder->native().path, win::Wide(name)) : win::FullPath(name);
  // Others may go on writing, renaming or removing it: a reader never stands in their way.
  // Folders open too, to be refused as the other layer refuses them.
  file_ = ::CreateFileW(win::Long(path).c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) win::Raise(::GetLastError(), "FileSource");
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file_, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      ::GetFileType(file_) != FILE_TYPE_DISK) {
    close();
    throw Error(err::kBadFileName);
  }
  length_ = (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  id_ = FileId{info.dwVolumeSerialNumber,
               (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  const std::int64_t steps =
      (static_cast<std::int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime;
  modified_ = (steps - kEpochSteps) / 10'000'000;
}

void FileSource::close() {
  if (file_ != kNoFile) ::CloseHandle(file_);
  file_ = kNoFile;
}

FileSource::~FileSource() { close(); }

// Each read names its offset, so no read depends on where another left the file.
bool FileSource::readFromFile(std::int64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const std::uint64_t at = static_cast<std::uint64_t>(offset) + done;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(file_, out.data() + done, want, &got, &where) || got == 0)
      return false;  // the file shrank under us
    done += got;
  }
  return true;
}

}  // namespace glint
