// The tile thread pool: workers poll briefly, then sleep, between jobs. Each thread has a lane of items, the
// ones the caller gives it (the same tiles every time, so their colour and depth stay in its cache); it takes
// its own lane from the front and, when that is empty, steals from the back of the others. A job can be
// started and left running (the next pass is submitted meanwhile); finish() joins it on the calling thread
// until every item is done.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "threads.h"

#include <atomic>
#include <chrono>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace swr {
namespace {

constexpr unsigned kMaxLanes = 17;
// How long a thread that runs out of work polls before it sleeps. A frame's next piece usually
// comes within tens of microseconds, and waking a sleeping thread costs about as much again (more
// on a virtual machine, whose idle processor has to be woken too).
constexpr auto kSpin = std::chrono::microseconds(50);

// Polls until ready() holds or the spin time is over.
template <typename Ready>
void spinUntil(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  for (unsigned k = 1; !ready(); ++k) {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
    if (k % 64 == 0 && std::chrono::steady_clock::now() >= until) return;
  }
}

// Positions [head, tail) of a lane, packed so the owner and thieves agree with one compare-and-swap.
struct Lane {
  std::atomic<uint64_t> range{0};

  int take(bool front) {
    uint64_t r = range.load(std::memory_order_relaxed);
    for (;;) {
      uint32_t head = uint32_t(r), tail = uint32_t(r >> 32);
      if (head >= tail) return -1;
      uint64_t next = front ? (uint64_t(tail) << 32 | (head + 1)) : (uint64_t(tail - 1) << 32 | head);
      if (range.compare_exchange_weak(r, next, std::memory_order_acq_rel))
        return int(front ? head : tail - 1);
    }
  }
};

}  // namespace

struct TilePool::Impl {
  std::mutex m;
  std::condition_variable wake, done;
  std::vector<std::thread> workers;
  std::atomic<uint64_t> generation{0};  // written under m, polled without it
  unsigned active = 0;                  // workers taking part in the current job
  std::atomic<bool> quit{false};
  bool running = false;
  int busy = 0;  // workers inside work(); job fields change only when none is
  std::atomic<int> remaining{0};
  Lane lanes[kMaxLanes];
  unsigned laneCount = 1;
  std::vector<int> items;  // lane by lane
  void (*fn)(void*, int, unsigned) = nullptr;
  void* ctx = nullptr;

  int next(unsigned self) {
    int pos = lanes[self].take(true);
    for (unsigned k = 1; pos < 0 && k < laneCount; ++k) pos = lanes[(self + k) % laneCount].take(false);
    return pos;
  }

  void work(unsigned self) {
    for (int pos = next(self); pos >= 0; pos = next(self)) {
      fn(ctx, items[size_t(pos)], self);
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
      auto due = [&] { return quit.load() || (generation.load() != seen && index < active); };
      if (!due()) {
        lock.unlock();
        spinUntil([&] {
          return quit.load(std::memory_order_relaxed) || generation.load(std::memory_order_relaxed) != seen;
        });
        lock.lock();
        wake.wait(lock, due);
      }
      if (quit) return;
      seen = generation;
      ++busy;
      lock.unlock();
      work(index + 1);
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

void TilePool::start(int count, unsigned workers, void (*fn)(void*, int, unsigned), void* ctx,
                     const uint8_t* owner) {
  Impl& p = *impl_;
  finish();
  if (workers > kMaxLanes - 1) workers = kMaxLanes - 1;
  if (count <= 1) workers = 0;
  while (p.workers.size() < workers) {
    unsigned index = unsigned(p.workers.size());
    p.workers.emplace_back([&p, index] { p.loop(index); });
  }
  {
    std::unique_lock<std::mutex> lock(p.m);
    p.done.wait(lock, [&] { return p.busy == 0; });
    p.fn = fn, p.ctx = ctx;
    p.laneCount = workers + 1;
    // Items keep their order within a lane; without owners they are dealt out in turn.
    p.items.resize(size_t(count > 0 ? count : 0));
    size_t pos = 0;
    for (unsigned l = 0; l < p.laneCount; ++l) {
      size_t head = pos;
      for (int i = 0; i < count; ++i) {
        unsigned want = owner ? (owner[i] < p.laneCount ? owner[i] : 0u) : unsigned(i) % p.laneCount;
        if (want == l) p.items[pos++] = i;
      }
      p.lanes[l].range.store(uint64_t(pos) << 32 | head);
    }
    p.remaining.store(count);
    p.running = true;
    if (workers == 0) return;  // finish() does it all
    p.active = workers;
    ++p.generation;
  }
  p.wake.notify_all();
}

void TilePool::finish() {
  Impl& p = *impl_;
  if (!p.running) return;
  p.work(0);
  spinUntil([&] { return p.remaining.load(std::memory_order_relaxed) <= 0; });
  std::unique_lock<std::mutex> lock(p.m);
  p.done.wait(lock, [&] { return p.remaining.load() <= 0 && p.busy == 0; });
  p.running = false;
}

bool TilePool::running() const { return impl_->running; }
bool TilePool::drained() const {
  return !impl_->running || impl_->remaining.load(std::memory_order_acquire) <= 0;
}

void TilePool::run(int count, unsigned threads, void (*fn)(void*, int, unsigned), void* ctx) {
  start(count, threads > 1 ? threads - 1 : 0, fn, ctx, nullptr);
  finish();
}

}  // namespace swr
