#pragma once

#include <functional>

#include "platform/errors.h"

namespace glint::testing {

// The number of the error the call raises, 0 when it raises none.
inline int ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace glint::testing
