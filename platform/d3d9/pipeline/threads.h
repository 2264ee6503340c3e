// The tile workers.
#pragma once
#include <cstdint>
#include <memory>

namespace swr {

using TileFn = void (*)(void* ctx, int item, unsigned thread);

// Runs jobs of items on the calling thread (thread 0) and the pool's workers (threads 1..). Jobs
// queue behind each other and run strictly in order: no item of a job starts before every item of
// the jobs queued earlier is done. Within a job each thread first takes the items it owns, in order.
class TilePool {
 public:
  static constexpr int kQueue = 4;  // jobs queued at once

  TilePool();
  ~TilePool();
  // Queues fn(ctx, item, thread) for items 0..count-1 on `workers` pool threads besides the caller
  // and returns at once with the job's number (numbers count up from 1). owner[item] names the
  // thread that should take it (items go round the threads when null); `owner` and `ctx` must
  // stay valid until the job is done. With kQueue jobs unfinished it first helps the oldest.
  uint64_t push(int count, unsigned workers, TileFn fn, void* ctx, const uint8_t* owner);
  // Jobs up to this number are done.
  uint64_t finished() const;
  // Helps the oldest unfinished job on the calling thread and returns when it is done.
  void finishOldest();
  // Helps on the calling thread and returns when every queued job is done.
  void finish();
  bool running() const { return finished() != pushed_; }
  // One job on `threads` threads, the caller included, waited for.
  void run(int count, unsigned threads, TileFn fn, void* ctx);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  uint64_t pushed_ = 0;
};

}  // namespace swr
