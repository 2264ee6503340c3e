// The tex tests' operator new[] (the library's pixel and working buffers are arrays): it forwards
// to malloc and, while a LargestArrayAllocation is alive, notes the largest array asked for.
#pragma once
#include <cstddef>

class LargestArrayAllocation {
 public:
  LargestArrayAllocation();
  ~LargestArrayAllocation();
  LargestArrayAllocation(const LargestArrayAllocation&) = delete;
  LargestArrayAllocation& operator=(const LargestArrayAllocation&) = delete;
  std::size_t bytes() const;
};
