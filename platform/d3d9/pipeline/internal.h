// Shared structures of the drawing pipeline's stages. Nothing here is visible to the device.
//
// Data flow: DrawState --(state.cpp)--> VertexState + PixelState records, vertices
// --(vertex.cpp)--> clip-space PVertex --(clip.cpp)--> screen vertices --(setup.cpp)--> Tri records
// in tile bins --(raster.cpp, at flush, on the thread pool)--> spans --(kernels.cpp or pixel.cpp)
// --> target memory.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "pipeline.h"

namespace swr {

constexpr int kTileShift = 6;
constexpr int kTileSize = 1 << kTileShift;
constexpr int kSubBits = 4;  // sub-pixel precision of snapped screen positions
constexpr float kSubScale = float(1 << kSubBits);
constexpr float kGuard = 8192.0f;  // |screen x|, |screen y| limit kept by the guard-band clip
constexpr int kMaxVaryings = 4 + 4 + 2 * 8;

// ---------------------------------------------------------------------------------------------
// Resolved state.

struct Float4 {
  float r, g, b, a;
};

struct Light {
  int type;
  float diffuse[3], specular[3], ambient[3];
  float pos[3];  // camera space
  float dir[3];  // camera space, unit, pointing from the light along its beam
  float range, falloff, att0, att1, att2, cosHalfTheta, cosHalfPhi;
};

// clip -> screen: sx = ox + x/w * scx, sy = oy + y/w * scy, sz = oz + z/w * scz. The guard
// limits bound x/w and y/w so that screen positions stay within +-kGuard.
struct ScreenMap {
  float ox, oy, scx, scy, oz, scz;
  float gx0, gx1, gy0, gy1;
};

struct VertexState {
  float mvp[16];  // world * view * projection, row-major, row vectors
  float wv[16];   // world * view
  float nrm[9];   // inverse transpose of wv's 3x3
  bool lighting, normalize, specular, localViewer, colorVertex;
  int diffuseSrc, specularSrc, ambientSrc, emissiveSrc;  // D3DMCS_*
  float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4], power;
  float globalAmbient[3];
  std::vector<Light> lights;
  ScreenMap map[2];  // [0] transformed vertices, [1] pre-transformed (identity)
  float texMat[8][16];
  // The colour of normal-less vertices under directional lights and material colours, computed
  // at the first draw that needs it.
  mutable bool constLitValid;
  mutable float constLit[8];
};

// How texels of one level are filtered, and how levels are chosen between.
enum class Filter : uint8_t { Point = 1, Linear = 2 };
enum class MipMode : uint8_t { None, Nearest, Linear };

// Compare functions of the depth, stencil and alpha tests, in the runtime's numbering; any other
// value passes.
enum class Compare : uint32_t {
  Never = D3DCMP_NEVER,
  Less = D3DCMP_LESS,
  Equal = D3DCMP_EQUAL,
  LessEqual = D3DCMP_LESSEQUAL,
  Greater = D3DCMP_GREATER,
  NotEqual = D3DCMP_NOTEQUAL,
  GreaterEqual = D3DCMP_GREATEREQUAL,
  Always = D3DCMP_ALWAYS,
};

struct Sampler {
  const uint32_t* texels[16];
  int32_t w[16], h[16], pitch[16];
  int levels;
  bool opaque;
  int addrU, addrV;
  uint32_t border;
  Filter mag, min;
  MipMode mip;
  float lodBias;
  int maxLevel;
};

struct Stage {
  int colorOp, alphaOp;
  uint32_t colorArg[3], alphaArg[3];  // arg0, arg1, arg2
  bool toTemp;
  uint32_t constant;
  bool hasTex;
  int texSlot;  // varying index of u (v follows)
};

struct Tri;
struct Target;
// The covered pixels of one triangle in one tile: row y0 + r covers [x0[r], x1[r]).
struct Spans {
  int y0, rows;
  int32_t x0[kTileSize], x1[kTileSize];
};
using SpanFn = void (*)(const Tri& t, const Target& tg, const Spans& s);

struct PixelState {
  SpanFn span;
  SpanFn scalarSpan;  // what a SIMD routine hands spans it does not cover to
  const char* kernelName;
  // Set by chooseKernel for the specialised routines.
  int fastColor, fastAlpha;  // how stage 0 combines texture and diffuse
  int fastLevel;             // the one mip level sampled
  int stageCount;
  Stage stage[8];
  Sampler samp[8];
  uint64_t texId[8], texVersion[8];
  const uint32_t* texBase[8];
  uint32_t tfactor;
  bool specularAdd;
  bool alphaTest;
  Compare alphaFunc;
  uint32_t alphaRef;
  bool depthTest, depthWrite;
  Compare zfunc;
  bool stencil, twoSided;
  Compare sFunc[2];
  int sFail[2], sZFail[2], sPass[2];  // [0] front, [1] back (counter-clockwise)
  uint32_t sRef, sMask, sWriteMask;
  bool blend;
  int srcBlend, dstBlend, blendOp;
  int srcBlendA, dstBlendA, blendOpA;
  uint32_t blendFactor;
  uint32_t writeMask;  // ARGB bit mask from COLORWRITEENABLE
  // Varying layout: [0..3] diffuse, then specular (if specSlot >= 0), then 2 per textured stage.
  int nv, specSlot;
  int texSet[8];
  bool texXform[8];
  DWORD texXformFlags[8];
  // Primitive assembly.
  int cull, fill;
  bool flat, lastPixel;
  float pointSize;
  bool clipping;
};

// ---------------------------------------------------------------------------------------------
// Vertices.

struct PVertex {
  float x, y, z, w;  // clip space
  float v[kMaxVaryings];
};

struct SVertex {  // after clipping, projection and viewport
  float x, y, z, rhw;
  int32_t fx, fy;         // snapped, kSubBits fraction
  uint32_t diffuse8;      // the diffuse colour as an ARGB word (before the rhw product)
  float v[kMaxVaryings];  // already multiplied by rhw
};

// ---------------------------------------------------------------------------------------------
// Binned records.

enum class RecKind : uint8_t { Triangle, Clear };

// What every binned record starts with: the kind that says which record it is.
struct BinRecord {
  RecKind kind;
};

struct Plane {
  float c, dx, dy;  // value at (refX, refY) and per-pixel steps
};

struct Tri : BinRecord {
  bool back;          // counter-clockwise on screen (two-sided stencil)
  bool constDiffuse;  // all three vertices share `diffuse8`: kernels may skip interpolation
  uint16_t nv;
  uint32_t diffuse8;
  const PixelState* ps;
  int32_t minX, minY, maxX, maxY;  // inclusive pixel bounds, already scissored
  int64_t ea[3], eb[3], ec[3];     // E(px, py) = ea*px + eb*py + ec >= 0 inside (bias folded in)
  float refX, refY;
  Plane z, rhw;
  Plane v[1];  // nv entries (allocated past the end)
};

struct ClearRec : BinRecord {
  DWORD flags;
  int32_t x0, y0, x1, y1;  // half-open
  uint32_t color, zbits, stencil;
};

inline size_t triBytes(int nv) { return sizeof(Tri) + sizeof(Plane) * (nv > 1 ? nv - 1 : 0); }

// The memory a tile is drawn into.
struct Target {
  uint32_t* color;
  int32_t colorPitch;
  bool colorHasAlpha;
  uint32_t* depth;
  int32_t depthPitch;
  bool hasStencil;
};

// Tile bins over the current render target; records live in stable chunks until reset().
class Binner {
 public:
  void configure(int width, int height);
  void* alloc(size_t bytes);
  void addTri(const Tri* t);
  void addClear(const ClearRec* c);
  void reset();
  bool empty() const { return entries_ == 0; }
  size_t bytesUsed() const { return used_; }
  size_t entries() const { return entries_; }

  int width = 0, height = 0, tilesX = 0, tilesY = 0;
  int32_t scissor[4] = {0, 0, 0, 0};  // x0, y0, x1, y1 (half-open) for the current draw
  std::vector<std::vector<const BinRecord*>> bins;
  uint64_t triangles = 0;

 private:
  std::vector<std::unique_ptr<uint8_t[]>> chunks_;
  size_t chunk_ = 0, offset_ = 0, used_ = 0, entries_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Stage entry points.

// state.cpp
void resolveVertexState(const DrawState& s, const RenderTargets& t, VertexState& out);
void resolvePixelState(const DrawState& s, const VertexLayout& layout, PixelState& out);
bool texturesCurrent(const PixelState& ps, const DrawState& s);
SpanFn chooseKernel(PixelState& ps);  // kernels.cpp

// vertex.cpp
uint32_t readableVertices(const VertexLayout& layout, uint32_t vertexCount);
// Returns true when every vertex got the same diffuse colour (no vertex colours, or constant
// lighting), so callers may pack it once.
bool processVertices(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                     const uint8_t* base, const uint32_t* indices, uint32_t count, PVertex* out);

// clip.cpp: clip codes and polygon clipping in clip space. Returns the number of output vertices.
uint32_t clipCodes(const PVertex& v, const ScreenMap& m);
float clipDistance(int plane, const PVertex& v, const ScreenMap& m);  // planes 0..6
int clipPolygon(const PVertex* in, int n, uint32_t codes, const ScreenMap& m, int nv, PVertex* out,
                PVertex* scratch);

// setup.cpp
class Binner;
// `diffuse8` >= 0 gives the packed diffuse colour when the caller already knows it.
void toScreen(const PVertex& p, const ScreenMap& m, int nv, SVertex& s, int64_t diffuse8 = -1);
uint32_t packDiffuse(const float* rgba);
void setupTriangle(Binner& b, const PixelState& ps, const SVertex& a, const SVertex& c1, const SVertex& c2,
                   bool cull);
void setupLine(Binner& b, const PixelState& ps, const SVertex& a, const SVertex& c);
void setupPoint(Binner& b, const PixelState& ps, const SVertex& a, float size);

// threads.cpp: runs fn(ctx, item, thread) for items 0..count-1 on the calling thread (thread 0)
// and the pool's workers (threads 1..). Each thread first takes the items it owns, in order.
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
  void run(int count, unsigned threads, void (*fn)(void*, int, unsigned), void* ctx);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// raster.cpp
void rasterTile(const std::vector<const BinRecord*>& bin, const Target& tg, int tx0, int ty0, int tx1,
                int ty1, bool reference);

// pixel.cpp: the general per-pixel path (also the reference's).
void shadePixel(const Tri& t, const Target& tg, int px, int py);
void generalSpan(const Tri& t, const Target& tg, const Spans& s);
uint32_t blendColor(const PixelState& ps, const Float4& src, uint32_t dstWord, bool dstHasAlpha);

// sample.cpp
Float4 sampleTexture(const Sampler& s, float u, float v, float dudx, float dvdx, float dudy, float dvdy);
float textureLod(const Sampler& s, float dudx, float dvdx, float dudy, float dvdy);
Float4 unpackColor(uint32_t c, bool opaque = false);
uint32_t packColor(const Float4& c);

// combine.cpp
Float4 combineStages(const PixelState& ps, const Float4& diffuse, const Float4& specular, const Float4* tex);

// "new OP stored".
inline bool compare(Compare func, uint32_t a, uint32_t b) {
  switch (func) {
    case Compare::Never:
      return false;
    case Compare::Less:
      return a < b;
    case Compare::Equal:
      return a == b;
    case Compare::LessEqual:
      return a <= b;
    case Compare::Greater:
      return a > b;
    case Compare::NotEqual:
      return a != b;
    case Compare::GreaterEqual:
      return a >= b;
    default:
      return true;
  }
}

inline uint32_t depthBits(float z) {
  z = z < 0.0f ? 0.0f : (z > 1.0f ? 1.0f : z);  // NaN falls through to z as-is below
  if (!(z >= 0.0f)) z = 0.0f;
  // z = 1 rounds to 2^24 in single precision: keep it in 24 bits.
  uint32_t bits = uint32_t(z * 16777215.0f + 0.5f);
  return bits > 0xFFFFFFu ? 0xFFFFFFu : bits;
}

}  // namespace swr
