// The boundary between the device (resources, state, locks) and the drawing pipeline (vertex
// processing, clipping, rasterisation, texturing, per-pixel operations).
//
// The device owns all memory. It hands the pipeline its current state, the vertex data of a
// draw and the render targets; the pipeline may defer rasterisation (binning) but consumes
// vertex data before draw() returns. Textures and targets it was given must stay unchanged and
// alive until flush(): the device calls flush() before any lock, copy, readback, Present,
// resource destruction or other direct access to surface memory.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>

namespace swr {

// One mip level as the pipeline samples it: 0xAARRGGBB words.
struct TexLevel {
  const uint32_t* texels = nullptr;
  uint32_t width = 0, height = 0;
  uint32_t pitch = 0;  // in texels
};

// A texture ready for sampling. `opaque`: alpha reads as 1 whatever the stored byte (X8R8G8B8
// and every format without alpha). `version` changes whenever any texel changes, so the
// pipeline may cache derived data keyed by (id, version).
struct SampleSource {
  uint64_t id = 0;
  uint64_t version = 0;
  uint32_t levelCount = 0;
  bool opaque = false;
  TexLevel levels[16];
};

// Colour is 0xAARRGGBB words (A8R8G8B8 or X8R8G8B8 targets). Depth-stencil surfaces of every
// format are stored as 32-bit words: depth as a 24-bit unsigned normalised value in bits 31..8,
// stencil in bits 7..0.
struct RenderTargets {
  uint32_t* color = nullptr;
  uint32_t colorPitch = 0;  // in pixels
  uint32_t width = 0, height = 0;
  bool colorHasAlpha = true;  // false: X8R8G8B8, destination alpha reads as 1
  uint32_t* depth = nullptr;  // nullptr: no depth-stencil surface bound
  uint32_t depthPitch = 0;    // in words
  uint32_t depthWidth = 0, depthHeight = 0;
  bool hasStencil = false;
};

enum class PositionKind : uint8_t { XYZ, XYZW, XYZRHW };

// Where each element of a vertex lives. Offsets are bytes from the start of the vertex, -1 when
// absent; types are D3DDECLTYPE values (FVF colours are D3DDECLTYPE_D3DCOLOR, texture
// coordinates FLOAT1..FLOAT4).
struct VertexLayout {
  uint32_t stride = 0;
  PositionKind position = PositionKind::XYZ;
  int16_t positionOffset = 0;
  int16_t normal = -1;
  int16_t pointSize = -1;
  int16_t diffuse = -1;
  int16_t specular = -1;
  uint8_t diffuseType = D3DDECLTYPE_D3DCOLOR;
  uint8_t specularType = D3DDECLTYPE_D3DCOLOR;
  uint8_t texCount = 0;
  int16_t tex[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  uint8_t texType[8] = {};
  bool operator==(const VertexLayout&) const = default;
};

// Fixed-function state. The device bumps `vertexVersion` whenever a transform, light, material,
// viewport or vertex-processing render state changes, and `pixelVersion` whenever a render,
// stage or sampler state or a bound texture changes (a redundant Set with the same value bumps
// nothing), so the pipeline can reuse what it derived from the state.
struct DrawState {
  DWORD renderState[256];
  DWORD stageState[8][D3D_MAX_TEXTURESTAGESTATE];
  DWORD samplerState[8][D3D_MAX_SAMPLERSTATE];
  const SampleSource* texture[8];
  D3DMATRIX world, view, projection;
  D3DMATRIX textureTransform[8];
  D3DMATERIAL9 material;
  const D3DLIGHT9* lights;  // the enabled lights only
  uint32_t lightCount;
  D3DVIEWPORT9 viewport;
  RECT scissor;
  float clipPlane[6][4];
  uint64_t vertexVersion;
  uint64_t pixelVersion;
};

// The state of a freshly created device: every render, stage and sampler state at its default,
// identity transforms, no lights or textures, viewport and scissor covering width x height.
// `depth`: the device has an automatic depth buffer (depth testing on). Versions are left 0.
// Defined with the device, which owns the defaults.
void ResetDrawState(DrawState& state, uint32_t width, uint32_t height, bool depth);

struct DrawCall {
  D3DPRIMITIVETYPE type;
  uint32_t primitiveCount;
  const uint8_t* vertices;  // vertex 0 (stream offset and base vertex already applied)
  uint32_t vertexCount;     // vertices readable from `vertices`; primitives that index past it are dropped
  const void* indices;      // nullptr for non-indexed draws
  bool index32;
  uint32_t minIndex, numVertices;  // the index range the caller promised (a hint)
};

// Where the pipeline's CPU time went, in nanoseconds, gathered only while profiling is on: every
// tile is timed, and one draw in 16 (counted 16 times). Rasterisation is summed over the threads;
// a draw that flushes counts the rasterisation it waited for in drawNs as well.
struct PipelineProfile {
  uint64_t drawNs = 0;    // inside draw(), the parts below included
  uint64_t vertexNs = 0;  // transform, lighting, clip codes and screen mapping of referenced vertices
  uint64_t setupNs = 0;   // primitive assembly, clipping, triangle setup and binning
  uint64_t rasterNs = 0;  // tiles: clears, edge walks and pixel routines
};

class Pipeline {
 public:
  Pipeline();
  ~Pipeline();
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  void draw(const DrawState& state, const VertexLayout& layout, const DrawCall& call,
            const RenderTargets& targets);
  // Clears within the viewport (and the given rectangles, if any), like IDirect3DDevice9::Clear.
  void clear(const RenderTargets& targets, const D3DVIEWPORT9& viewport, DWORD rectCount,
             const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
  // Completes all deferred work; afterwards target memory holds every result.
  void flush();

  // Threads that rasterise at flush: the flushing thread plus (threads - 1) workers. Default 2.
  void setThreadCount(unsigned threads);
  // For tests: rasterise every pixel on its own through the general per-pixel path, the slow
  // and obviously correct reference the specialised routines are checked against.
  void setReferenceMode(bool on);

  // Profiling for benchmarks: off by default; switching it on starts the figures from zero.
  void setProfiling(bool on);
  PipelineProfile profile();  // completes deferred work first, so rasterisation is counted

  // Statistics since creation, for tests and benchmarks.
  uint64_t drawCount() const;
  uint64_t triangleCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// For tests: span routines chosen from now on use at most AVX2, even where AVX-512 is available,
// so both builds of the SIMD routines can be checked on one machine.
void limitSpanRoutinesToAvx2(bool on);

}  // namespace swr
