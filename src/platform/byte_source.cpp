#include "platform/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace glint {
namespace {

void checkRange(std::int64_t offset, std::size_t count, std::int64_t length) {
  if (offset < 0) throw Error(err::kBadRecordNumber);
  if (offset > length || static_cast<std::int64_t>(count) > length - offset)
    throw Error(err::kInputPastEnd);
}

}  // namespace

void MemorySource::readAt(std::int64_t offset, std::span<std::uint8_t> out) {
  checkRange(offset, out.size(), length());
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  position_ = offset + static_cast<std::int64_t>(out.size());
}

FileSource::FileSource(const std::string& path) {
  // Non-blocking, so that a FIFO standing where a sprite should be is refused, not waited on.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    throw Error(err::kBadFileName);
  }
  length_ = st.st_size;
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

void FileSource::readAt(std::int64_t offset, std::span<std::uint8_t> out) {
  checkRange(offset, out.size(), length_);
  const auto size = static_cast<std::int64_t>(out.size());
  const auto aheadSize = static_cast<std::int64_t>(ahead_.size());
  if (offset >= aheadAt_ && offset + size <= aheadAt_ + aheadSize) {
    if (!out.empty()) std::memcpy(out.data(), ahead_.data() + (offset - aheadAt_), out.size());
  } else if (out.size() >= kReadAhead || !readAhead(offset)) {
    readFromFile(offset, out);
  } else if (!out.empty()) {
    std::memcpy(out.data(), ahead_.data(), out.size());
  }
  position_ = offset + size;
}

bool FileSource::readAhead(std::int64_t offset) {
  ahead_.resize(static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(kReadAhead), length_ - offset)));
  aheadAt_ = offset;
  try {
    readFromFile(offset, ahead_);
    return true;
  } catch (const Error&) {
    ahead_.clear();  // the file shrank: read only what was asked for
    return false;
  }
}

void FileSource::readFromFile(std::int64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error(err::kInputPastEnd);  // the file shrank under us
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace glint
