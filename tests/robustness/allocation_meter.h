#pragma once

// Counts what `operator new` hands out, for tests that bound a reader's memory by its input.
// Linked into a test program, it replaces the global allocation functions.

#include <cstddef>

namespace glint::testing {

struct AllocationFigures {
  std::size_t largest = 0;  // the largest single allocation
  std::size_t peak = 0;     // the most bytes live at once, above what was live at the start
};

// Starts a measurement; Stop() ends it and returns its figures.
void StartMetering();
AllocationFigures StopMetering();

}  // namespace glint::testing
