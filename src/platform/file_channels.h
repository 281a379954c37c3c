#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "platform/atomic_file.h"
#include "platform/byte_source.h"

namespace glint {

// The window's numbered file channels: 1 reads sprite files, 2 writes BMP files. Owned by the
// window's thread. Opening a channel that is open raises 55; a path that cannot be opened, 52.
class FileChannels {
 public:
  static constexpr int kSpriteChannel = 1;
  static constexpr int kBitmapChannel = 2;

  // Opens a file for reading raw bytes on the channel.
  ByteSource& openForReading(int channel, const std::string& path);
  // Opens a file for writing on the channel; it replaces the target only when closed, and never
  // a file open for reading on a channel.
  AtomicFile& openForWriting(int channel, const std::string& path);
  // The same for the file `name` in an open folder, which must stay open until the channel closes.
  AtomicFile& openForWriting(int channel, const Folder& folder, const std::string& name);

  bool isOpen(int channel) const;
  ByteSource& reader(int channel);  // 52 when the channel is not open for reading
  AtomicFile& writer(int channel);  // 52 when the channel is not open for writing

  // Closes the channel; a written file is committed. Closing a closed channel does nothing.
  void close(int channel);
  // Closes the channel, dropping what was written to it.
  void abandon(int channel);
  int openCount() const { return static_cast<int>(readers_.size() + writers_.size()); }

 private:
  template <typename Open>
  AtomicFile& keepWriter(int channel, Open open);

  std::map<int, std::unique_ptr<FileSource>> readers_;
  std::map<int, std::unique_ptr<AtomicFile>> writers_;
};

// Closes (or, when unwinding from a failure, abandons) a channel that its owner opened.
class ChannelGuard {
 public:
  ChannelGuard(FileChannels& channels, int channel) : channels_(channels), channel_(channel) {}
  ~ChannelGuard() {
    if (armed_) channels_.abandon(channel_);
  }
  ChannelGuard(const ChannelGuard&) = delete;
  ChannelGuard& operator=(const ChannelGuard&) = delete;
  void close() {
    armed_ = false;
    channels_.close(channel_);
  }

 private:
  FileChannels& channels_;
  int channel_;
  bool armed_ = true;
};

}  // namespace glint
