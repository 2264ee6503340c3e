// Render states: which exist, their defaults, and which stage of the pipeline they feed.
#include <cstring>

#include "device.h"

namespace d3d9rt {
namespace {

DWORD floatBits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

struct Default {
  DWORD state;
  DWORD value;
  char kind;  // 'v' vertex processing, 'p' pixel processing, 'b' both
};

const Default kDefaults[] = {
    {D3DRS_ZENABLE, 0, 'p'},  // set from the automatic depth buffer
    {D3DRS_FILLMODE, D3DFILL_SOLID, 'p'},
    {D3DRS_SHADEMODE, D3DSHADE_GOURAUD, 'b'},
    {D3DRS_ZWRITEENABLE, TRUE, 'p'},
    {D3DRS_ALPHATESTENABLE, FALSE, 'p'},
    {D3DRS_LASTPIXEL, TRUE, 'p'},
    {D3DRS_SRCBLEND, D3DBLEND_ONE, 'p'},
    {D3DRS_DESTBLEND, D3DBLEND_ZERO, 'p'},
    {D3DRS_CULLMODE, D3DCULL_CCW, 'v'},
    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL, 'p'},
    {D3DRS_ALPHAREF, 0, 'p'},
    {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS, 'p'},
    {D3DRS_DITHERENABLE, FALSE, 'p'},
    {D3DRS_ALPHABLENDENABLE, FALSE, 'p'},
    {D3DRS_FOGENABLE, FALSE, 'b'},
    {D3DRS_SPECULARENABLE, FALSE, 'b'},
    {D3DRS_FOGCOLOR, 0, 'p'},
    {D3DRS_FOGTABLEMODE, D3DFOG_NONE, 'b'},
    {D3DRS_FOGSTART, floatBits(0.0f), 'b'},
    {D3DRS_FOGEND, floatBits(1.0f), 'b'},
    {D3DRS_FOGDENSITY, floatBits(1.0f), 'b'},
    {D3DRS_RANGEFOGENABLE, FALSE, 'v'},
    {D3DRS_STENCILENABLE, FALSE, 'p'},
    {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_STENCILFUNC, D3DCMP_ALWAYS, 'p'},
    {D3DRS_STENCILREF, 0, 'p'},
    {D3DRS_STENCILMASK, 0xFFFFFFFF, 'p'},
    {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF, 'p'},
    {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF, 'p'},
    {D3DRS_WRAP0, 0, 'p'},
    {D3DRS_WRAP1, 0, 'p'},
    {D3DRS_WRAP2, 0, 'p'},
    {D3DRS_WRAP3, 0, 'p'},
    {D3DRS_WRAP4, 0, 'p'},
    {D3DRS_WRAP5, 0, 'p'},
    {D3DRS_WRAP6, 0, 'p'},
    {D3DRS_WRAP7, 0, 'p'},
    {D3DRS_CLIPPING, TRUE, 'v'},
    {D3DRS_LIGHTING, TRUE, 'v'},
    {D3DRS_AMBIENT, 0, 'v'},
    {D3DRS_FOGVERTEXMODE, D3DFOG_NONE, 'v'},
    {D3DRS_COLORVERTEX, TRUE, 'v'},
    {D3DRS_LOCALVIEWER, TRUE, 'v'},
    {D3DRS_NORMALIZENORMALS, FALSE, 'v'},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1, 'v'},
    {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2, 'v'},
    {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL, 'v'},
    {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL, 'v'},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE, 'v'},
    {D3DRS_CLIPPLANEENABLE, 0, 'v'},
    {D3DRS_POINTSIZE, floatBits(1.0f), 'v'},
    {D3DRS_POINTSIZE_MIN, floatBits(1.0f), 'v'},
    {D3DRS_POINTSPRITEENABLE, FALSE, 'b'},
    {D3DRS_POINTSCALEENABLE, FALSE, 'v'},
    {D3DRS_POINTSCALE_A, floatBits(1.0f), 'v'},
    {D3DRS_POINTSCALE_B, floatBits(0.0f), 'v'},
    {D3DRS_POINTSCALE_C, floatBits(0.0f), 'v'},
    {D3DRS_MULTISAMPLEANTIALIAS, TRUE, 'p'},
    {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF, 'p'},
    {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE, 'v'},
    {D3DRS_DEBUGMONITORTOKEN, 0, 'v'},
    {D3DRS_POINTSIZE_MAX, floatBits(64.0f), 'v'},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE, 'v'},
    {D3DRS_COLORWRITEENABLE, 0x0F, 'p'},
    {D3DRS_TWEENFACTOR, floatBits(0.0f), 'v'},
    {D3DRS_BLENDOP, D3DBLENDOP_ADD, 'p'},
    {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC, 'v'},
    {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR, 'v'},
    {D3DRS_SCISSORTESTENABLE, FALSE, 'p'},
    {D3DRS_SLOPESCALEDEPTHBIAS, 0, 'p'},
    {D3DRS_ANTIALIASEDLINEENABLE, FALSE, 'p'},
    {D3DRS_MINTESSELLATIONLEVEL, floatBits(1.0f), 'v'},
    {D3DRS_MAXTESSELLATIONLEVEL, floatBits(1.0f), 'v'},
    {D3DRS_ADAPTIVETESS_X, floatBits(0.0f), 'v'},
    {D3DRS_ADAPTIVETESS_Y, floatBits(0.0f), 'v'},
    {D3DRS_ADAPTIVETESS_Z, floatBits(1.0f), 'v'},
    {D3DRS_ADAPTIVETESS_W, floatBits(0.0f), 'v'},
    {D3DRS_ENABLEADAPTIVETESSELLATION, FALSE, 'v'},
    {D3DRS_TWOSIDEDSTENCILMODE, FALSE, 'p'},
    {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP, 'p'},
    {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS, 'p'},
    {D3DRS_COLORWRITEENABLE1, 0x0F, 'p'},
    {D3DRS_COLORWRITEENABLE2, 0x0F, 'p'},
    {D3DRS_COLORWRITEENABLE3, 0x0F, 'p'},
    {D3DRS_BLENDFACTOR, 0xFFFFFFFF, 'p'},
    {D3DRS_SRGBWRITEENABLE, 0, 'p'},
    {D3DRS_DEPTHBIAS, 0, 'p'},
    {D3DRS_WRAP8, 0, 'p'},
    {D3DRS_WRAP9, 0, 'p'},
    {D3DRS_WRAP10, 0, 'p'},
    {D3DRS_WRAP11, 0, 'p'},
    {D3DRS_WRAP12, 0, 'p'},
    {D3DRS_WRAP13, 0, 'p'},
    {D3DRS_WRAP14, 0, 'p'},
    {D3DRS_WRAP15, 0, 'p'},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE, 'p'},
    {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE, 'p'},
    {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO, 'p'},
    {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD, 'p'},
};

struct Table {
  int8_t index[256];
  Table() {
    std::memset(index, -1, sizeof index);
    for (size_t i = 0; i < sizeof kDefaults / sizeof kDefaults[0]; ++i) index[kDefaults[i].state] = (int8_t)i;
  }
};

const Table& table() {
  static const Table t;
  return t;
}

}  // namespace

bool renderStateDefault(DWORD state, bool autoDepth, DWORD* value) {
  if (state >= 256) return false;
  int i = table().index[state];
  if (i < 0) return false;
  *value = state == D3DRS_ZENABLE ? (DWORD)(autoDepth ? D3DZB_TRUE : D3DZB_FALSE) : kDefaults[i].value;
  return true;
}

bool isVertexRenderState(DWORD state) {
  if (state >= 256 || table().index[state] < 0) return false;
  char k = kDefaults[table().index[state]].kind;
  return k == 'v' || k == 'b';
}

bool isPixelRenderState(DWORD state) {
  if (state >= 256 || table().index[state] < 0) return false;
  char k = kDefaults[table().index[state]].kind;
  return k == 'p' || k == 'b';
}

}  // namespace d3d9rt

namespace swr {

void ResetDrawState(DrawState& s, uint32_t width, uint32_t height, bool depth) {
  static const D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
  std::memset(&s, 0, sizeof s);
  for (DWORD state = 0; state < 256; ++state) {
    DWORD v;
    if (d3d9rt::renderStateDefault(state, depth, &v)) s.renderState[state] = v;
  }
  for (DWORD i = 0; i < 8; ++i) {
    DWORD* t = s.stageState[i];
    t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = i;
    t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    DWORD* m = s.samplerState[i];
    m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = m[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    m[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    m[D3DSAMP_MAXANISOTROPY] = 1;
    s.textureTransform[i] = kIdentity;
  }
  s.world = s.view = s.projection = kIdentity;
  s.viewport = {0, 0, width, height, 0.0f, 1.0f};
  s.scissor = {0, 0, (LONG)width, (LONG)height};
}

}  // namespace swr
