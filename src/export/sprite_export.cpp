#include "export/sprite_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bmp/bmp.h"
#include "image/naming.h"
#include "path/path.h"
#include "platform/errors.h"
#include "platform/fault_reason.h"

namespace glint {
namespace {

constexpr int kSprite = FileChannels::kSpriteChannel;
constexpr int kBitmap = FileChannels::kBitmapChannel;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// The channel table says only "cannot open"; ask the system why, in words a user knows.
std::string whyUnreadable(const std::string& path) {
  std::error_code ec;  // opening a FIFO to ask would wait for its writer
  using enum std::filesystem::file_type;
  const auto type = std::filesystem::status(path, ec).type();
  if (!ec && type != regular && type != not_found) return "it is not an ordinary file";
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f != nullptr) {
    std::fclose(f);
    return "it is not an ordinary file";
  }
  switch (errno) {
    case ENOENT:
      return "the file does not exist";
    case EACCES:
    case EPERM:
      return "permission denied";
    case EISDIR:
      return "it is a folder";
    default:
      return std::strerror(errno);
  }
}

ByteSource& openSprite(FileChannels& channels, const std::string& path) {
  try {
    return channels.openForReading(kSprite, path);
  } catch (const Error& e) {
    if (e.number() == err::kFileAlreadyOpen)
      throw ExportFailure("Cannot read " + quoted(path) + ": another file is being read.");
    throw ExportFailure(UnreadableMessage(path));
  }
}

}  // namespace

std::string UnreadableMessage(const std::string& path) {
  return "Cannot read " + quoted(path) + ": " + whyUnreadable(path) + ".";
}

std::string FaultMessage(const std::string& path, const spr::Fault& fault) {
  switch (fault.kind()) {
    case spr::Fault::Kind::kShortFile:
      return "Cannot read " + quoted(path) +
             ": it is shorter than 1,024 bytes, too short to be a sprite file.";
    case spr::Fault::Kind::kWrongSignature:
      return "Cannot read " + quoted(path) + ": it is not a sprite file.";
    default:
      return "Cannot read " + quoted(path) + ": the file is broken (" + FaultDetail(fault) + ").";
  }
}

std::string UnwritableMessage(const std::string& path, const std::string& reason) {
  return "Cannot write " + quoted(path) + ": " + reason + ".";
}

SpriteExport::SpriteExport(FileChannels& channels, StatusAndYield& window, std::string path)
    : path_(std::move(path)), file_(openSprite(channels, path_)), window_(window) {
  guard_.emplace(channels, kSprite);
}

void SpriteExport::broken(const spr::Fault& fault) const {
  throw ExportFailure(FaultMessage(path_, fault));
}

bool SpriteExport::readHeader() {
  try {
    sprite_.emplace(file_, window_);
  } catch (const spr::Fault& fault) {
    if (fault.kind() == spr::Fault::Kind::kWrongSignature) return false;
    broken(fault);
  }
  colourTable_ = bmp::ConvertPalette(sprite_->palette());
  return true;
}

spr::FrameRecord SpriteExport::readFrame() {
  try {
    return sprite_->readFrame();
  } catch (const spr::Fault& fault) {
    broken(fault);
  }
}

std::optional<std::vector<std::uint8_t>> SpriteExport::bitmap(const spr::FrameRecord& frame) {
  try {
    const std::optional<spr::IndexedImage> image = sprite_->decode(frame);
    if (!image) return std::nullopt;
    return bmp::FrameFile(*image, colourTable_);
  } catch (const spr::Fault& fault) {
    broken(fault);
  }
}

void BitmapWriter::write(const std::string& path, std::span<const std::uint8_t> bytes) {
  try {
    path::Parts parts = path::Split(path);
    if (!folder_ || parts.folder != folderPath_) {
      folder_ = AtomicFile::OpenFolder(path);
      folderPath_ = std::move(parts.folder);
    }
    AtomicFile& file = channels_.openForWriting(kBitmap, *folder_, parts.name);
    ChannelGuard guard(channels_, kBitmap);
    file.write(bytes);
    guard.close();
  } catch (const Error& e) {
    // The file layer says why in plain words; name the file as the user gave it.
    throw ExportFailure(UnwritableMessage(path, e.description()));
  }
}

}  // namespace glint
