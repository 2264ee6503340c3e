// The tile thread pool. Jobs wait in a ring of kQueue slots and the workers go from one to the next
// without the submitting thread in between, so it can go on binning while they rasterise. Each
// thread has a lane of a job's items, the ones the caller gives it (the same tiles every time, so
// their colour and depth stay in its cache); it takes its own lane from the front and, when that is
// empty, steals from the back of the others. A thread with nothing to take spins a little (the next
// job or the last item of this one is usually moments away) and then sleeps.
#include "threads.h"

#include <immintrin.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace swr {
namespace {

constexpr unsigned kMaxLanes = 17;
constexpr auto kSpin = std::chrono::microseconds(40);

// Positions [head, tail) of a lane, packed so the owner and thieves agree with one compare-and-swap;
// a line each, so the threads' takes do not contend.
struct alignas(64) Lane {
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

struct Job {
  Lane lanes[kMaxLanes];
  unsigned laneCount = 1;
  std::vector<int> items;  // lane by lane
  TileFn fn = nullptr;
  void* ctx = nullptr;
  alignas(64) std::atomic<int> remaining{0};
  std::atomic<int> users{0};  // threads looking at the slot; it is refilled only when none is

  int next(unsigned self) {
    int pos = lanes[self].take(true);
    for (unsigned k = 1; pos < 0 && k < laneCount; ++k) pos = lanes[(self + k) % laneCount].take(false);
    return pos;
  }
};

}  // namespace

struct TilePool::Impl {
  Job jobs[kQueue];
  alignas(64) std::atomic<uint64_t> head{1};  // the oldest unfinished job
  alignas(64) std::atomic<uint64_t> tail{1};  // the number the next job gets
  std::atomic<bool> quit{false};
  std::mutex m;
  std::condition_variable wake;
  int sleepers = 0;  // under m
  std::vector<std::thread> workers;

  Job& slot(uint64_t n) { return jobs[n % kQueue]; }

  void wakeAll() {
    std::lock_guard<std::mutex> lock(m);
    if (sleepers) wake.notify_all();
  }

  template <class Ready>
  void waitUntil(Ready ready) {
    auto until = std::chrono::steady_clock::now() + kSpin;
    for (int i = 0; !ready(); ++i) {
      _mm_pause();
      if ((i & 63) == 63 && std::chrono::steady_clock::now() > until) {
        std::unique_lock<std::mutex> lock(m);
        ++sleepers;
        wake.wait(lock, ready);
        --sleepers;
        return;
      }
    }
  }

  // Takes and runs items of job n until there are none left to take (others may still be running).
  void work(uint64_t n, unsigned self) {
    Job& j = slot(n);
    j.users.fetch_add(1);
    if (head.load() == n && self < j.laneCount) {
      for (int pos = j.next(self); pos >= 0; pos = j.next(self)) {
        j.fn(j.ctx, j.items[size_t(pos)], self);
        if (j.remaining.fetch_sub(1) == 1) {
          head.store(n + 1);
          wakeAll();
        }
      }
    }
    j.users.fetch_sub(1);
  }

  void loop(unsigned self) {
    for (;;) {
      uint64_t n = head.load();
      if (n < tail.load()) {
        work(n, self);
        waitUntil([&] { return head.load() != n || quit.load(); });
      } else {
        waitUntil([&] { return tail.load() != n || head.load() != n || quit.load(); });
      }
      if (quit.load()) return;
    }
  }
};

TilePool::TilePool() : impl_(std::make_unique<Impl>()) {}

TilePool::~TilePool() {
  finish();
  impl_->quit.store(true);
  impl_->wakeAll();
  for (auto& t : impl_->workers) t.join();
}

uint64_t TilePool::push(int count, unsigned workers, TileFn fn, void* ctx, const uint8_t* owner) {
  Impl& p = *impl_;
  if (count <= 0) {  // nothing to wait for, but numbers stay in order
    finish();
    uint64_t n = p.tail.load();
    p.tail.store(n + 1), p.head.store(n + 1);
    return pushed_ = n;
  }
  if (workers > kMaxLanes - 1) workers = kMaxLanes - 1;
  while (p.workers.size() < workers) {
    unsigned self = unsigned(p.workers.size()) + 1;
    p.workers.emplace_back([&p, self] { p.loop(self); });
  }
  uint64_t n = p.tail.load();
  while (n - p.head.load() >= uint64_t(kQueue)) finishOldest();
  Job& j = p.slot(n);
  while (j.users.load() != 0) _mm_pause();  // a thread that saw the slot's last job finish
  j.fn = fn, j.ctx = ctx;
  j.laneCount = workers + 1;
  // Items keep their order within a lane; without owners they are dealt out in turn.
  j.items.resize(size_t(count));
  size_t pos = 0;
  for (unsigned l = 0; l < j.laneCount; ++l) {
    size_t first = pos;
    for (int i = 0; i < count; ++i) {
      unsigned want = owner ? (owner[i] < j.laneCount ? owner[i] : 0u) : unsigned(i) % j.laneCount;
      if (want == l) j.items[pos++] = i;
    }
    j.lanes[l].range.store(uint64_t(pos) << 32 | first);
  }
  j.remaining.store(count);
  p.tail.store(n + 1);
  if (workers > 0) p.wakeAll();
  return pushed_ = n;
}

uint64_t TilePool::finished() const { return impl_->head.load() - 1; }

void TilePool::finishOldest() {
  Impl& p = *impl_;
  uint64_t n = p.head.load();
  if (n >= p.tail.load()) return;
  p.work(n, 0);
  p.waitUntil([&] { return p.head.load() != n; });
}

void TilePool::finish() {
  while (running()) finishOldest();
}

void TilePool::run(int count, unsigned threads, TileFn fn, void* ctx) {
  push(count, threads > 1 ? threads - 1 : 0, fn, ctx, nullptr);
  finish();
}

}  // namespace swr
