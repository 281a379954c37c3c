#include "platform/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace glint {

FileSource::FileSource(const std::string& path) { open(AT_FDCWD, path); }

FileSource::FileSource(const Folder& folder, const std::string& name) { open(folder.fd(), name); }

void FileSource::open(int folder, const std::string& name) {
  // Non-blocking, so that a FIFO standing where a sprite should be is refused, not waited on.
  fd_ = ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) throw SystemError(errno, "FileSource");
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw Error(err::kBadFileName);
  }
  length_ = st.st_size;
  id_ = FileId{st.st_dev, st.st_ino};
  modified_ = st.st_mtim.tv_sec;
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::readAt(std::int64_t offset, std::span<std::uint8_t> out) {
  if (offset < 0 || offset > length_ || static_cast<std::int64_t>(out.size()) > length_ - offset)
    return false;
  const auto size = static_cast<std::int64_t>(out.size());
  const auto aheadSize = static_cast<std::int64_t>(ahead_.size());
  if (offset >= aheadAt_ && offset + size <= aheadAt_ + aheadSize) {
    if (!out.empty()) std::memcpy(out.data(), ahead_.data() + (offset - aheadAt_), out.size());
  } else if (out.size() >= kReadAhead || !readAhead(offset)) {
    return readFromFile(offset, out);
  } else if (!out.empty()) {
    std::memcpy(out.data(), ahead_.data(), out.size());
  }
  return true;
}

bool FileSource::readAhead(std::int64_t offset) {
  ahead_.resize(static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(kReadAhead), length_ - offset)));
  aheadAt_ = offset;
  if (readFromFile(offset, ahead_)) return true;
  ahead_.clear();  // the file shrank: read only what was asked for
  return false;
}

bool FileSource::readFromFile(std::int64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // the file shrank under us
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace glint
