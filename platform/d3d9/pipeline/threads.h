// The tile workers.
#pragma once
#include <cstdint>
#include <memory>

namespace swr {

using TileFn = void (*)(void* ctx, int item, unsigned thread);

// What a job runs: fn(ctx, item, thread) for items 0..count-1, on `workers` pool threads besides
// the caller (thread 0; the workers are 1..). owner[item] names the thread that should take it
// (items go round the threads when null). A job starts only when every job queued before it is
// done, unless it is `chained`: then an item waits only for the items of earlier jobs with its key
// (keys[item], in [0, keyCount)), provided those jobs have keys of the same range. Everything
// pointed to must stay valid until the job is done.
struct TileJob {
  int count = 0;
  unsigned workers = 0;
  TileFn fn = nullptr;
  void* ctx = nullptr;
  const uint8_t* owner = nullptr;
  const int* keys = nullptr;
  int keyCount = 0;
  bool chained = false;
};

// Jobs queue behind each other and run on the calling thread and the pool's workers. Each thread
// first takes the items it owns, in order, then steals the others' from the back.
class TilePool {
 public:
  static constexpr int kQueue = 4;  // jobs queued at once

  TilePool();
  ~TilePool();
  // Queues the job and returns at once with its number (numbers count up from 1). With kQueue jobs
  // unfinished it first helps the oldest.
  uint64_t push(const TileJob& job);
  // Every job up to this number is done.
  uint64_t finished() const;
  // Helps on the calling thread and returns when the oldest unfinished job is done.
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
