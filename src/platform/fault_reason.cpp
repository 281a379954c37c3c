#include "platform/fault_reason.h"

namespace glint {

std::string FaultDetail(const spr::Fault& fault) {
  const std::string frame = "frame " + std::to_string(fault.frame());
  const std::string size = std::to_string(fault.width()) + " x " + std::to_string(fault.height());
  switch (fault.kind()) {
    case spr::Fault::Kind::kShortFile:
      return "shorter than 1,024 bytes";
    case spr::Fault::Kind::kWrongSignature:
      return "wrong signature";
    case spr::Fault::Kind::kNegativeCount:
      return "the frame count is above 32,767";
    case spr::Fault::Kind::kRecordCutShort:
      return "the file ends inside " + frame;
    case spr::Fault::Kind::kTooManyPixels:
      return frame + " is too large (" + size + " pixels)";
    case spr::Fault::Kind::kZeroRunCutShort:
      return frame + " ends inside a run of zeros";
    case spr::Fault::Kind::kPixelsWithoutSize:
      return frame + " has pixel data but no size (" + size + ")";
  }
  return fault.what();
}

std::string FaultReason(const spr::Fault& fault) {
  switch (fault.kind()) {
    case spr::Fault::Kind::kShortFile:
    case spr::Fault::Kind::kWrongSignature:
      return "not a sprite file: " + FaultDetail(fault);
    case spr::Fault::Kind::kRecordCutShort:
      return FaultDetail(fault);
    default:
      return "broken file: " + FaultDetail(fault);
  }
}

}  // namespace glint
