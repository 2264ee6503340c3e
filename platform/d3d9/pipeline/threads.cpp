// The tile thread pool: workers sleep between jobs and pull item numbers from a shared counter.
// A job can be started and left running (the next pass is submitted meanwhile); finish() joins it
// on the calling thread until every item is done.
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
  bool quit = false;
  bool running = false;
  int busy = 0;  // workers inside work(); job fields change only when none is
  std::atomic<int> next{0}, remaining{0};
  int count = 0;
  void (*fn)(void*, int) = nullptr;
  void* ctx = nullptr;

  void work() {
    for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
      fn(ctx, i);
      if (remaining.fetch_sub(1) == 1) {
        std::lock_guard<std::mutex> lock(m);
        done.notify_all();
      }
    }
  }

  void loop(unsigned index) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(m);
    for (;;) {
      wake.wait(lock, [&] { return quit || (generation != seen && index < active); });
      if (quit) return;
      seen = generation;
      ++busy;
      lock.unlock();
      work();
      lock.lock();
      if (--busy == 0) done.notify_all();
    }
  }
};

TilePool::TilePool() : impl_(std::make_unique<Impl>()) {}

TilePool::~TilePool() {
  finish();
  {
    std::lock_guard<std::mutex> lock(impl_->m);
    impl_->quit = true;
  }
  impl_->wake.notify_all();
  for (auto& t : impl_->workers) t.join();
}

void TilePool::start(int count, unsigned workers, void (*fn)(void*, int), void* ctx) {
  Impl& p = *impl_;
  finish();
  if (workers > 0 && count > 1)
    while (p.workers.size() < workers) {
      unsigned index = unsigned(p.workers.size());
      p.workers.emplace_back([&p, index] { p.loop(index); });
    }
  {
    std::unique_lock<std::mutex> lock(p.m);
    p.done.wait(lock, [&] { return p.busy == 0; });
    p.fn = fn, p.ctx = ctx, p.count = count;
    p.next.store(0);
    p.remaining.store(count);
    p.running = true;
    if (workers == 0 || count <= 1) return;  // finish() does it all
    p.active = workers;
    ++p.generation;
  }
  p.wake.notify_all();
}

void TilePool::finish() {
  Impl& p = *impl_;
  if (!p.running) return;
  p.work();
  std::unique_lock<std::mutex> lock(p.m);
  p.done.wait(lock, [&] { return p.remaining.load() <= 0 && p.busy == 0; });
  p.running = false;
}

bool TilePool::running() const { return impl_->running; }

void TilePool::run(int count, unsigned threads, void (*fn)(void*, int), void* ctx) {
  start(count, threads > 1 ? threads - 1 : 0, fn, ctx);
  finish();
}

}  // namespace swr
