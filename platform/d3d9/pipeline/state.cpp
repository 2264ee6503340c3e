// State resolution: turns the device's plain state arrays into the compact records the vertex and
// pixel stages run on. Runs only when the device reports a state change.
#include <cmath>
#include <cstring>

#include "state.h"

#include "kernels.h"

namespace swr {
namespace {

void mul(const float* a, const float* b, float* out) {
  float r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i * 4 + j] =
          a[i * 4] * b[j] + a[i * 4 + 1] * b[4 + j] + a[i * 4 + 2] * b[8 + j] + a[i * 4 + 3] * b[12 + j];
  std::memcpy(out, r, sizeof(r));
}

// Inverse transpose of the upper 3x3 (for normals); falls back to the plain 3x3 when singular.
void normalMatrix(const float* m, float* out) {
  float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
  float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  float det = a * A + b * B + c * C;
  if (!(std::fabs(det) > 1e-30f) || !std::isfinite(det)) {
    const float k[9] = {a, b, c, d, e, f, g, h, i};
    std::memcpy(out, k, sizeof(k));
    return;
  }
  float inv = 1.0f / det;
  // (M^-1)^T = cofactor matrix / det.
  out[0] = A * inv, out[1] = B * inv, out[2] = C * inv;
  out[3] = -(b * i - c * h) * inv, out[4] = (a * i - c * g) * inv, out[5] = -(a * h - b * g) * inv;
  out[6] = (b * f - c * e) * inv, out[7] = -(a * f - c * d) * inv, out[8] = (a * e - b * d) * inv;
}

void color4(const D3DCOLORVALUE& c, float* out) { out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a; }
void color3(const D3DCOLORVALUE& c, float* out) { out[0] = c.r, out[1] = c.g, out[2] = c.b; }

float asFloat(DWORD d) {
  float f;
  std::memcpy(&f, &d, 4);
  return f;
}

void norm3(float* v) {
  float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (l > 0.0f) v[0] /= l, v[1] /= l, v[2] /= l;
}

ScreenMap makeMap(float ox, float oy, float scx, float scy, float oz, float scz) {
  ScreenMap m{ox, oy, scx, scy, oz, scz, 0, 0, 0, 0};
  float ax = (-kGuard - ox) / scx, bx = (kGuard - ox) / scx;
  float ay = (-kGuard - oy) / scy, by = (kGuard - oy) / scy;
  m.gx0 = std::fmin(ax, bx), m.gx1 = std::fmax(ax, bx);
  m.gy0 = std::fmin(ay, by), m.gy1 = std::fmax(ay, by);
  return m;
}

// One stage argument word: its selector and modifiers.
StageArg stageArg(DWORD word) {
  const DWORD sel = word & D3DTA_SELECTMASK;
  return {sel <= D3DTA_CONSTANT ? ArgSource(sel) : ArgSource::Unknown, (word & D3DTA_COMPLEMENT) != 0,
          (word & D3DTA_ALPHAREPLICATE) != 0};
}

StageOperation stageOperation(const DWORD* ts, D3DTEXTURESTAGESTATETYPE op, D3DTEXTURESTAGESTATETYPE arg0,
                              D3DTEXTURESTAGESTATETYPE arg1, D3DTEXTURESTAGESTATETYPE arg2) {
  return {TextureOp(ts[op]), stageArg(ts[arg0]), stageArg(ts[arg1]), stageArg(ts[arg2])};
}

Filter filterOf(DWORD f) { return f == D3DTEXF_POINT || f == D3DTEXF_NONE ? Filter::Point : Filter::Linear; }

// The usable levels of a bound texture, from the top, up to the first unusable one. Returns the count.
int sampledLevels(const SampleSource* src, Sampler& sm) {
  int levels = 0;
  for (uint32_t l = 0; src && l < src->levelCount && l < 16; ++l) {
    const TexLevel& tl = src->levels[l];
    if (!tl.texels || tl.width == 0 || tl.height == 0 || tl.pitch < tl.width || tl.width > (1u << 24) ||
        tl.height > (1u << 24))
      break;
    sm.level[l] = {tl.texels, int32_t(tl.width), int32_t(tl.height), int32_t(tl.pitch)};
    levels = int(l) + 1;
  }
  return levels;
}

void resolveSampler(const DWORD* ss, const SampleSource& src, int levels, Sampler& sm) {
  sm.levelCount = levels;
  sm.opaque = src.opaque;
  sm.addressU = Address(ss[D3DSAMP_ADDRESSU]);
  sm.addressV = Address(ss[D3DSAMP_ADDRESSV]);
  sm.border = ss[D3DSAMP_BORDERCOLOR];
  sm.mag = filterOf(ss[D3DSAMP_MAGFILTER]);
  sm.min = filterOf(ss[D3DSAMP_MINFILTER]);
  const DWORD mip = ss[D3DSAMP_MIPFILTER];
  sm.mip = mip == D3DTEXF_NONE ? MipMode::None : mip == D3DTEXF_POINT ? MipMode::Nearest : MipMode::Linear;
  if (levels == 1) sm.mip = MipMode::None;
  float bias = asFloat(ss[D3DSAMP_MIPMAPLODBIAS]);
  sm.lodBias = std::isfinite(bias) ? bias : 0.0f;
  sm.maxLevel = int(ss[D3DSAMP_MAXMIPLEVEL] < DWORD(levels) ? ss[D3DSAMP_MAXMIPLEVEL] : DWORD(levels - 1));
}

// Stage 0 onwards up to the first disabled stage: operations, textures and samplers.
void resolveStages(const DrawState& s, PixelState& ps) {
  ps.stageCount = 0;
  for (int st = 0; st < 8; ++st) {
    const DWORD* ts = s.stageState[st];
    const TextureOp colorOp = TextureOp(ts[D3DTSS_COLOROP]);
    if (colorOp == TextureOp::Disable || !validOp(colorOp)) break;
    Stage& g = ps.stage[st];
    g.color = stageOperation(ts, D3DTSS_COLOROP, D3DTSS_COLORARG0, D3DTSS_COLORARG1, D3DTSS_COLORARG2);
    g.alpha = stageOperation(ts, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG0, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2);
    g.toTemp = ts[D3DTSS_RESULTARG] == D3DTA_TEMP;
    g.constant = ts[D3DTSS_CONSTANT];
    const SampleSource* src = s.texture[st];
    const int levels = sampledLevels(src, ps.samp[st]);
    g.hasTex = levels > 0;
    g.bound = {src ? src->id : 0, src ? src->version : 0,
               src && src->levelCount ? src->levels[0].texels : nullptr};
    g.texSlot = -1;  // assigned with the varyings
    if (g.hasTex) resolveSampler(s.samplerState[st], *src, levels, ps.samp[st]);
    const int set = int(ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF);
    g.texCoordSet = set < 8 ? set : 0;
    const DWORD tf = ts[D3DTSS_TEXTURETRANSFORMFLAGS];
    g.transform = {(tf & 0xFF) != D3DTTFF_DISABLE, (tf & D3DTTFF_PROJECTED) != 0, int(tf & 0xFF)};
    ps.stageCount = st + 1;
  }
}

// The varying layout: diffuse, the specular colour when it is added, two per textured stage.
void assignVaryings(PixelState& ps) {
  int nv = 4;
  ps.specularSlot = -1;
  if (ps.specularAdd) ps.specularSlot = nv, nv += 4;
  for (int st = 0; st < ps.stageCount; ++st)
    if (ps.stage[st].hasTex) ps.stage[st].texSlot = nv, nv += 2;
  ps.varyingCount = nv;
}

StencilFace stencilFace(const DWORD* rs, D3DRENDERSTATETYPE func, D3DRENDERSTATETYPE fail,
                        D3DRENDERSTATETYPE zFail, D3DRENDERSTATETYPE pass) {
  return {Compare(rs[func]), StencilOp(rs[fail]), StencilOp(rs[zFail]), StencilOp(rs[pass])};
}

void resolveTests(const DWORD* rs, PixelState& ps) {
  ps.alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0 && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS;
  ps.alphaFunc = Compare(rs[D3DRS_ALPHAFUNC]);
  ps.alphaRef = rs[D3DRS_ALPHAREF] & 255;
  ps.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE;
  ps.depthWrite = ps.depthTest && rs[D3DRS_ZWRITEENABLE] != 0;
  ps.zfunc = Compare(rs[D3DRS_ZFUNC]);
  ps.stencil = rs[D3DRS_STENCILENABLE] != 0;
  ps.twoSided = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
  ps.stencilFront =
      stencilFace(rs, D3DRS_STENCILFUNC, D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS);
  ps.stencilBack = ps.twoSided ? stencilFace(rs, D3DRS_CCW_STENCILFUNC, D3DRS_CCW_STENCILFAIL,
                                             D3DRS_CCW_STENCILZFAIL, D3DRS_CCW_STENCILPASS)
                               : ps.stencilFront;
  ps.stencilRef = rs[D3DRS_STENCILREF] & 255;
  ps.stencilMask = rs[D3DRS_STENCILMASK] & 255;
  ps.stencilWriteMask = rs[D3DRS_STENCILWRITEMASK] & 255;
}

void resolveOutput(const DWORD* rs, PixelState& ps) {
  ps.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
  ps.colorBlend = {BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]),
                   BlendOp(rs[D3DRS_BLENDOP])};
  ps.alphaBlend = rs[D3DRS_SEPARATEALPHABLENDENABLE]
                      ? BlendEquation{BlendFactor(rs[D3DRS_SRCBLENDALPHA]),
                                      BlendFactor(rs[D3DRS_DESTBLENDALPHA]), BlendOp(rs[D3DRS_BLENDOPALPHA])}
                      : ps.colorBlend;
  ps.blendFactor = rs[D3DRS_BLENDFACTOR];
  const DWORD cw = rs[D3DRS_COLORWRITEENABLE];
  ps.writeMask = ((cw & 1) ? 0x00FF0000u : 0) | ((cw & 2) ? 0x0000FF00u : 0) | ((cw & 4) ? 0x000000FFu : 0) |
                 ((cw & 8) ? 0xFF000000u : 0);
}

void resolveAssembly(const DWORD* rs, PixelState& ps) {
  ps.cull = Cull(rs[D3DRS_CULLMODE]);
  ps.fill = FillMode(rs[D3DRS_FILLMODE]);
  ps.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  ps.lastPixel = rs[D3DRS_LASTPIXEL] != 0;
  float size = asFloat(rs[D3DRS_POINTSIZE]);
  const float lo = asFloat(rs[D3DRS_POINTSIZE_MIN]), hi = asFloat(rs[D3DRS_POINTSIZE_MAX]);
  if (!std::isfinite(size)) size = 1.0f;
  if (std::isfinite(hi) && size > hi) size = hi;
  if (std::isfinite(lo) && size < lo) size = lo;
  ps.pointSize = std::fmin(std::fmax(size, 0.0f), 256.0f);
  ps.clipping = rs[D3DRS_CLIPPING] != 0;
}

}  // namespace

void resolveVertexState(const DrawState& s, VertexState& vs) {
  const DWORD* rs = s.renderState;
  float wv[16];
  mul(&s.world._11, &s.view._11, wv);
  std::memcpy(vs.wv, wv, sizeof(wv));
  mul(wv, &s.projection._11, vs.mvp);
  normalMatrix(wv, vs.nrm);

  vs.lighting = rs[D3DRS_LIGHTING] != 0;
  vs.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
  vs.specular = rs[D3DRS_SPECULARENABLE] != 0;
  vs.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
  vs.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
  auto src = [&](D3DRENDERSTATETYPE st) {
    return vs.colorVertex && rs[st] <= D3DMCS_COLOR2 ? MaterialSource(rs[st]) : MaterialSource::Material;
  };
  vs.diffuseSrc = src(D3DRS_DIFFUSEMATERIALSOURCE);
  vs.specularSrc = src(D3DRS_SPECULARMATERIALSOURCE);
  vs.ambientSrc = src(D3DRS_AMBIENTMATERIALSOURCE);
  vs.emissiveSrc = src(D3DRS_EMISSIVEMATERIALSOURCE);
  color4(s.material.Diffuse, vs.matDiffuse);
  color4(s.material.Ambient, vs.matAmbient);
  color4(s.material.Specular, vs.matSpecular);
  color4(s.material.Emissive, vs.matEmissive);
  vs.power = s.material.Power;
  DWORD ga = rs[D3DRS_AMBIENT];
  vs.globalAmbient[0] = float((ga >> 16) & 255) / 255.0f;
  vs.globalAmbient[1] = float((ga >> 8) & 255) / 255.0f;
  vs.globalAmbient[2] = float(ga & 255) / 255.0f;

  vs.lights.clear();
  const float* v = &s.view._11;
  for (uint32_t i = 0; s.lights && i < s.lightCount; ++i) {
    const D3DLIGHT9& l = s.lights[i];
    if (l.Type < D3DLIGHT_POINT || l.Type > D3DLIGHT_DIRECTIONAL) continue;
    Light c{};
    c.type = LightType(l.Type);
    color3(l.Diffuse, c.diffuse);
    color3(l.Specular, c.specular);
    color3(l.Ambient, c.ambient);
    const float p[3] = {l.Position.x, l.Position.y, l.Position.z};
    const float d[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
    for (int k = 0; k < 3; ++k) {
      c.pos[k] = p[0] * v[k] + p[1] * v[4 + k] + p[2] * v[8 + k] + v[12 + k];
      c.dir[k] = d[0] * v[k] + d[1] * v[4 + k] + d[2] * v[8 + k];
    }
    norm3(c.dir);
    c.range = l.Range;
    c.falloff = l.Falloff;
    c.att0 = l.Attenuation0, c.att1 = l.Attenuation1, c.att2 = l.Attenuation2;
    c.cosHalfTheta = std::cos(l.Theta * 0.5f);
    c.cosHalfPhi = std::cos(l.Phi * 0.5f);
    vs.lights.push_back(c);
  }

  const D3DVIEWPORT9& vp = s.viewport;
  float hw = std::fmax(float(vp.Width) * 0.5f, 0.5f), hh = std::fmax(float(vp.Height) * 0.5f, 0.5f);
  vs.transformedMap = makeMap(float(vp.X) + hw, float(vp.Y) + hh, hw, -hh, vp.MinZ, vp.MaxZ - vp.MinZ);
  vs.pretransformedMap = makeMap(0, 0, 1, 1, 0, 1);

  for (int i = 0; i < 8; ++i) std::memcpy(vs.texMat[i], &s.textureTransform[i]._11, 64);
  vs.constLitValid = false;
}

void resolvePixelState(const DrawState& s, PixelState& ps) {
  const DWORD* rs = s.renderState;
  resolveStages(s, ps);
  ps.specularAdd = rs[D3DRS_SPECULARENABLE] != 0;
  assignVaryings(ps);
  ps.tfactor = rs[D3DRS_TEXTUREFACTOR];
  resolveTests(rs, ps);
  resolveOutput(rs, ps);
  resolveAssembly(rs, ps);
  ps.span = chooseKernel(ps);
}

}  // namespace swr
