#pragma once

#include <memory>
#include <string>

#include "platform/byte_source.h"
#include "platform/fault_reason.h"
#include "spr/sprite.h"

namespace glint::cli {

// "frames 3-5 asked for, but the file has 2 frames".
std::string NotInSprite(const std::string& asked, int count);

// One sprite file opened for reading on the calling thread, its palette and frame count read.
// A file that cannot be opened or is no sprite is a Failure naming the file; faults in the
// records come from the reader as spr::Fault.
class SpriteFile {
 public:
  explicit SpriteFile(std::string path);

  const std::string& path() const { return path_; }
  int frameCount() const { return count_; }
  const spr::Palette& palette() const { return palette_; }
  spr::SprReader& reader() { return *reader_; }
  FileId id() const { return source_->id(); }

 private:
  std::string path_;
  std::unique_ptr<FileSource> source_;
  std::unique_ptr<spr::SprReader> reader_;
  spr::Palette palette_{};
  int count_ = 0;
};

}  // namespace glint::cli
