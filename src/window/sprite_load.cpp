#include "window/sprite_load.h"

#include <new>

#include "platform/errors.h"
#include "window/decode_progress.h"

namespace glint {

WindowSprite::WindowSprite(spr::ByteSource& file, StatusAndYield& window)
    : reader_(file), window_(window) {
  count_ = reader_.open(palette_);
}

std::optional<spr::IndexedImage> WindowSprite::decode(const spr::FrameRecord& record) {
  ShowDecodeProgress(record.stored, window_);
  return spr::DecodeFrameData(record);
}

int WindowErrorNumber(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const spr::Fault& fault) {
    switch (fault.kind()) {
      case spr::Fault::Kind::kShortFile:
        return err::kBadRecordNumber;
      case spr::Fault::Kind::kRecordCutShort:
        return err::kInputPastEnd;
      case spr::Fault::Kind::kWrongSignature:
        return err::kWrongSignature;
      default:
        return err::kInvalidCall;
    }
  } catch (const Error& e) {
    return e.number();
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  } catch (...) {
    return err::kInvalidCall;
  }
}

}  // namespace glint
