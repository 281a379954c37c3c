#include "platform/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"

namespace glint {

void FileSource::open(const Folder* folder, const std::string& name) {
  const int at = folder != nullptr ? folder->native().fd : AT_FDCWD;
  // Non-blocking, so that a FIFO standing where a sprite should be is refused, not waited on.
  file_ = ::openat(at, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (file_ < 0) throw SystemError(errno, "FileSource");
  struct stat st {};
  if (::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    throw Error(err::kBadFileName);
  }
  length_ = st.st_size;
  id_ = FileId{st.st_dev, st.st_ino};
  modified_ = st.st_mtim.tv_sec;
}

void FileSource::close() {
  if (file_ >= 0) ::close(file_);
  file_ = kNoFile;
}

FileSource::~FileSource() { close(); }

bool FileSource::readFromFile(std::int64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(file_, out.data() + done, out.size() - done,
                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // the file shrank under us
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace glint
