#pragma once

// What both export commands share: reading one sprite file on channel 1 and writing BMP files on
// channel 2, every failure turned into one sentence that names the file and says what went wrong.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_channels.h"
#include "platform/status.h"
#include "spr/sprite.h"
#include "window/sprite_load.h"

namespace glint {

// An export stopped; what() is the message for the user.
class ExportFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The sprite file of one export, open on channel 1 from construction until close() or
// destruction (which abandons the channel when unwinding), read as the window reads a sprite.
class SpriteExport {
 public:
  SpriteExport(FileChannels& channels, StatusAndYield& window, std::string path);

  // Reads the palette into the colour table, the signature and the count; false for a file that
  // is not a sprite, a broken file's message for a short one or a negative count.
  bool readHeader();
  int frameCount() const { return sprite_->count(); }
  // The next frame record.
  spr::FrameRecord readFrame();
  // The frame's BMP file, or nullopt for a frame without pixels. Progress goes to the window.
  std::optional<std::vector<std::uint8_t>> bitmap(const spr::FrameRecord& frame);
  void close() { guard_->close(); }

  const std::string& path() const { return path_; }

 private:
  [[noreturn]] void broken(const spr::Fault& fault) const;

  std::string path_;
  // Armed only once the channel is ours: a failed open must not close another reader's channel.
  std::optional<ChannelGuard> guard_;
  ByteSource& file_;
  StatusAndYield& window_;
  std::optional<WindowSprite> sprite_;
  std::vector<std::uint8_t> colourTable_;
};

// The messages of a sprite that cannot be read: the file cannot be opened, or a fault in it.
std::string UnreadableMessage(const std::string& path);
std::string FaultMessage(const std::string& path, const spr::Fault& fault);
// A file that cannot be written; `reason` in plain words.
std::string UnwritableMessage(const std::string& path, const std::string& reason);

// Writes the BMP files of one export through channel 2, each target replaced only when its file
// is complete. The folder is opened for the first file and kept while the files go there.
class BitmapWriter {
 public:
  explicit BitmapWriter(FileChannels& channels) : channels_(channels) {}
  void write(const std::string& path, std::span<const std::uint8_t> bytes);

 private:
  FileChannels& channels_;
  std::string folderPath_;
  std::optional<Folder> folder_;
};

}  // namespace glint
