#include "surface/memory_dc.h"

namespace glint {

CMemoryDC::CMemoryDC() = default;
CMemoryDC::~CMemoryDC() = default;

}  // namespace glint
