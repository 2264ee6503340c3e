// The resolved state records the stages run on: VertexState for vertex processing, PixelState for
// everything from primitive assembly to the target. Built by state.cpp from the device's plain state
// arrays whenever that state changes; every runtime number the stages act on gets a typed name
// here (enumerations with the runtime's values, so any stored value is representable).
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "fast_path.h"
#include "pipeline.h"
#include "span.h"

namespace swr {

constexpr float kGuard = 8192.0f;  // |screen x|, |screen y| limit kept by the guard-band clip
// Varying layout: [0..3] diffuse, then specular (when added), then 2 per textured stage.
constexpr int kMaxVaryings = 4 + 4 + 2 * 8;

// ---------------------------------------------------------------------------------------------
// Vertex side.

enum class LightType : uint32_t {
  Point = D3DLIGHT_POINT,
  Spot = D3DLIGHT_SPOT,
  Directional = D3DLIGHT_DIRECTIONAL,
};

// Where a lighting colour comes from; anything else reads the material.
enum class MaterialSource : uint32_t {
  Material = D3DMCS_MATERIAL,
  Color1 = D3DMCS_COLOR1,  // the vertex's diffuse colour
  Color2 = D3DMCS_COLOR2,  // the vertex's specular colour
};

struct Light {
  LightType type;
  float diffuse[3], specular[3], ambient[3];
  float pos[3];  // camera space
  float dir[3];  // camera space, unit, pointing from the light along its beam
  float range, falloff, att0, att1, att2, cosHalfTheta, cosHalfPhi;
};

// A vertex's lit colours, RGBA.
struct Lit {
  float diffuse[4], specular[4];
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
  MaterialSource diffuseSrc, specularSrc, ambientSrc, emissiveSrc;
  float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4], power;
  float globalAmbient[3];
  std::vector<Light> lights;
  ScreenMap transformedMap;     // vertices the pipeline transforms
  ScreenMap pretransformedMap;  // XYZRHW vertices (identity)
  float texMat[8][16];
  // The colour of normal-less vertices under directional lights and material colours, computed
  // at the first draw that needs it.
  mutable bool constLitValid;
  mutable Lit constLit;
};

// ---------------------------------------------------------------------------------------------
// Pixel side.

// How texels of one level are filtered, and how levels are chosen between.
enum class Filter : uint8_t { Point = 1, Linear = 2 };
enum class MipMode : uint8_t { None, Nearest, Linear };

enum class Address : uint32_t {
  Wrap = D3DTADDRESS_WRAP,
  Mirror = D3DTADDRESS_MIRROR,
  Clamp = D3DTADDRESS_CLAMP,
  Border = D3DTADDRESS_BORDER,
  MirrorOnce = D3DTADDRESS_MIRRORONCE,
};

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

// Texture-stage operations; values past Lerp disable a stage's alpha and end the colour cascade.
enum class TextureOp : uint32_t {
  Disable = D3DTOP_DISABLE,
  SelectArg1 = D3DTOP_SELECTARG1,
  SelectArg2 = D3DTOP_SELECTARG2,
  Modulate = D3DTOP_MODULATE,
  Modulate2x = D3DTOP_MODULATE2X,
  Modulate4x = D3DTOP_MODULATE4X,
  Add = D3DTOP_ADD,
  AddSigned = D3DTOP_ADDSIGNED,
  AddSigned2x = D3DTOP_ADDSIGNED2X,
  Subtract = D3DTOP_SUBTRACT,
  AddSmooth = D3DTOP_ADDSMOOTH,
  BlendDiffuseAlpha = D3DTOP_BLENDDIFFUSEALPHA,
  BlendTextureAlpha = D3DTOP_BLENDTEXTUREALPHA,
  BlendFactorAlpha = D3DTOP_BLENDFACTORALPHA,
  BlendTextureAlphaPm = D3DTOP_BLENDTEXTUREALPHAPM,
  BlendCurrentAlpha = D3DTOP_BLENDCURRENTALPHA,
  PreModulate = D3DTOP_PREMODULATE,
  ModulateAlphaAddColor = D3DTOP_MODULATEALPHA_ADDCOLOR,
  ModulateColorAddAlpha = D3DTOP_MODULATECOLOR_ADDALPHA,
  ModulateInvAlphaAddColor = D3DTOP_MODULATEINVALPHA_ADDCOLOR,
  ModulateInvColorAddAlpha = D3DTOP_MODULATEINVCOLOR_ADDALPHA,
  BumpEnvMap = D3DTOP_BUMPENVMAP,
  BumpEnvMapLuminance = D3DTOP_BUMPENVMAPLUMINANCE,
  DotProduct3 = D3DTOP_DOTPRODUCT3,
  MultiplyAdd = D3DTOP_MULTIPLYADD,
  Lerp = D3DTOP_LERP,
};
inline bool validOp(TextureOp op) { return op >= TextureOp::Disable && op <= TextureOp::Lerp; }

// A stage argument: what it reads (selectors past Constant read the diffuse colour) and how.
enum class ArgSource : uint8_t { Diffuse, Current, Texture, TFactor, Specular, Temp, Constant, Unknown };
struct StageArg {
  ArgSource source;
  bool complement;      // 1 - x
  bool alphaReplicate;  // alpha into every channel, before the complement
};

struct StageOperation {
  TextureOp op;
  StageArg arg0, arg1, arg2;
};

// What a stage's texture was when the state was resolved, to notice a changed one.
struct TextureKey {
  uint64_t id, version;
  const uint32_t* base;  // level 0's texels
};

// The texture-coordinate transform of a stage.
struct TexTransform {
  bool enabled;
  bool projected;  // divide by the last of the `count` output components
  int count;       // output components, 1..4 (larger counts only enable the transform)
};

struct Stage {
  StageOperation color, alpha;
  bool toTemp;
  uint32_t constant;
  bool hasTex;
  int texSlot;      // varying index of u (v follows)
  int texCoordSet;  // which of the vertex's coordinate sets feeds the stage
  TexTransform transform;
  TextureKey bound;
};

struct SampledLevel {
  const uint32_t* texels;
  int32_t width, height, pitch;  // pitch in texels
};

struct Sampler {
  SampledLevel level[16];
  int levelCount;
  bool opaque;
  Address addressU, addressV;
  uint32_t border;
  Filter mag, min;
  MipMode mip;
  float lodBias;
  int maxLevel;
};

enum class BlendFactor : uint32_t {
  Zero = D3DBLEND_ZERO,
  One = D3DBLEND_ONE,
  SrcColor = D3DBLEND_SRCCOLOR,
  InvSrcColor = D3DBLEND_INVSRCCOLOR,
  SrcAlpha = D3DBLEND_SRCALPHA,
  InvSrcAlpha = D3DBLEND_INVSRCALPHA,
  DestAlpha = D3DBLEND_DESTALPHA,
  InvDestAlpha = D3DBLEND_INVDESTALPHA,
  DestColor = D3DBLEND_DESTCOLOR,
  InvDestColor = D3DBLEND_INVDESTCOLOR,
  SrcAlphaSat = D3DBLEND_SRCALPHASAT,
  BothSrcAlpha = D3DBLEND_BOTHSRCALPHA,
  BothInvSrcAlpha = D3DBLEND_BOTHINVSRCALPHA,
  Factor = D3DBLEND_BLENDFACTOR,
  InvFactor = D3DBLEND_INVBLENDFACTOR,
};
enum class BlendOp : uint32_t {
  Add = D3DBLENDOP_ADD,
  Subtract = D3DBLENDOP_SUBTRACT,
  RevSubtract = D3DBLENDOP_REVSUBTRACT,
  Min = D3DBLENDOP_MIN,
  Max = D3DBLENDOP_MAX,
};
struct BlendEquation {
  BlendFactor src, dst;
  BlendOp op;
  bool operator==(const BlendEquation&) const = default;
};

enum class StencilOp : uint32_t {
  Keep = D3DSTENCILOP_KEEP,
  Zero = D3DSTENCILOP_ZERO,
  Replace = D3DSTENCILOP_REPLACE,
  IncrSat = D3DSTENCILOP_INCRSAT,
  DecrSat = D3DSTENCILOP_DECRSAT,
  Invert = D3DSTENCILOP_INVERT,
  Incr = D3DSTENCILOP_INCR,
  Decr = D3DSTENCILOP_DECR,
};
// The stencil test of one facing.
struct StencilFace {
  Compare func;
  StencilOp fail, zFail, pass;
};

enum class Cull : uint32_t { None = D3DCULL_NONE, Clockwise = D3DCULL_CW, CounterClockwise = D3DCULL_CCW };
enum class FillMode : uint32_t {
  Point = D3DFILL_POINT,
  Wireframe = D3DFILL_WIREFRAME,
  Solid = D3DFILL_SOLID
};

struct PixelState {
  SpanFn span;
  SpanFn scalarSpan;  // what a SIMD routine hands spans it does not cover to
  bool simdSpan;      // span is a SIMD routine, which honours Spans::depthPasses
  const char* kernelName;
  FastPath fast;  // set by chooseKernel for the specialised routines
  int stageCount;
  Stage stage[8];
  Sampler samp[8];
  uint32_t tfactor;  // ARGB
  bool specularAdd;
  bool alphaTest;
  Compare alphaFunc;
  uint32_t alphaRef;
  bool depthTest, depthWrite;
  Compare zfunc;
  bool stencil, twoSided;
  StencilFace stencilFront, stencilBack;  // back: counter-clockwise triangles
  uint32_t stencilRef, stencilMask, stencilWriteMask;
  bool blend;
  BlendEquation colorBlend, alphaBlend;
  uint32_t blendFactor;  // ARGB
  uint32_t writeMask;    // ARGB bits COLORWRITEENABLE lets through
  int varyingCount;      // see kMaxVaryings
  int specularSlot;      // varying index of the specular colour, -1 when not added
  // Primitive assembly.
  Cull cull;
  FillMode fill;
  bool flat, lastPixel;
  float pointSize;
  bool clipping;
};

void resolveVertexState(const DrawState& s, VertexState& out);
void resolvePixelState(const DrawState& s, PixelState& out);
// The textures the state was resolved with are still the bound ones, unchanged (every draw asks).
inline bool texturesCurrent(const PixelState& ps, const DrawState& s) {
  for (int st = 0; st < ps.stageCount; ++st) {
    const SampleSource* src = s.texture[st];
    const TextureKey& k = ps.stage[st].bound;
    if ((src ? src->id : 0) != k.id || (src ? src->version : 0) != k.version ||
        (src && src->levelCount ? src->levels[0].texels : nullptr) != k.base)
      return false;
  }
  return true;
}

}  // namespace swr
