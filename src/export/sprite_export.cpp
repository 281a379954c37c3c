#include "export/sprite_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "export/frame_bmp.h"
#include "platform/errors.h"

namespace glint {
namespace {

constexpr int kSprite = FileChannels::kSpriteChannel;
constexpr int kBitmap = FileChannels::kBitmapChannel;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// The channel table says only "cannot open"; ask the system why, in words a user knows.
std::string whyUnreadable(const std::string& path) {
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

// A stored run that starts with a zero byte needs a count byte after it.
bool endsInCutRun(std::span<const std::uint8_t> stored) {
  std::size_t i = 0;
  while (i < stored.size()) i += stored[i] == 0 ? 2 : 1;
  return i > stored.size();
}

}  // namespace

SpriteExport::SpriteExport(FileChannels& channels, std::string path) : path_(std::move(path)) {
  try {
    channels.openForReading(kSprite, path_);
  } catch (const Error& e) {
    if (e.number() == err::kFileAlreadyOpen)
      throw ExportFailure("Cannot read " + quoted(path_) + ": another file is being read.");
    throw ExportFailure("Cannot read " + quoted(path_) + ": " + whyUnreadable(path_) + ".");
  }
  guard_.emplace(channels, kSprite);
  reader_.emplace(channels.reader(kSprite));
}

void SpriteExport::broken(const std::string& what) const {
  throw ExportFailure("Cannot read " + quoted(path_) + ": the file is broken (" + what + ").");
}

bool SpriteExport::readHeader() {
  try {
    spr::Palette palette = reader_->readPalette();
    colourTable_ = spr::ConvertPalette(palette);
    return reader_->readSignature();
  } catch (const Error& e) {
    if (e.number() == err::kBadRecordNumber)
      throw ExportFailure("Cannot read " + quoted(path_) +
                          ": it is shorter than 1,024 bytes, too short to be a sprite file.");
    throw ExportFailure("Cannot read " + quoted(path_) + ": " + e.description() + ".");
  }
}

int SpriteExport::frameCount() {
  int count = reader_->readFrameCount();
  if (count < 0) broken("its frame count is negative");
  return count;
}

spr::FrameRecord SpriteExport::readFrame(int number) {
  try {
    return reader_->readFrame();
  } catch (const Error& e) {
    std::string frame = "frame " + std::to_string(number);
    if (e.number() == err::kInputPastEnd) broken("it ends inside " + frame);
    if (e.number() == err::kInvalidCall) broken(frame + " is larger than any sprite frame can be");
    throw ExportFailure("Cannot read " + quoted(path_) + ": " + e.description() + ".");
  }
}

std::optional<std::vector<std::uint8_t>> SpriteExport::bitmap(const spr::FrameRecord& frame,
                                                              int number, StatusAndYield& window) {
  try {
    return bmp::FrameFile(frame, colourTable_, window);
  } catch (const Error& e) {
    std::string name = "frame " + std::to_string(number);
    if (e.number() != err::kInvalidCall)
      throw ExportFailure("Cannot read " + quoted(path_) + ": " + e.description() + ".");
    if (endsInCutRun(frame.stored)) broken(name + " ends in the middle of a zero run");
    broken(name + " has pixel data but no width or height");
  }
}

void WriteBitmap(FileChannels& channels, const std::string& path,
                 std::span<const std::uint8_t> bytes) {
  try {
    AtomicFile& file = channels.openForWriting(kBitmap, path);
    ChannelGuard guard(channels, kBitmap);
    file.write(bytes);
    guard.close();
  } catch (const Error& e) {
    // The file layer says why in plain words; name the file as the user gave it.
    throw ExportFailure("Cannot write " + quoted(path) + ": " + e.description() + ".");
  }
}

}  // namespace glint
