// Allocation failure on demand: while a FailingAllocations scope is alive on a thread, the
// operator new of that thread succeeds `successes` times and then throws std::bad_alloc.
#pragma once
#include <cstddef>

class FailingAllocations {
 public:
  explicit FailingAllocations(long successes);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
  // Whether an allocation was refused in this scope.
  bool refused() const;

  // Lets every allocation through while alive (for code outside the one under test).
  class Pause {
   public:
    Pause();
    ~Pause();
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

   private:
    long saved_;
  };
};

// Notes the largest single allocation asked for on this thread while alive.
class LargestAllocation {
 public:
  LargestAllocation();
  ~LargestAllocation();
  LargestAllocation(const LargestAllocation&) = delete;
  LargestAllocation& operator=(const LargestAllocation&) = delete;
  std::size_t bytes() const;
};
