// The tile workers.
#pragma once
#include <cstdint>
#include <memory>

namespace swr {

// Runs fn(ctx, item, thread) for items 0..count-1 on the calling thread (thread 0) and the pool's
// workers (threads 1..). Each thread first takes the items it owns, in order.
class TilePool {
 public:
  TilePool();
  ~TilePool();
  // Starts the items on `workers` pool threads and returns at once. owner[item] names the thread
  // that should take it (items go round the threads when null).
  void start(int count, unsigned workers, void (*fn)(void*, int, unsigned), void* ctx, const uint8_t* owner);
  // Helps the running job on the calling thread and returns when all of it is done.
  void finish();
  bool running() const;
  // Every item of the running job is done (or none is running): its threads are free.
  bool drained() const;
  void run(int count, unsigned threads, void (*fn)(void*, int, unsigned), void* ctx);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace swr
