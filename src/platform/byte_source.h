#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/native.h"
#include "spr/sprite.h"

namespace glint {

using spr::ByteSource;

// A byte source over a file of its own. Small reads are served from a window of the file read
// ahead, as readers go through a sprite six header bytes and a frame's bytes at a time. A file
// that shrinks or fails to read under the reader reads as ended there.
class FileSource : public ByteSource {
 public:
  // Raises 52 when the path is not an ordinary file, or as a SystemError when it cannot be opened
  // for reading.
  explicit FileSource(const std::string& path);
  // The file `name` in an open folder.
  FileSource(const Folder& folder, const std::string& name);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::int64_t length() override { return length_; }
  FileId id() const { return id_; }
  // The last change, in whole seconds since the epoch.
  std::int64_t modified() const { return modified_; }
  bool readAt(std::int64_t offset, std::span<std::uint8_t> out) override;

 private:
  static constexpr std::size_t kReadAhead = 64 * 1024;
  // Reads the window from `offset`; false, with no window, when the file is shorter by now.
  bool readAhead(std::int64_t offset);
  bool readFromFile(std::int64_t offset, std::span<std::uint8_t> out);

  // Opens `name` in `folder`, or the path `name` when there is no folder; implemented once a
  // file layer.
  void open(const Folder* folder, const std::string& name);
  void close();

  NativeFile file_ = kNoFile;
  std::int64_t length_ = 0;
  FileId id_;
  std::int64_t modified_ = 0;
  std::vector<std::uint8_t> ahead_;  // the bytes of the file from aheadAt_ on
  std::int64_t aheadAt_ = 0;
};

}  // namespace glint
