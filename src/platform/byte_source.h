#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace glint {

// Random and sequential reads of raw bytes. A read that would run past the end raises error 62
// and reads nothing; a position before the start raises 63.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t length() = 0;
  // Reads out.size() bytes at the 0-based offset, then continues from there.
  virtual void readAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
  // Reads out.size() bytes where the previous read ended.
  virtual void read(std::span<std::uint8_t> out) = 0;
};

// A byte source over a buffer held in memory (tests, fuzzing).
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::int64_t length() override { return static_cast<std::int64_t>(bytes_.size()); }
  void readAt(std::int64_t offset, std::span<std::uint8_t> out) override;
  void read(std::span<std::uint8_t> out) override { readAt(position_, out); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

// A byte source over a file of its own, for readers outside the window (the converter's threads).
// Small reads are served from a window of the file read ahead, as readers go through a sprite
// six header bytes and a frame's bytes at a time.
class FileSource : public ByteSource {
 public:
  // Raises 52 when the path cannot be opened for reading.
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::int64_t length() override { return length_; }
  void readAt(std::int64_t offset, std::span<std::uint8_t> out) override;
  void read(std::span<std::uint8_t> out) override { readAt(position_, out); }

 private:
  static constexpr std::size_t kReadAhead = 64 * 1024;
  // Reads the window from `offset`; false, with no window, when the file is shorter by now.
  bool readAhead(std::int64_t offset);
  void readFromFile(std::int64_t offset, std::span<std::uint8_t> out);

  int fd_ = -1;
  std::int64_t length_ = 0;
  std::int64_t position_ = 0;
  std::vector<std::uint8_t> ahead_;  // the bytes of the file from aheadAt_ on
  std::int64_t aheadAt_ = 0;
};

}  // namespace glint
