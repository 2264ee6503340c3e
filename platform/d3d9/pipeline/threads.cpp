// The tile thread pool. Jobs wait in a ring of kQueue slots and the workers go from one to the next
// without the submitting thread in between, so it can go on binning while they rasterise. Each
// thread has a lane of a job's items, the ones the caller gives it (the same tiles every time, so
// their colour and depth stay in its cache); it takes its own lane from the front and, when nothing
// there can start, steals from the back of the others. A chained job may overlap the ones before it:
// an item is taken only when no earlier job still has an item of its key waiting or running, so a
// tile held up on a busy thread does not stop the others. A thread with nothing to take spins a
// little (the next job or the item it waits for is usually moments away) and then sleeps.
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

// An array of atomics that keeps its storage when it shrinks.
template <class T>
struct AtomicArray {
  std::unique_ptr<std::atomic<T>[]> data;
  size_t capacity = 0;
  void reset(size_t n, T value) {
    if (n > capacity) data.reset(new std::atomic<T>[n]), capacity = n;
    for (size_t i = 0; i < n; ++i) data[i].store(value, std::memory_order_relaxed);
  }
  std::atomic<T>& operator[](size_t i) { return data[i]; }
};

struct Job {
  std::atomic<uint64_t> number{0};  // which job the slot holds
  TileFn fn = nullptr;
  void* ctx = nullptr;
  unsigned laneCount = 1;
  int keyCount = 0;  // 0: no keys
  bool chained = false;
  std::vector<int> items;                  // lane by lane
  std::vector<int> key;                    // per item, when there are keys
  uint32_t laneStart[kMaxLanes + 1] = {};  // lane l is items[laneStart[l], laneStart[l + 1])
  AtomicArray<uint8_t> taken;              // per position in `items`
  AtomicArray<int> waiting;                // per key: items not yet done
  // Hints: in lane l, the positions before front[l] and from back[l] on are taken.
  alignas(64) std::atomic<uint32_t> front[kMaxLanes];
  std::atomic<uint32_t> back[kMaxLanes];
  alignas(64) std::atomic<int> remaining{0};
  std::atomic<int> users{0};  // threads looking at the slot; it is refilled only when none is
};

}  // namespace

struct TilePool::Impl {
  Job jobs[kQueue];
  alignas(64) std::atomic<uint64_t> head{1};     // the oldest unfinished job
  alignas(64) std::atomic<uint64_t> tail{1};     // the number the next job gets
  alignas(64) std::atomic<uint64_t> changes{0};  // bumped whenever something may have become takeable
  std::atomic<bool> quit{false};
  std::mutex m;
  std::condition_variable wake;
  int sleepers = 0;  // under m
  std::vector<std::thread> workers;

  Job& slot(uint64_t n) { return jobs[n % kQueue]; }

  void changed() {
    changes.fetch_add(1);
    std::lock_guard<std::mutex> lock(m);
    if (sleepers) wake.notify_all();
  }

  template <class Ready>
  void waitUntil(Ready ready, bool spin) {
    auto until = std::chrono::steady_clock::now() + (spin ? kSpin : std::chrono::microseconds(0));
    for (int i = 0; !ready(); ++i) {
      _mm_pause();
      if ((!spin || (i & 63) == 63) && std::chrono::steady_clock::now() > until) {
        std::unique_lock<std::mutex> lock(m);
        ++sleepers;
        wake.wait(lock, ready);
        --sleepers;
        return;
      }
    }
  }

  // No job from `from` up to (not including) `n` has an item of `key` left.
  bool keyFree(uint64_t from, uint64_t n, int keyCount, int key) {
    for (uint64_t e = from; e < n; ++e) {
      Job& j = slot(e);
      if (j.keyCount != keyCount || j.waiting[size_t(key)].load() != 0) return false;
    }
    return true;
  }

  bool tryTake(Job& j, uint64_t h, uint64_t n, uint32_t pos) {
    if (j.taken[pos].load(std::memory_order_relaxed)) return false;
    if (n != h && !keyFree(h, n, j.keyCount, j.key[size_t(j.items[pos])])) return false;
    return j.taken[pos].exchange(1) == 0;
  }

  // An item this thread may start: its own lane's first, then the others' last, oldest job first.
  bool pick(unsigned self, uint64_t& job, uint32_t& pos) {
    const uint64_t h = head.load(), t = tail.load();
    uint64_t end = h;
    bool found = false;
    // Every slot looked at is held, so none is refilled meanwhile.
    for (; end < t; ++end) {
      Job& j = slot(end);
      j.users.fetch_add(1);
      if (j.number.load() != end || head.load() > end) {
        j.users.fetch_sub(1);
        break;
      }
    }
    for (uint64_t n = h; n < end && !found; ++n) {
      Job& j = slot(n);
      if (n != h && !j.chained) break;  // waits for every earlier job
      if (self >= j.laneCount) {
        if (j.chained) continue;
        break;
      }
      uint32_t first = j.laneStart[self], last = j.laneStart[self + 1];
      uint32_t p = std::max(first, j.front[self].load(std::memory_order_relaxed));
      while (p < last && j.taken[p].load(std::memory_order_relaxed)) ++p;
      j.front[self].store(p, std::memory_order_relaxed);
      for (uint32_t q = p; q < last && !found; ++q)
        if (tryTake(j, h, n, q)) job = n, pos = q, found = true;
      for (unsigned k = 1; k < j.laneCount && !found; ++k) {
        unsigned l = (self + k) % j.laneCount;
        uint32_t q = std::min(j.laneStart[l + 1], j.back[l].load(std::memory_order_relaxed));
        while (q > j.laneStart[l] && j.taken[q - 1].load(std::memory_order_relaxed)) --q;
        j.back[l].store(q, std::memory_order_relaxed);
        for (; q > j.laneStart[l] && !found; --q)
          if (tryTake(j, h, n, q - 1)) job = n, pos = q - 1, found = true;
      }
    }
    for (uint64_t n = h; n < end; ++n) slot(n).users.fetch_sub(1);
    return found;
  }

  // A later chained job has an item of `key` waiting, which may start once job n's are done.
  bool awaited(uint64_t n, int key) {
    const Job& j = slot(n);
    for (uint64_t e = n + 1, t = tail.load(); e < t; ++e) {
      Job& later = slot(e);  // cannot be refilled: job n, before it, is not done
      if (later.chained && later.keyCount == j.keyCount && later.waiting[size_t(key)].load() != 0)
        return true;
    }
    return false;
  }

  void run(uint64_t n, uint32_t pos, unsigned self) {
    Job& j = slot(n);  // stays this job until its last item, which may be this one, is done
    int item = j.items[pos];
    j.fn(j.ctx, item, self);
    // Only what can let a waiting thread start something wakes it: a key's last item that a later
    // job waits for, or the end of a job.
    bool wakeOthers = false;
    if (j.keyCount) {
      int key = j.key[size_t(item)];
      if (j.waiting[size_t(key)].fetch_sub(1) == 1) wakeOthers = awaited(n, key);
    }
    if (j.remaining.fetch_sub(1) == 1) {
      std::lock_guard<std::mutex> lock(m);
      uint64_t h = head.load(), t = tail.load();
      while (h < t && slot(h).remaining.load() == 0) ++h;
      head.store(h);
      wakeOthers = true;
    }
    if (wakeOthers) changed();
  }

  // Runs an item if one can start; otherwise waits until something changes. `idle`: the last
  // step found nothing either, so this one sleeps at once rather than spinning again.
  void step(unsigned self, bool& idle, bool (*done)(Impl&, uint64_t), uint64_t arg) {
    uint64_t seen = changes.load();
    uint64_t n;
    uint32_t pos;
    if (pick(self, n, pos)) {
      idle = false;
      return run(n, pos, self);
    }
    waitUntil([&] { return changes.load() != seen || done(*this, arg); }, !idle);
    idle = true;
  }

  void loop(unsigned self) {
    bool idle = false;
    while (!quit.load())
      step(
          self, idle, [](Impl& p, uint64_t) { return p.quit.load(); }, 0);
  }
};

TilePool::TilePool() : impl_(std::make_unique<Impl>()) {}

TilePool::~TilePool() {
  finish();
  impl_->quit.store(true);
  impl_->changed();
  for (auto& t : impl_->workers) t.join();
}

uint64_t TilePool::push(const TileJob& job) {
  Impl& p = *impl_;
  if (job.count <= 0) {  // nothing to run, but numbers stay in order
    finish();
    uint64_t n = p.tail.load();
    p.slot(n).number.store(n);
    p.tail.store(n + 1), p.head.store(n + 1);
    return pushed_ = n;
  }
  unsigned workers = job.workers > kMaxLanes - 1 ? kMaxLanes - 1 : job.workers;
  while (p.workers.size() < workers) {
    unsigned self = unsigned(p.workers.size()) + 1;
    p.workers.emplace_back([&p, self] { p.loop(self); });
  }
  uint64_t n = p.tail.load();
  while (n - p.head.load() >= uint64_t(kQueue)) finishOldest();
  Job& j = p.slot(n);
  while (j.users.load() != 0) _mm_pause();  // a thread that saw the slot's last job finish
  j.fn = job.fn, j.ctx = job.ctx;
  j.laneCount = workers + 1;
  j.keyCount = job.keys ? job.keyCount : 0;
  j.chained = job.chained && j.keyCount > 0;
  // Items keep their order within a lane; without owners they are dealt out in turn.
  const int count = job.count;
  j.items.resize(size_t(count));
  uint32_t pos = 0;
  for (unsigned l = 0; l < j.laneCount; ++l) {
    j.laneStart[l] = pos;
    j.front[l].store(pos, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
      unsigned want =
          job.owner ? (job.owner[i] < j.laneCount ? job.owner[i] : 0u) : unsigned(i) % j.laneCount;
      if (want == l) j.items[pos++] = i;
    }
  }
  j.laneStart[j.laneCount] = pos;
  for (unsigned l = 0; l < j.laneCount; ++l) j.back[l].store(j.laneStart[l + 1], std::memory_order_relaxed);
  j.taken.reset(size_t(count), 0);
  if (j.keyCount) {
    j.key.assign(job.keys, job.keys + count);
    j.waiting.reset(size_t(job.keyCount), 0);
    for (int i = 0; i < count; ++i) j.waiting[size_t(job.keys[i])].fetch_add(1, std::memory_order_relaxed);
  }
  j.remaining.store(count);
  j.number.store(n);
  p.tail.store(n + 1);
  p.changed();
  return pushed_ = n;
}

uint64_t TilePool::finished() const { return impl_->head.load() - 1; }

void TilePool::finishOldest() {
  Impl& p = *impl_;
  const uint64_t n = p.head.load();
  if (n >= p.tail.load()) return;
  bool idle = false;
  while (p.head.load() <= n)
    p.step(
        0, idle, [](Impl& q, uint64_t k) { return q.head.load() > k; }, n);
}

void TilePool::finish() {
  while (running()) finishOldest();
}

void TilePool::run(int count, unsigned threads, TileFn fn, void* ctx) {
  TileJob job;
  job.count = count, job.workers = threads > 1 ? threads - 1 : 0, job.fn = fn, job.ctx = ctx;
  push(job);
  finish();
}

}  // namespace swr
