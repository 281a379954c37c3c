#include "cli/sprite_input.h"

#include <sys/stat.h>

#include <cerrno>

#include "cli/export_plan.h"
#include "cli/failure.h"
#include "platform/errors.h"

namespace glint::cli {

std::string FaultReason(const spr::Fault& fault) {
  const std::string frame = "frame " + std::to_string(fault.frame());
  const std::string size = std::to_string(fault.width()) + " x " + std::to_string(fault.height());
  switch (fault.kind()) {
    case spr::Fault::Kind::kShortFile:
      return reason::kShortFile;
    case spr::Fault::Kind::kWrongSignature:
      return reason::kWrongSignature;
    case spr::Fault::Kind::kNegativeCount:
      return reason::kNegativeCount;
    case spr::Fault::Kind::kRecordCutShort:
      return "the file ends inside " + frame;
    case spr::Fault::Kind::kTooManyPixels:
      return "broken file: " + frame + " is too large (" + size + " pixels)";
    case spr::Fault::Kind::kZeroRunCutShort:
      return "broken file: " + frame + " ends inside a run of zeros";
    case spr::Fault::Kind::kPixelsWithoutSize:
      return "broken file: " + frame + " has pixel data but no size (" + size + ")";
  }
  return fault.what();
}

SpriteFile::SpriteFile(std::string path) : path_(std::move(path)) {
  struct stat st {};
  if (int code = StatPath(path_, st); code != 0) throw Failure(path_, SystemErrorReason(code));
  if (S_ISDIR(st.st_mode)) throw Failure(path_, "a folder, not a sprite file");
  // Opening a FIFO or a device could block or never end.
  if (!S_ISREG(st.st_mode)) throw Failure(path_, "not an ordinary file");
  // One folder at a time: a path longer than the system's limit still opens.
  const std::size_t slash = path_.rfind('/');
  try {
    const Folder folder = Folder::OpenPath(slash == std::string::npos ? ""
                                           : slash == 0               ? "/"
                                                                      : path_.substr(0, slash));
    source_ = std::make_unique<FileSource>(
        folder, slash == std::string::npos ? path_ : path_.substr(slash + 1));
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
