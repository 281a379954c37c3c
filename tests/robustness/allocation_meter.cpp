#include "allocation_meter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace glint::testing {
namespace {

std::atomic<bool> metering{false};
std::atomic<std::ptrdiff_t> live{0};
std::atomic<std::ptrdiff_t> peakLive{0};
std::atomic<std::size_t> largest{0};

// Each block carries its size, and whether it was counted, in front of it.
struct alignas(std::max_align_t) Header {
  std::size_t size;
  bool counted;
};

void* allocate(std::size_t size) {
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header == nullptr) throw std::bad_alloc();
  header->size = size;
  header->counted = metering.load(std::memory_order_relaxed);
  if (header->counted) {
    const auto now = live += static_cast<std::ptrdiff_t>(size);
    for (auto peak = peakLive.load(); now > peak && !peakLive.compare_exchange_weak(peak, now);) {
    }
    for (auto big = largest.load(); size > big && !largest.compare_exchange_weak(big, size);) {
    }
  }
  return header + 1;
}

void release(void* p) {
  if (p == nullptr) return;
  Header* header = static_cast<Header*>(p) - 1;
  // Only blocks made while metering count, so freeing older ones does not hide new ones.
  if (header->counted) live -= static_cast<std::ptrdiff_t>(header->size);
  std::free(header);
}

}  // namespace

void StartMetering() {
  live = 0;
  peakLive = 0;
  largest = 0;
  metering = true;
}

AllocationFigures StopMetering() {
  metering = false;
  return {largest.load(), static_cast<std::size_t>(peakLive.load())};
}

}  // namespace glint::testing

void* operator new(std::size_t size) { return glint::testing::allocate(size); }
void* operator new[](std::size_t size) { return glint::testing::allocate(size); }
void operator delete(void* p) noexcept { glint::testing::release(p); }
void operator delete[](void* p) noexcept { glint::testing::release(p); }
void operator delete(void* p, std::size_t) noexcept { glint::testing::release(p); }
void operator delete[](void* p, std::size_t) noexcept { glint::testing::release(p); }
