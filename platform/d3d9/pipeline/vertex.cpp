// Vertex processing: fetch by layout, world*view*projection, fixed-function lighting, texture
// coordinate transforms. Works on a batch of referenced vertices per draw.
#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "vertex.h"

#include "layout.h"

namespace swr {
namespace {

float half(uint16_t h) {
  uint32_t sign = uint32_t(h >> 15) << 31, exp = (h >> 10) & 31, man = h & 1023, bits;
  if (exp == 0) {
    float f = std::ldexp(float(man), -24);
    return sign ? -f : f;
  }
  if (exp == 31)
    bits = sign | 0x7F800000u | (man << 13);
  else
    bits = sign | ((exp + 112) << 23) | (man << 13);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

// Unpacks one element into 4 floats; missing components read (0, 0, 0, 1).
void decode(uint8_t type, const uint8_t* p, float* o) {
  o[0] = o[1] = o[2] = 0.0f, o[3] = 1.0f;
  auto f32 = [&](int n) { std::memcpy(o, p, 4 * size_t(n)); };
  auto s16 = [&](int i) {
    int16_t v;
    std::memcpy(&v, p + 2 * i, 2);
    return v;
  };
  auto u16 = [&](int i) {
    uint16_t v;
    std::memcpy(&v, p + 2 * i, 2);
    return v;
  };
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
      f32(1);
      break;
    case D3DDECLTYPE_FLOAT2:
      f32(2);
      break;
    case D3DDECLTYPE_FLOAT3:
      f32(3);
      break;
    case D3DDECLTYPE_FLOAT4:
      f32(4);
      break;
    case D3DDECLTYPE_D3DCOLOR:
      o[0] = p[2] / 255.0f, o[1] = p[1] / 255.0f, o[2] = p[0] / 255.0f, o[3] = p[3] / 255.0f;
      break;
    case D3DDECLTYPE_UBYTE4:
      for (int i = 0; i < 4; ++i) o[i] = p[i];
      break;
    case D3DDECLTYPE_UBYTE4N:
      for (int i = 0; i < 4; ++i) o[i] = p[i] / 255.0f;
      break;
    case D3DDECLTYPE_SHORT2:
      o[0] = s16(0), o[1] = s16(1);
      break;
    case D3DDECLTYPE_SHORT4:
      for (int i = 0; i < 4; ++i) o[i] = s16(i);
      break;
    case D3DDECLTYPE_SHORT2N:
      o[0] = s16(0) / 32767.0f, o[1] = s16(1) / 32767.0f;
      break;
    case D3DDECLTYPE_SHORT4N:
      for (int i = 0; i < 4; ++i) o[i] = s16(i) / 32767.0f;
      break;
    case D3DDECLTYPE_USHORT2N:
      o[0] = u16(0) / 65535.0f, o[1] = u16(1) / 65535.0f;
      break;
    case D3DDECLTYPE_USHORT4N:
      for (int i = 0; i < 4; ++i) o[i] = u16(i) / 65535.0f;
      break;
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N: {
      uint32_t w;
      std::memcpy(&w, p, 4);
      for (int i = 0; i < 3; ++i) {
        uint32_t f = (w >> (10 * i)) & 1023;
        if (type == D3DDECLTYPE_UDEC3)
          o[i] = float(f);
        else
          o[i] = float(int32_t(f << 22) >> 22) / 511.0f;
      }
      break;
    }
    case D3DDECLTYPE_FLOAT16_2:
      o[0] = half(u16(0)), o[1] = half(u16(1));
      break;
    case D3DDECLTYPE_FLOAT16_4:
      for (int i = 0; i < 4; ++i) o[i] = half(u16(i));
      break;
    default:
      break;
  }
}

float clamp01(float x) { return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f); }

// The lighting equation in camera space. `n` may be null (no normal: only ambient terms).
void light(const VertexState& vs, const float* P, const float* n, const float* cd, const float* cs,
           const float* ca, const float* ce, Lit& out) {
  float amb[3] = {0, 0, 0}, dif[3] = {0, 0, 0}, spe[3] = {0, 0, 0};
  for (const Light& l : vs.lights) {
    float L[3], atten = 1.0f, spot = 1.0f;
    if (l.type == LightType::Directional) {
      L[0] = -l.dir[0], L[1] = -l.dir[1], L[2] = -l.dir[2];
    } else {
      float d[3] = {l.pos[0] - P[0], l.pos[1] - P[1], l.pos[2] - P[2]};
      float dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      if (dist > l.range) continue;
      float inv = dist > 0.0f ? 1.0f / dist : 0.0f;
      L[0] = d[0] * inv, L[1] = d[1] * inv, L[2] = d[2] * inv;
      float den = l.att0 + l.att1 * dist + l.att2 * dist * dist;
      atten = den > 0.0f ? 1.0f / den : 1.0f;
      if (l.type == LightType::Spot) {
        float rho = -(l.dir[0] * L[0] + l.dir[1] * L[1] + l.dir[2] * L[2]);
        if (rho > l.cosHalfTheta)
          spot = 1.0f;
        else if (rho <= l.cosHalfPhi)
          spot = 0.0f;
        else {
          float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
          spot = l.falloff == 1.0f ? t : std::pow(t, l.falloff);
        }
      }
    }
    float k = atten * spot;
    for (int c = 0; c < 3; ++c) amb[c] += ca[c] * l.ambient[c] * k;
    if (!n) continue;
    float ndl = n[0] * L[0] + n[1] * L[1] + n[2] * L[2];
    if (ndl <= 0.0f) continue;
    for (int c = 0; c < 3; ++c) dif[c] += cd[c] * l.diffuse[c] * ndl * k;
    if (vs.specular) {
      float H[3];
      if (vs.localViewer) {
        float e[3] = {-P[0], -P[1], -P[2]};
        float el = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
        float ei = el > 0.0f ? 1.0f / el : 0.0f;
        for (int c = 0; c < 3; ++c) H[c] = e[c] * ei + L[c];
      } else {
        H[0] = L[0], H[1] = L[1], H[2] = 1.0f + L[2];
      }
      float hl = std::sqrt(H[0] * H[0] + H[1] * H[1] + H[2] * H[2]);
      float ndh = hl > 0.0f ? (n[0] * H[0] + n[1] * H[1] + n[2] * H[2]) / hl : 0.0f;
      if (ndh > 0.0f) {
        float p = vs.power > 0.0f ? std::pow(ndh, vs.power) : 1.0f;
        for (int c = 0; c < 3; ++c) spe[c] += cs[c] * l.specular[c] * p * k;
      }
    }
  }
  for (int c = 0; c < 3; ++c) {
    out.diffuse[c] = clamp01(ce[c] + ca[c] * vs.globalAmbient[c] + amb[c] + dif[c]);
    out.specular[c] = clamp01(spe[c]);
  }
  out.diffuse[3] = clamp01(cd[3]);
  out.specular[3] = clamp01(cs[3]);
}

bool fromVertex(MaterialSource src, const VertexLayout& layout) {
  return (src == MaterialSource::Color1 && layout.diffuse >= 0) ||
         (src == MaterialSource::Color2 && layout.specular >= 0);
}

// The position as read, w = 1 for three components.
void readPosition(const VertexLayout& layout, const uint8_t* p, float* pos) {
  pos[0] = pos[1] = pos[2] = 0.0f, pos[3] = 1.0f;
  std::memcpy(pos, p + layout.positionOffset, layout.position == PositionKind::XYZ ? 12 : 16);
  if (layout.position == PositionKind::XYZ) pos[3] = 1.0f;
}

// The lighting equation for one vertex at `pos` (object space).
Lit lightVertex(const VertexState& vs, const VertexLayout& layout, const uint8_t* p, const float* pos,
                const float* vd, const float* vsp) {
  const float* w = vs.wv;
  float P[3];
  for (int c = 0; c < 3; ++c)
    P[c] = pos[0] * w[c] + pos[1] * w[4 + c] + pos[2] * w[8 + c] + pos[3] * w[12 + c];
  const bool hasN = layout.normal >= 0;
  float N[3];
  if (hasN) {
    float n[3];
    std::memcpy(n, p + layout.normal, 12);
    const float* r = vs.nrm;
    for (int c = 0; c < 3; ++c) N[c] = n[0] * r[c] + n[1] * r[3 + c] + n[2] * r[6 + c];
    if (vs.normalize) {
      float l = std::sqrt(N[0] * N[0] + N[1] * N[1] + N[2] * N[2]);
      if (l > 0.0f) N[0] /= l, N[1] /= l, N[2] /= l;
    }
  }
  auto pick = [&](MaterialSource src, const float* mat) -> const float* {
    if (src == MaterialSource::Color1 && layout.diffuse >= 0) return vd;
    if (src == MaterialSource::Color2 && layout.specular >= 0) return vsp;
    return mat;
  };
  Lit r;
  light(vs, P, hasN ? N : nullptr, pick(vs.diffuseSrc, vs.matDiffuse), pick(vs.specularSrc, vs.matSpecular),
        pick(vs.ambientSrc, vs.matAmbient), pick(vs.emissiveSrc, vs.matEmissive), r);
  return r;
}

// One stage's coordinates: the set it reads (missing components as (0, 0, 0, 1)), transformed
// and projected when the stage asks.
void stageTexCoords(const VertexState& vs, const Stage& g, int st, const VertexLayout& layout,
                    const uint8_t* p, float* out) {
  const int set = g.texCoordSet;
  float t[4] = {0, 0, 0, 1};
  int dims = 2;
  if (set < layout.texCount && layout.tex[set] >= 0) {
    if (layout.texType[set] == D3DDECLTYPE_FLOAT2)
      std::memcpy(t, p + layout.tex[set], 8);
    else
      decode(layout.texType[set], p + layout.tex[set], t);
    uint8_t ty = layout.texType[set];
    dims = ty <= D3DDECLTYPE_FLOAT4 ? ty + 1 : 4;
  }
  if (g.transform.enabled) {
    float in[4] = {t[0], dims >= 2 ? t[1] : 1.0f, dims >= 3 ? t[2] : (dims == 2 ? 1.0f : 0.0f),
                   dims >= 4 ? t[3] : (dims == 3 ? 1.0f : 0.0f)};
    const float* x = vs.texMat[st];
    float r[4];
    for (int c = 0; c < 4; ++c) r[c] = in[0] * x[c] + in[1] * x[4 + c] + in[2] * x[8 + c] + in[3] * x[12 + c];
    const int cnt = g.transform.count;
    if (g.transform.projected && cnt >= 2 && cnt <= 4 && r[cnt - 1] != 0.0f)
      r[0] /= r[cnt - 1], r[1] /= r[cnt - 1];
    t[0] = r[0], t[1] = r[1];
  }
  out[0] = t[0];
  out[1] = t[1];
}

}  // namespace

uint32_t readableVertices(const VertexLayout& l, uint32_t end, uint32_t vertexCount) {
  if (l.positionOffset < 0 || vertexCount == 0 || l.stride == 0) return 0;
  uint64_t bytes = uint64_t(vertexCount) * l.stride;
  if (uint64_t(end) > bytes) return 0;
  uint64_t n = (bytes - uint64_t(end)) / l.stride + 1;
  return n < vertexCount ? uint32_t(n) : vertexCount;
}

VertexPlan planVertices(const VertexState& vs, const VertexLayout& layout) {
  VertexPlan plan;
  plan.rhw = layout.position == PositionKind::XYZRHW;
  plan.lit = vs.lighting && !plan.rhw;
  // Without normals, directional lights and material-only colours every vertex gets the same
  // colour, worked out once per vertex state.
  bool constLit = plan.lit && layout.normal < 0;
  for (const Light& l : vs.lights) constLit = constLit && l.type == LightType::Directional;
  constLit = constLit && !fromVertex(vs.diffuseSrc, layout) && !fromVertex(vs.ambientSrc, layout) &&
             !fromVertex(vs.emissiveSrc, layout) && !fromVertex(vs.specularSrc, layout);
  plan.constLit = constLit;
  if (constLit) {
    if (!vs.constLitValid) {
      const float zero[3] = {0, 0, 0};
      light(vs, zero, nullptr, vs.matDiffuse, vs.matSpecular, vs.matAmbient, vs.matEmissive, vs.constLit);
      vs.constLitValid = true;
    }
    plan.color = vs.constLit;
  } else {
    plan.color = Lit{{1, 1, 1, 1}, {0, 0, 0, 0}};  // unlit vertices without colours
  }
  plan.uniformDiffuse = constLit || (!plan.lit && layout.diffuse < 0);
  plan.uniformSpecular = constLit || (!plan.lit && layout.specular < 0);
  return plan;
}

namespace {

// Phase 1: clip-space positions. Pre-transformed vertices keep x, y, z and get w = 1 / rhw; the
// others go through world * view * projection, one vertex per vector, in the order of the scalar
// sums (x * m0 + y * m4) + z * m8 + w * m12 so that every bit agrees.
void positionPhase(const VertexState& vs, const VertexLayout& layout, const uint8_t* base,
                   const uint32_t* indices, uint32_t count, PVertex* out) {
  const size_t stride = layout.stride;
  const uint8_t* at = base + layout.positionOffset;
  if (layout.position == PositionKind::XYZRHW) {
    for (uint32_t k = 0; k < count; ++k) {
      float pos[4];
      std::memcpy(pos, at + indices[k] * stride, 16);
      float w = pos[3] > 0.0f && std::isfinite(pos[3]) ? 1.0f / pos[3] : 1.0f;
      PVertex& o = out[k];
      o.x = pos[0] * w, o.y = pos[1] * w, o.z = pos[2] * w, o.w = w;
    }
    return;
  }
  const __m128 r0 = _mm_loadu_ps(vs.mvp), r1 = _mm_loadu_ps(vs.mvp + 4), r2 = _mm_loadu_ps(vs.mvp + 8),
               r3 = _mm_loadu_ps(vs.mvp + 12);
  if (layout.position == PositionKind::XYZ) {
    // w = 1: the last product is the row itself.
    for (uint32_t k = 0; k < count; ++k) {
      float q[3];
      std::memcpy(q, at + indices[k] * stride, 12);
      __m128 v = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(q[0]), r0), _mm_mul_ps(_mm_set1_ps(q[1]), r1));
      v = _mm_add_ps(_mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(q[2]), r2)), r3);
      _mm_storeu_ps(&out[k].x, v);
    }
    return;
  }
  for (uint32_t k = 0; k < count; ++k) {
    float q[4];
    std::memcpy(q, at + indices[k] * stride, 16);
    __m128 v = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(q[0]), r0), _mm_mul_ps(_mm_set1_ps(q[1]), r1));
    v = _mm_add_ps(_mm_add_ps(v, _mm_mul_ps(_mm_set1_ps(q[2]), r2)), _mm_mul_ps(_mm_set1_ps(q[3]), r3));
    _mm_storeu_ps(&out[k].x, v);
  }
}

// Phase 2: the diffuse colour into the first varyings and the specular one into its slot, if any.
void colorPhase(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                const VertexPlan& plan, const uint8_t* base, const uint32_t* indices, uint32_t count,
                PVertex* out) {
  const int specularAt = ps.specularSlot;
  if (plan.uniformDiffuse && (plan.uniformSpecular || specularAt < 0)) {
    const Lit& c = plan.color;
    for (uint32_t k = 0; k < count; ++k) {
      std::memcpy(out[k].v, c.diffuse, 16);
      if (specularAt >= 0) std::memcpy(out[k].v + specularAt, c.specular, 16);
    }
    return;
  }
  for (uint32_t k = 0; k < count; ++k) {
    const uint8_t* p = base + size_t(indices[k]) * layout.stride;
    float vd[4] = {1, 1, 1, 1}, vsp[4] = {0, 0, 0, 0};
    if (layout.diffuse >= 0) decode(layout.diffuseType, p + layout.diffuse, vd);
    if (layout.specular >= 0) decode(layout.specularType, p + layout.specular, vsp);
    Lit c;
    if (plan.constLit) {
      c = plan.color;
    } else if (plan.lit) {
      float pos[4];
      readPosition(layout, p, pos);
      c = lightVertex(vs, layout, p, pos, vd, vsp);
    } else {
      std::memcpy(c.diffuse, vd, 16);
      std::memcpy(c.specular, vsp, 16);
    }
    std::memcpy(out[k].v, c.diffuse, 16);
    if (specularAt >= 0) std::memcpy(out[k].v + specularAt, c.specular, 16);
  }
}

// Phase 3: each textured stage's coordinates; untransformed two-float sets (nearly all of them) and
// missing ones without the general decode.
void texturePhase(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                  const uint8_t* base, const uint32_t* indices, uint32_t count, PVertex* out) {
  const size_t stride = layout.stride;
  for (int st = 0; st < ps.stageCount; ++st) {
    const Stage& g = ps.stage[st];
    const int slot = g.texSlot;
    if (slot < 0) continue;
    const int set = g.texCoordSet;
    const bool present = set < layout.texCount && layout.tex[set] >= 0;
    if (!g.transform.enabled && present && layout.texType[set] == D3DDECLTYPE_FLOAT2) {
      const uint8_t* at = base + layout.tex[set];
      for (uint32_t k = 0; k < count; ++k) std::memcpy(out[k].v + slot, at + indices[k] * stride, 8);
    } else if (!g.transform.enabled && !present) {
      for (uint32_t k = 0; k < count; ++k) out[k].v[slot] = out[k].v[slot + 1] = 0.0f;
    } else {
      for (uint32_t k = 0; k < count; ++k)
        stageTexCoords(vs, g, st, layout, base + indices[k] * stride, out[k].v + slot);
    }
  }
}

}  // namespace

void positionVertices(const VertexState& vs, const VertexLayout& layout, const uint8_t* base,
                      const uint32_t* indices, uint32_t count, PVertex* out) {
  positionPhase(vs, layout, base, indices, count, out);
}

void attributeVertices(const VertexState& vs, const PixelState& ps, const VertexLayout& layout,
                       const VertexPlan& plan, const uint8_t* base, const uint32_t* indices, uint32_t count,
                       PVertex* out) {
  colorPhase(vs, ps, layout, plan, base, indices, count, out);
  texturePhase(vs, ps, layout, base, indices, count, out);
}

}  // namespace swr
