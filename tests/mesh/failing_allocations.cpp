// The test program's operator new, forwarding to malloc unless a FailingAllocations scope says to
// refuse.
#include "failing_allocations.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long tRemaining = -1;  // negative: not counting
thread_local bool tRefused = false;
thread_local bool tWatching = false;
thread_local std::size_t tLargest = 0;

// Null when refused or out of memory.
void* Allocate(std::size_t size) noexcept {
  if (tWatching && size > tLargest) tLargest = size;
  if (tRemaining == 0) {
    tRefused = true;
    return nullptr;
  }
  if (tRemaining > 0) --tRemaining;
  return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}

}  // namespace

FailingAllocations::FailingAllocations(long successes) {
  tRemaining = successes;
  tRefused = false;
}
FailingAllocations::~FailingAllocations() { tRemaining = -1; }
bool FailingAllocations::refused() const { return tRefused; }
FailingAllocations::Pause::Pause() : saved_(tRemaining) { tRemaining = -1; }
FailingAllocations::Pause::~Pause() { tRemaining = saved_; }
LargestAllocation::LargestAllocation() {
  tWatching = true;
  tLargest = 0;
}
LargestAllocation::~LargestAllocation() { tWatching = false; }
std::size_t LargestAllocation::bytes() const { return tLargest; }

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
