#include "array_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> gWatching{false};
std::atomic<std::size_t> gLargest{0};

void* Allocate(std::size_t n) {
  if (gWatching.load(std::memory_order_relaxed) && n > gLargest.load(std::memory_order_relaxed)) gLargest = n;
  return std::malloc(n ? n : 1);
}
}  // namespace

LargestArrayAllocation::LargestArrayAllocation() {
  gLargest = 0;
  gWatching = true;
}
LargestArrayAllocation::~LargestArrayAllocation() { gWatching = false; }
std::size_t LargestArrayAllocation::bytes() const { return gLargest.load(); }

void* operator new[](std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
