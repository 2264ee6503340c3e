// The tile thread pool: workers sleep between flushes and pull tile numbers from a shared counter
// together with the flushing thread.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "internal.h"

namespace swr {

struct TilePool::Impl {
  std::mutex m;
  std::condition_variable wake, done;
  std::vector<std::thread> workers;
  uint64_t generation = 0;
  unsigned active = 0;  // workers taking part in the current job
  unsigned busy = 0;    // of those, still working
  bool quit = false;
  std::atomic<int> next{0};
  int count = 0;
  void (*fn)(void*, int) = nullptr;
  void* ctx = nullptr;

  void work() {
    for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) fn(ctx, i);
  }

  void loop(unsigned index) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m);
    for (;;) {
      wake.wait(lock, [&] { return quit || (generation != seen && index < active); });
      if (quit) return;
      seen = generation;
      lock.unlock();
      work();
      lock.lock();
      if (--busy == 0) done.notify_one();
    }
  }
};

TilePool::TilePool() : impl_(std::make_unique<Impl>()) {}

TilePool::~TilePool() {
  {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->quit = true;
  }
  impl_->wake.notify_all();
  for (auto& t : impl_->workers) t.join();
}

void TilePool::run(int count, unsigned threads, void (*fn)(void*, int), void* ctx) {
  Impl& p = *impl_;
  unsigned helpers = threads > 1 ? threads - 1 : 0;
  if (helpers > unsigned(count - 1 > 0 ? count - 1 : 0)) helpers = count > 1 ? unsigned(count - 1) : 0;
  if (helpers == 0) {
    for (int i = 0; i < count; ++i) fn(ctx, i);
    return;
  }
  while (p.workers.size() < helpers) {
    unsigned index = unsigned(p.workers.size());
    p.workers.emplace_back([&p, index] { p.loop(index); });
  }
  {
    std::lock_guard<std::mutex> lock(p.m);
    p.fn = fn, p.ctx = ctx, p.count = count;
    p.next.store(0);
    p.active = helpers;
    p.busy = helpers;
    ++p.generation;
  }
  p.wake.notify_all();
  p.work();
  std::unique_lock<std::mutex> lock(p.m);
  p.done.wait(lock, [&] { return p.busy == 0; });
}

}  // namespace swr
