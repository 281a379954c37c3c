#pragma once

#include <string>

#include "spr/sprite.h"

namespace glint {

// What is wrong with a sprite file, in the converter's words ("broken file: frame 2 ends inside
// a run of zeros"). Every message that tells a fault in words takes it from here.
std::string FaultReason(const spr::Fault& fault);

// The same without the leading class of the fault ("frame 2 ends inside a run of zeros"), for
// messages that say the file is broken in their own way.
std::string FaultDetail(const spr::Fault& fault);

}  // namespace glint
