#pragma once

#include "platform/gdi.h"

namespace glint {

// An off-screen drawing surface: a memory context with one bitmap selected into it.
class CMemoryDC {
 public:
  CMemoryDC();
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;
};

}  // namespace glint
