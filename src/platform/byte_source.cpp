#include "platform/byte_source.h"

#include <algorithm>
#include <cstring>

namespace glint {

FileSource::FileSource(const std::string& path) { open(nullptr, path); }

FileSource::FileSource(const Folder& folder, const std::string& name) { open(&folder, name); }

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

}  // namespace glint
