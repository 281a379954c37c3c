#include "cli/sprite_input.h"

#include "cli/failure.h"
#include "path/path.h"
#include "platform/errors.h"
#include "platform/file_status.h"
#include "platform/names.h"

namespace glint::cli {

std::string NotInSprite(const std::string& asked, int count) {
  const std::string frames = count == 0   ? "no frames"
                             : count == 1 ? "1 frame"
                                          : std::to_string(count) + " frames";
  return asked + " asked for, but the file has " + frames;
}

SpriteFile::SpriteFile(std::string path) : path_(std::move(path)) {
  const FileStatus status = StatusOf(path_);
  if (status.error != 0) throw Failure(path_, SystemErrorReason(status.error));
  if (status.kind == FileKind::kFolder) throw Failure(path_, "a folder, not a sprite file");
  // Opening a FIFO or a device could block or never end.
  if (status.kind != FileKind::kFile) throw Failure(path_, "not an ordinary file");
  // One folder at a time: a path longer than the system's limit still opens.
  const path::Parts parts = path::Split(path_);
  try {
    source_ = std::make_unique<FileSource>(Folder::OpenPath(parts.folder), parts.name);
  } catch (const SystemError& e) {
    throw Failure(path_, e.description());
  } catch (const Error&) {
    throw Failure(path_, "cannot open the file");
  }
  reader_ = std::make_unique<spr::SprReader>(*source_);
  try {
    count_ = reader_->open(palette_);
  } catch (const spr::Fault& fault) {
    throw Failure(path_, FaultReason(fault));
  }
}

}  // namespace glint::cli
