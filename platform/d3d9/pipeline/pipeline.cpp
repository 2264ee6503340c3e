// The pipeline object: primitive assembly for each draw (vertex batch, clip, setup, bin), clears as
// binned records, and the flush that rasterises all tiles on the thread pool.
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "bin.h"
#include "clip.h"
#include "layout.h"
#include "pixel.h"
#include "raster.h"
#include "setup.h"
#include "state.h"
#include "threads.h"
#include "vertex.h"

namespace swr {
namespace {

constexpr uint32_t kInvalid = 0xFFFFFFFFu;
constexpr size_t kFlushBytes = size_t(96) << 20;  // binned memory that forces an early flush
constexpr size_t kPieceEntries = 3000;            // tile entries handed to the pool at a time
constexpr size_t kFirstPieceEntries = 100;        // ... while its threads have nothing to do
constexpr int32_t kNoScissor[4] = {0, 0, 0, 0};

// The first use of each index below `readable` into refs, every index's place in refs into local
// (kInvalid past the data); `stamp` says which were seen in this draw's generation and `slot` where
// they went. Returns the number of refs. Everything by value or through the arrays, so that no
// store can be taken to change a count.
template <typename Index>
uint32_t gatherIndices(const Index* index, uint64_t n, uint32_t readable, uint32_t generation,
                       uint32_t* stamp, uint32_t* slot, uint32_t* refs, uint32_t* local, bool& invalid) {
  uint32_t count = 0;
  bool past = false;
  for (uint64_t k = 0; k < n; ++k) {
    const uint32_t idx = index[k];
    if (idx >= readable) {
      local[k] = kInvalid, past = true;
      continue;
    }
    if (stamp[idx] != generation) stamp[idx] = generation, slot[idx] = count, refs[count++] = idx;
    local[k] = slot[idx];
  }
  invalid = past;
  return count;
}

// The triangles a draw of n vertices assembles (each counted, drawn or not).
uint64_t trianglesOf(D3DPRIMITIVETYPE type, uint64_t n) {
  switch (type) {
    case D3DPT_TRIANGLELIST:
      return n / 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return n >= 2 ? n - 2 : 0;
    default:
      return 0;
  }
}

bool sameTargets(const RenderTargets& a, const RenderTargets& b) {
  return a.color == b.color && a.colorPitch == b.colorPitch && a.width == b.width && a.height == b.height &&
         a.colorHasAlpha == b.colorHasAlpha && a.depth == b.depth && a.depthPitch == b.depthPitch &&
         a.depthWidth == b.depthWidth && a.depthHeight == b.depthHeight && a.hasStencil == b.hasStencil;
}

// CPU time of the calling thread: on a loaded machine wall-clock phases would count the time
// other processes ran. The clock is a system call, so draws are timed one in kDrawSample.
uint64_t threadCpuNs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return uint64_t(t.tv_sec) * 1000000000u + uint64_t(t.tv_nsec);
}
constexpr uint64_t kDrawSample = 16;

// What one reading adds to a measured interval, taken from back-to-back readings.
uint64_t clockCostNs() {
  uint64_t best = ~0ull;
  for (int round = 0; round < 5; ++round) {
    uint64_t t0 = threadCpuNs(), t = t0;
    for (int i = 0; i < 200; ++i) t = threadCpuNs();
    best = std::min(best, (t - t0) / 200);
  }
  return best;
}

}  // namespace

// One render target's worth of binned work. Two exist so that one can be rasterised by the
// pool while the next is being filled. Batches are rasterised strictly one after the other, so a
// batch never sees memory that a later one writes, whether as target or as texture.
struct Batch {
  Binner bin;
  Target tile{};
  std::vector<std::shared_ptr<PixelState>> states;  // kept alive until the batch is drawn
  std::vector<int> order;                           // tiles, busiest first
  std::vector<uint8_t> owner;                       // per entry of `order`: the tile's thread
  std::vector<uint8_t>* drawer = nullptr;           // per tile: the thread that drew it last
  bool reference = false;
  std::atomic<uint64_t>* rasterNs = nullptr;  // while profiling
  uint64_t clockCost = 0;                     // what one reading adds to a timed tile
};

struct Pipeline::Impl {
  Batch batches[2];
  Batch* cur = &batches[0];
  Batch* inflight = nullptr;  // started on the pool, not yet finished
  RenderTargets targets{};
  bool haveTargets = false;
  VertexState vs;
  std::shared_ptr<PixelState> psOwner;
  std::vector<std::shared_ptr<PixelState>> freeStates;
  std::vector<uint8_t> drawer;  // per tile index, shared by all targets: see submit()
  PixelState* ps = nullptr;
  uint64_t vertexVersion = ~0ull, pixelVersion = ~0ull;
  bool reference = false;
  unsigned threads = 2;
  TilePool pool;
  uint64_t draws = 0, triangles = 0;
  bool profiling = false;
  bool timed = false;  // this draw is one of the sampled ones
  uint64_t clockCost = 0;
  uint64_t span(uint64_t from, uint64_t to) const {
    return to - from > clockCost ? to - from - clockCost : 0;
  }
  uint64_t drawNs = 0, vertexNs = 0, setupNs = 0;
  std::atomic<uint64_t> rasterNs{0};

  // Per-draw scratch, kept to avoid allocation; only ever grown. The raw pointers are the arrays'
  // starts, valid from the gather of one draw to its end.
  std::vector<uint32_t> refs, local, stamp, slot;
  uint32_t generation = 0;
  std::vector<PVertex> post;
  std::vector<SVertex> screen;
  std::vector<uint32_t> codes;
  const uint32_t* localAt = nullptr;
  const uint32_t* codeAt = nullptr;
  // The last draw's scissor rectangle and what it was made from.
  int32_t scissor[4] = {};
  bool scissorValid = false;
  DWORD scissorViewport[4] = {}, scissorEnabled = 0;
  RECT scissorRect{};
  ClipLanes lanes{ScreenMap{}, kNoScissor};
  bool lanesValid = false;
  const ScreenMap* lanesMap = nullptr;
  int32_t lanesScissor[4] = {};
  uint32_t reject = ~0u;  // the code bits a primitive of this draw is dropped for when its vertices share one
  const PVertex* postAt = nullptr;
  const SVertex* screenAt = nullptr;
  // The layout of the last draw, how far it reads into a vertex and what its vertices share under
  // the vertex state (runs of draws share all three).
  VertexLayout planLayout{};
  uint32_t extent = layoutExtent(VertexLayout{});
  bool planValid = false;
  VertexPlan plan;
  uint32_t readableOf = 0, readable = 0;  // the vertices whole of the last vertex count
  int64_t planDiffuse8 = -1;              // the packed shared diffuse colour, -1 when vertices differ

  ~Impl() { flush(); }

  void useTargets(const RenderTargets& t) {
    // Bytes first: the device hands the same object draw after draw, and the copy keeps its padding.
    if (haveTargets && (std::memcmp(&t, &targets, sizeof(RenderTargets)) == 0 || sameTargets(t, targets)))
      return;
    submit();
    std::memcpy(static_cast<void*>(&targets), &t, sizeof(RenderTargets));
    haveTargets = true;
    scissorValid = false;
    int w = t.color ? int(t.width) : int(t.depthWidth), h = t.color ? int(t.height) : int(t.depthHeight);
    cur->bin.configure(std::max(w, 0), std::max(h, 0));
    cur->tile =
        Target{t.color, int32_t(t.colorPitch), t.colorHasAlpha, t.depth, int32_t(t.depthPitch), t.hasStencil};
  }

  // Vertex and pixel records are rebuilt only when their part of the state changed.
  void resolve(const DrawState& s) {
    bool pixel = !ps || s.pixelVersion != pixelVersion || !texturesCurrent(*ps, s);
    if (s.vertexVersion != vertexVersion || !ps) {
      resolveVertexState(s, vs);
      vertexVersion = s.vertexVersion;
      planValid = lanesValid = false;
    }
    if (!pixel) return;
    if (freeStates.empty()) {
      psOwner = std::shared_ptr<PixelState>(new PixelState);  // filled by resolvePixelState
    } else {
      psOwner = std::move(freeStates.back());
      freeStates.pop_back();
    }
    ps = psOwner.get();
    resolvePixelState(s, *ps);
    if (reference) ps->span = generalSpan;
    cur->states.push_back(psOwner);
    pixelVersion = s.pixelVersion;
  }

  // A drawn batch's pixel states go back to the free list unless something else still holds them.
  void release(Batch& b) {
    for (auto& st : b.states)
      if (st.use_count() == 1) freeStates.push_back(std::move(st));
    b.states.clear();
  }

  void finishInflight() {
    if (!inflight) return;
    pool.finish();
    inflight->bin.reset();
    release(*inflight);
    inflight = nullptr;
  }

  static void tileJob(void* ctx, int k, unsigned thread) {
    Batch& b = *static_cast<Batch*>(ctx);
    int i = b.order.empty() ? k : b.order[size_t(k)];
    const auto& bin = b.bin.bins[size_t(i)];
    if (bin.empty()) return;
    int tx = i % b.bin.tilesX, ty = i / b.bin.tilesX;
    int x0 = tx << kTileShift, y0 = ty << kTileShift;
    if (b.drawer && size_t(i) < b.drawer->size()) (*b.drawer)[size_t(i)] = uint8_t(thread);
    uint64_t t0 = b.rasterNs ? threadCpuNs() : 0;
    rasterTile(bin, b.tile, x0, y0, std::min(x0 + kTileSize, b.bin.width),
               std::min(y0 + kTileSize, b.bin.height), static_cast<Batch*>(ctx)->reference);
    if (b.rasterNs) {
      const uint64_t ns = threadCpuNs() - t0;
      b.rasterNs->fetch_add(ns > b.clockCost ? ns - b.clockCost : 0, std::memory_order_relaxed);
    }
  }

  // Hands the current batch to the pool (small ones are drawn at once) and starts a fresh one.
  void submit() {
    Batch* b = cur;
    if (b->bin.empty()) {
      b->bin.reset();
      release(*b);
    } else {
      finishInflight();
      for (int i = 0; i < 2; ++i)
        batches[i].reference = reference, batches[i].rasterNs = profiling ? &rasterNs : nullptr,
        batches[i].clockCost = clockCost;
      int tiles = b->bin.tilesX * b->bin.tilesY;
      if (drawer.size() < size_t(tiles)) drawer.resize(size_t(tiles), 0xFF);
      b->drawer = &drawer;
      int busy = 0;  // tiles with work: a few entries can still cover the whole target
      for (int i = 0; i < tiles && busy < 2; ++i) busy += !b->bin.bins[size_t(i)].empty();
      if (threads <= 1 || busy < 2) {
        b->order.clear();
        for (int i = 0; i < tiles; ++i) tileJob(b, i, 0);  // nothing to share
        b->bin.reset();
        release(*b);
      } else {
        // Busiest tiles first, so the threads finish together instead of one waiting on a
        // late heavy tile.
        b->order.resize(size_t(tiles));
        for (int i = 0; i < tiles; ++i) b->order[size_t(i)] = i;
        std::stable_sort(b->order.begin(), b->order.end(), [b](int x, int y) {
          return b->bin.bins[size_t(x)].size() > b->bin.bins[size_t(y)].size();
        });
        // A tile goes to the thread that drew it last (at first, a checkerboard of the threads):
        // its colour and depth, and the texels of the target drawn there before (the composite
        // samples the eye passes at the same place), are in that core's cache. Memory written by
        // the other core costs several times more to touch.
        b->owner.resize(size_t(tiles));
        for (int k = 0; k < tiles; ++k) {
          int i = b->order[size_t(k)];
          const uint8_t last = size_t(i) < drawer.size() ? drawer[size_t(i)] : 0xFF;
          b->owner[size_t(k)] =
              last < threads ? last : uint8_t(unsigned(i % b->bin.tilesX + i / b->bin.tilesX) % threads);
        }
        pool.start(tiles, threads - 1, tileJob, b, b->owner.data());
        inflight = b;
        cur = b == &batches[0] ? &batches[1] : &batches[0];
      }
    }
    // The state being used goes on into the next batch.
    if (psOwner) cur->states.push_back(psOwner);
    Batch* n = cur;
    n->bin.configure(b->bin.width, b->bin.height);
    n->tile = b->tile;
  }

  void flush() {
    submit();
    finishInflight();
  }

  void draw(const DrawState& s, const VertexLayout& layout, const DrawCall& call);
  void assemble(const DrawCall& call, uint64_t n, const ScreenMap& map);
  void triangle(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking, const ScreenMap& map);
  [[gnu::noinline]] void shadedOrClipped(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking,
                                         const ScreenMap& map);
  void line(uint32_t a, uint32_t b, const ScreenMap& map);
};

void Pipeline::Impl::draw(const DrawState& s, const VertexLayout& layout, const DrawCall& call) {
  resolve(s);
  const bool rhw = layout.position == PositionKind::XYZRHW;
  const ScreenMap& map = rhw ? vs.pretransformedMap : vs.transformedMap;

  // Scissor: viewport, target, depth surface and the scissor rectangle, worked out again only when
  // one of them differs from the last draw's.
  const DWORD scissorOn = s.renderState[D3DRS_SCISSORTESTENABLE];
  if (!scissorValid || std::memcmp(&s.viewport, &scissorViewport, 4 * sizeof(DWORD)) != 0 ||
      scissorOn != scissorEnabled ||
      (scissorOn && std::memcmp(&s.scissor, &scissorRect, sizeof(RECT)) != 0)) {
    int32_t* sc = scissor;
    sc[0] = 0, sc[1] = 0, sc[2] = cur->bin.width, sc[3] = cur->bin.height;
    const D3DVIEWPORT9& vp = s.viewport;
    sc[0] = int32_t(std::max<int64_t>(sc[0], vp.X)), sc[1] = int32_t(std::max<int64_t>(sc[1], vp.Y));
    sc[2] = int32_t(std::min<int64_t>(sc[2], int64_t(vp.X) + vp.Width));
    sc[3] = int32_t(std::min<int64_t>(sc[3], int64_t(vp.Y) + vp.Height));
    if (targets.depth && targets.color) {
      sc[2] = std::min<int32_t>(sc[2], int32_t(targets.depthWidth));
      sc[3] = std::min<int32_t>(sc[3], int32_t(targets.depthHeight));
    }
    if (scissorOn) {
      sc[0] = std::max<int32_t>(sc[0], s.scissor.left), sc[1] = std::max<int32_t>(sc[1], s.scissor.top);
      sc[2] = std::min<int32_t>(sc[2], s.scissor.right), sc[3] = std::min<int32_t>(sc[3], s.scissor.bottom);
    }
    std::memcpy(&scissorViewport, &s.viewport, 4 * sizeof(DWORD));
    scissorRect = s.scissor, scissorEnabled = scissorOn, scissorValid = true;
  }
  const int32_t* sc = scissor;
  if (sc[0] >= sc[2] || sc[1] >= sc[3] || !call.vertices) return;
  std::memcpy(cur->bin.scissor, sc, sizeof(scissor));

  uint64_t n = verticesForPrimitives(call.type, call.primitiveCount);
  if (n == 0) return;
  // Byte equality says nothing changed (the copy below keeps even the padding); fields compared
  // one by one would cost more than the rest of a small draw's set-up.
  if (std::memcmp(&layout, &planLayout, sizeof(VertexLayout)) != 0) {
    std::memcpy(static_cast<void*>(&planLayout), &layout, sizeof(VertexLayout));
    extent = layoutExtent(layout), planValid = false, readableOf = 0, readable = 0;
  }
  if (call.vertexCount != readableOf)
    readableOf = call.vertexCount, readable = readableVertices(layout, extent, readableOf);
  if (readable == 0) return;
  if (call.indices == nullptr && n > readable) n = readable;  // later primitives index past the data
  if (!planValid) {
    plan = planVertices(vs, layout);
    planDiffuse8 = plan.uniformDiffuse ? int64_t(packDiffuse(plan.color.diffuse)) : -1;
    planValid = true;
  }

  // Gather the referenced vertices, each once, in order of first use. The stamps say which were
  // seen in this draw, so they never need clearing (but once every 2^32 draws).
  if (local.size() < n) local.resize(n);
  const uint64_t most = std::min<uint64_t>(n, readable);
  if (refs.size() < most) refs.resize(most);
  uint32_t* L = local.data();
  uint32_t* R = refs.data();
  uint32_t count = 0;
  bool invalid = false;  // an index past the data (its primitives are dropped, and not counted)
  if (!call.indices) {
    for (uint32_t i = 0; i < n; ++i) R[i] = i, L[i] = i;
    count = uint32_t(n);
  } else {
    if (stamp.size() < readable) stamp.resize(readable, 0), slot.resize(readable);
    if (++generation == 0) {
      std::fill(stamp.begin(), stamp.end(), 0);
      generation = 1;
    }
    count = call.index32 ? gatherIndices(static_cast<const uint32_t*>(call.indices), n, readable, generation,
                                         stamp.data(), slot.data(), R, L, invalid)
                         : gatherIndices(static_cast<const uint16_t*>(call.indices), n, readable, generation,
                                         stamp.data(), slot.data(), R, L, invalid);
  }
  if (post.size() < count) post.resize(count), screen.resize(count), codes.resize(count);
  const uint64_t t0 = timed ? threadCpuNs() : 0;
  positionVertices(vs, layout, call.vertices, R, count, post.data());
  // The lanes' constants follow the screen mapping and the scissor rectangle, which runs of draws
  // share.
  if (!lanesValid || lanesMap != &map || std::memcmp(lanesScissor, sc, sizeof(scissor)) != 0) {
    lanes = ClipLanes(map, sc);
    lanesMap = &map, lanesValid = true;
    std::memcpy(lanesScissor, sc, sizeof(scissor));
  }
  const uint32_t shared = count ? clipBatch(post.data(), count, lanes, codes.data()) : 0;
  // Points may reach far past their vertex: only the clip planes reject them.
  reject = call.type == D3DPT_POINTLIST || ps->fill == FillMode::Point ? kClipPlaneBits : ~0u;
  if ((shared & reject) != 0 && !invalid) {
    // Every vertex outside one plane: no primitive can show, none needs assembling.
    triangles += trianglesOf(call.type, n);
    if (timed) vertexNs += span(t0, threadCpuNs()) * kDrawSample;
    return;
  }
  attributeVertices(vs, *ps, layout, plan, call.vertices, R, count, post.data());
  screenVertices(post.data(), count, map, ps->varyingCount, planDiffuse8, codes.data(), screen.data());
  localAt = L, codeAt = codes.data(), postAt = post.data(), screenAt = screen.data();
  const uint64_t t1 = timed ? threadCpuNs() : 0;
  assemble(call, n, map);
  if (timed) {
    uint64_t t2 = threadCpuNs();
    vertexNs += span(t0, t1) * kDrawSample, setupNs += span(t1, t2) * kDrawSample;
  }
  // Hand long runs of draws to the pool in pieces, so that rasterisation overlaps the binning of
  // the next piece even within one render target. While the pool's threads are idle (a pass has
  // just begun: most passes are shorter than one piece) they get the first few triangles at once.
  if (cur->bin.bytesUsed() > kFlushBytes)
    flush();
  else if (threads > 1 && cur->bin.entries() > (pool.drained() ? kFirstPieceEntries : kPieceEntries))
    submit();
}

void Pipeline::Impl::assemble(const DrawCall& call, uint64_t n, const ScreenMap& map) {
  const uint32_t* L = localAt;
  switch (call.type) {
    case D3DPT_TRIANGLELIST:
      for (uint64_t i = 0; i + 2 < n; i += 3) triangle(L[i], L[i + 1], L[i + 2], 0, map);
      break;
    case D3DPT_TRIANGLESTRIP:
      for (uint64_t i = 0; i + 2 < n; ++i) {
        if (i & 1)
          triangle(L[i + 1], L[i], L[i + 2], 1, map);
        else
          triangle(L[i], L[i + 1], L[i + 2], 0, map);
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (uint64_t i = 1; i + 1 < n; ++i) triangle(L[0], L[i], L[i + 1], 1, map);
      break;
    case D3DPT_LINELIST:
      for (uint64_t i = 0; i + 1 < n; i += 2) line(L[i], L[i + 1], map);
      break;
    case D3DPT_LINESTRIP:
      for (uint64_t i = 0; i + 1 < n; ++i) line(L[i], L[i + 1], map);
      break;
    case D3DPT_POINTLIST:
      for (uint64_t i = 0; i < n; ++i)
        if (L[i] != kInvalid && (codeAt[L[i]] & kClipPlaneBits) == 0)
          setupPoint(cur->bin, *ps, screenAt[L[i]], ps->pointSize);
      break;
    default:
      break;
  }
}

// `provoking` names which of a, b, c gives flat-shaded colours (the first vertex of the primitive
// as submitted).
inline void Pipeline::Impl::triangle(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking,
                                     const ScreenMap& map) {
  if (a == kInvalid || b == kInvalid || c == kInvalid) return;
  ++triangles;
  const uint32_t ca = codeAt[a], cb = codeAt[b], cc = codeAt[c];
  if (ca & cb & cc & reject) return;
  if (((ca | cb | cc) & kClipPlaneBits) == 0 && !ps->flat) {
    setupTriangle(cur->bin, *ps, screenAt[a], screenAt[b], screenAt[c], true);
    return;
  }
  shadedOrClipped(a, b, c, provoking, map);
}

// Flat-shaded or crossing a plane: the slow half of triangle().
void Pipeline::Impl::shadedOrClipped(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking,
                                     const ScreenMap& map) {
  const uint32_t ca = codeAt[a] & kClipPlaneBits, cb = codeAt[b] & kClipPlaneBits,
                 cc = codeAt[c] & kClipPlaneBits;
  const uint32_t idx[3] = {a, b, c};
  const int colorCount = ps->specularSlot >= 0 ? 8 : 4;
  if ((ca | cb | cc) == 0) {
    SVertex v[3] = {screenAt[a], screenAt[b], screenAt[c]};
    const PVertex& p = postAt[idx[provoking]];
    for (int k = 0; k < 3; ++k) {
      for (int j = 0; j < colorCount; ++j) v[k].v[j] = p.v[j] * v[k].rhw;
      v[k].diffuse8 = screenAt[idx[provoking]].diffuse8;
    }
    setupTriangle(cur->bin, *ps, v[0], v[1], v[2], true);
    return;
  }
  PVertex in[3] = {postAt[a], postAt[b], postAt[c]}, out[16], scratch[16];
  if (ps->flat)
    for (int k = 0; k < 3; ++k) std::memcpy(in[k].v, postAt[idx[provoking]].v, sizeof(float) * colorCount);
  int m = clipPolygon(in, 3, ca | cb | cc, map, ps->varyingCount, out, scratch);
  if (m < 3) return;
  SVertex s[16];
  for (int k = 0; k < m; ++k) toScreen(out[k], map, ps->varyingCount, s[k]);
  for (int k = 1; k + 1 < m; ++k) setupTriangle(cur->bin, *ps, s[0], s[k], s[k + 1], true);
}

void Pipeline::Impl::line(uint32_t a, uint32_t b, const ScreenMap& map) {
  if (a == kInvalid || b == kInvalid) return;
  if (codeAt[a] & codeAt[b]) return;  // lines reach half a pixel past their ends
  const uint32_t ca = codeAt[a] & kClipPlaneBits, cb = codeAt[b] & kClipPlaneBits;
  if ((ca | cb) == 0) {
    SVertex e = screenAt[b];
    if (ps->flat) {
      for (int j = 0; j < (ps->specularSlot >= 0 ? 8 : 4); ++j) e.v[j] = postAt[a].v[j] * e.rhw;
      e.diffuse8 = screenAt[a].diffuse8;
    }
    setupLine(cur->bin, *ps, screenAt[a], e);
    return;
  }
  if ((ca & cb) != 0 || ((ca | cb) & kClipInvalid)) return;
  const PVertex &A = postAt[a], &B = postAt[b];
  float t0 = 0.0f, t1 = 1.0f;
  for (int p = 0; p < kClipPlanes; ++p) {
    if (!(((ca | cb) >> p) & 1)) continue;
    float da = clipDistance(ClipPlane(p), A, map), db = clipDistance(ClipPlane(p), B, map);
    if (da < 0.0f && db < 0.0f) return;
    if (da < 0.0f)
      t0 = std::max(t0, da / (da - db));
    else if (db < 0.0f)
      t1 = std::min(t1, da / (da - db));
  }
  if (!(t0 < t1)) return;
  PVertex in[2];
  auto lerp = [&](float t, PVertex& o) {
    o.x = A.x + (B.x - A.x) * t, o.y = A.y + (B.y - A.y) * t, o.z = A.z + (B.z - A.z) * t,
    o.w = A.w + (B.w - A.w) * t;
    for (int j = 0; j < ps->varyingCount; ++j) o.v[j] = A.v[j] + (B.v[j] - A.v[j]) * t;
  };
  lerp(t0, in[0]);
  lerp(t1, in[1]);
  if (ps->flat) std::memcpy(in[1].v, postAt[a].v, sizeof(float) * (ps->specularSlot >= 0 ? 8 : 4));
  SVertex s0, s1;
  toScreen(in[0], map, ps->varyingCount, s0);
  toScreen(in[1], map, ps->varyingCount, s1);
  setupLine(cur->bin, *ps, s0, s1);
}

Pipeline::Pipeline() : impl_(std::make_unique<Impl>()) {}
Pipeline::~Pipeline() = default;

void Pipeline::draw(const DrawState& state, const VertexLayout& layout, const DrawCall& call,
                    const RenderTargets& targets) {
  Impl& p = *impl_;
  p.draws++;
  p.timed = p.profiling && p.draws % kDrawSample == 0;
  const uint64_t t0 = p.timed ? threadCpuNs() : 0;
  p.useTargets(targets);
  p.draw(state, layout, call);
  if (p.timed) p.drawNs += p.span(t0, threadCpuNs()) * kDrawSample, p.timed = false;
}

void Pipeline::clear(const RenderTargets& t, const D3DVIEWPORT9& vp, DWORD rectCount, const D3DRECT* rects,
                     DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  Impl& p = *impl_;
  p.useTargets(t);
  D3DRECT whole = {LONG(vp.X), LONG(vp.Y), LONG(std::min<uint64_t>(uint64_t(vp.X) + vp.Width, 0x7FFFFFFF)),
                   LONG(std::min<uint64_t>(uint64_t(vp.Y) + vp.Height, 0x7FFFFFFF))};
  if (!rects || rectCount == 0) rects = &whole, rectCount = 1;
  if (!t.color) flags &= ~DWORD(D3DCLEAR_TARGET);
  if (!t.depth) flags &= ~DWORD(D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
  if (!t.hasStencil) flags &= ~DWORD(D3DCLEAR_STENCIL);
  if (!(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return;
  uint32_t zbits = depthBits(z);
  for (DWORD r = 0; r < rectCount; ++r) {
    int64_t x0 = std::max<int64_t>({rects[r].x1, whole.x1, 0}),
            y0 = std::max<int64_t>({rects[r].y1, whole.y1, 0});
    int64_t x1 = std::min<int64_t>({rects[r].x2, whole.x2, p.cur->bin.width});
    int64_t y1 = std::min<int64_t>({rects[r].y2, whole.y2, p.cur->bin.height});
    // Colour and depth parts separately when the surfaces differ in size.
    DWORD dsFlags = flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
    int64_t dx1 = x1, dy1 = y1;
    if (dsFlags && t.color)
      dx1 = std::min<int64_t>(x1, t.depthWidth), dy1 = std::min<int64_t>(y1, t.depthHeight);
    auto add = [&](DWORD f, int64_t ax1, int64_t ay1) {
      if (!f || x0 >= ax1 || y0 >= ay1) return;
      ClearRec* c = static_cast<ClearRec*>(p.cur->bin.alloc(sizeof(ClearRec)));
      *c = ClearRec{{RecKind::Clear}, f,     int32_t(x0), int32_t(y0), int32_t(ax1),
                    int32_t(ay1),     color, zbits,       stencil};
      p.cur->bin.addClear(c);
    };
    if (dx1 == x1 && dy1 == y1) {
      add(flags, x1, y1);
    } else {
      add(flags & D3DCLEAR_TARGET, x1, y1);
      add(dsFlags, dx1, dy1);
    }
  }
}

void Pipeline::flush() { impl_->flush(); }
void Pipeline::setThreadCount(unsigned threads) { impl_->threads = std::clamp(threads, 1u, 16u); }
void Pipeline::setReferenceMode(bool on) {
  impl_->flush();
  impl_->reference = on;
  impl_->ps = nullptr;  // re-resolve so the span routine follows the mode
}
void Pipeline::setProfiling(bool on) {
  Impl& p = *impl_;
  p.flush();
  p.profiling = on;
  p.drawNs = p.vertexNs = p.setupNs = 0;
  p.rasterNs.store(0);
  if (on && p.clockCost == 0) p.clockCost = clockCostNs();
}

PipelineProfile Pipeline::profile() {
  Impl& p = *impl_;
  p.flush();
  PipelineProfile r;
  if (!p.profiling) return r;
  r.drawNs = p.drawNs, r.vertexNs = p.vertexNs, r.setupNs = p.setupNs;
  r.rasterNs = p.rasterNs.load();
  return r;
}

uint64_t Pipeline::drawCount() const { return impl_->draws; }
uint64_t Pipeline::triangleCount() const { return impl_->triangles; }

}  // namespace swr
