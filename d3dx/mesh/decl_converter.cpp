// Element lookup and the element-by-element vertex converter between two declarations.
#include <cmath>
#include <cstring>

#include "declaration.h"

namespace d3dx {

namespace {

// NaN gives 0 and values past the int range saturate, so no input reaches an undefined conversion.
int RoundHalfUp(float v) {
  float t = v + 0.5f;
  if (t != t) return 0;
  if (t >= 2147483520.0f) return 2147483647;
  if (t <= -2147483520.0f) return -2147483647 - 1;
  return static_cast<int>(t);
}

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

template <typename T>
T Load(const BYTE* p, int i) {
  T v;
  std::memcpy(&v, p + i * sizeof(T), sizeof(T));
  return v;
}
template <typename T>
void Store(BYTE* p, int i, T v) {
  std::memcpy(p + i * sizeof(T), &v, sizeof(T));
}

bool Qualifies(const D3DVERTEXELEMENT9& e, BYTE usage, BYTE index) {
  return e.Usage == usage && e.UsageIndex == index;
}
bool IsFloatN(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }
bool IsColorType(BYTE type) { return type == D3DDECLTYPE_FLOAT4 || type == D3DDECLTYPE_D3DCOLOR; }

}  // namespace

void ElementLookup::Setup(const D3DVERTEXELEMENT9* declaration) {
  *this = ElementLookup();
  decl = declaration;
  length = DeclLength(declaration);
  vertexSize = D3DXGetDeclVertexSize(declaration, 0);
  for (UINT i = 0; i < length; ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    // Only elements that lie inside a stream-0 vertex can be read or written safely.
    if (e.Stream != 0 || e.Offset + DeclTypeSize(e.Type) > vertexSize) continue;
    if (Qualifies(e, D3DDECLUSAGE_POSITION, 0) && e.Type == D3DDECLTYPE_FLOAT3) position = &e;
    if (Qualifies(e, D3DDECLUSAGE_BLENDWEIGHT, 0) && IsFloatN(e.Type)) blendWeights = &e;
    if (Qualifies(e, D3DDECLUSAGE_BLENDINDICES, 0) &&
        (e.Type == D3DDECLTYPE_UBYTE4 || e.Type == D3DDECLTYPE_D3DCOLOR))
      blendIndices = &e;
    if (Qualifies(e, D3DDECLUSAGE_NORMAL, 0) && e.Type == D3DDECLTYPE_FLOAT3) normal = &e;
    if (Qualifies(e, D3DDECLUSAGE_COLOR, 0) && IsColorType(e.Type)) diffuse = &e;
    if (Qualifies(e, D3DDECLUSAGE_COLOR, 1) && IsColorType(e.Type)) specular = &e;
    if (e.Usage == D3DDECLUSAGE_TEXCOORD && e.UsageIndex < 8 && IsFloatN(e.Type))
      texCoords[e.UsageIndex] = &e;
  }
}

void DecodeElement(BYTE type, const BYTE* src, float out[4]) {
  out[0] = out[1] = out[2] = 0.0f;
  out[3] = 1.0f;
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
      std::memcpy(out, src, DeclTypeSize(type));
      break;
    case D3DDECLTYPE_D3DCOLOR:
      out[0] = src[2] * (1.0f / 255);
      out[1] = src[1] * (1.0f / 255);
      out[2] = src[0] * (1.0f / 255);
      out[3] = src[3] * (1.0f / 255);
      break;
    case D3DDECLTYPE_UBYTE4:
      for (int i = 0; i < 4; ++i) out[i] = src[i];
      break;
    case D3DDECLTYPE_UBYTE4N:
      for (int i = 0; i < 4; ++i) out[i] = src[i] * (1.0f / 255);
      break;
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT4:
      for (int i = 0; i < (type == D3DDECLTYPE_SHORT2 ? 2 : 4); ++i) out[i] = Load<int16_t>(src, i);
      break;
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_SHORT4N:
      for (int i = 0; i < (type == D3DDECLTYPE_SHORT2N ? 2 : 4); ++i) {
        int v = Load<int16_t>(src, i);
        out[i] = (v == -32768 ? -32767 : v) * (1.0f / 32767);
      }
      break;
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_USHORT4N:
      for (int i = 0; i < (type == D3DDECLTYPE_USHORT2N ? 2 : 4); ++i)
        out[i] = Load<uint16_t>(src, i) * (1.0f / 65535);
      break;
    case D3DDECLTYPE_UDEC3: {
      DWORD v = Load<DWORD>(src, 0);
      for (int i = 0; i < 3; ++i) out[i] = static_cast<float>((v >> (10 * i)) & 0x3FF);
      break;
    }
    case D3DDECLTYPE_DEC3N: {
      DWORD v = Load<DWORD>(src, 0);
      for (int i = 0; i < 3; ++i) {
        int c = static_cast<int>((v >> (10 * i)) & 0x3FF);
        if (c & 0x200) c -= 0x400;
        if (c == -512) c = -511;
        out[i] = c * (1.0f / 511);
      }
      break;
    }
    case D3DDECLTYPE_FLOAT16_2:
    case D3DDECLTYPE_FLOAT16_4: {
      D3DXFLOAT16 halves[4];
      UINT n = type == D3DDECLTYPE_FLOAT16_2 ? 2 : 4;
      std::memcpy(halves, src, n * sizeof(WORD));
      D3DXFloat16To32Array(out, halves, n);
      break;
    }
    default:
      break;
  }
}

void EncodeElement(BYTE type, const float in[4], BYTE* dst) {
  float v[4] = {in[0], in[1], in[2], in[3]};
  switch (type) {
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_UDEC3:
      for (float& c : v) c = c < 0 ? 0 : c;
      break;
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_DEC3N:
      for (float& c : v) c = Clamp(c, -1, 1);
      break;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_USHORT4N:
      for (float& c : v) c = Clamp(c, 0, 1);
      break;
    default:
      break;
  }
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
      std::memcpy(dst, v, DeclTypeSize(type));
      break;
    case D3DDECLTYPE_D3DCOLOR: {
      DWORD c = static_cast<DWORD>(RoundHalfUp(255 * v[0])) << 16 |
                static_cast<DWORD>(RoundHalfUp(255 * v[1])) << 8 |
                static_cast<DWORD>(RoundHalfUp(255 * v[2])) |
                static_cast<DWORD>(RoundHalfUp(255 * v[3])) << 24;
      Store<DWORD>(dst, 0, c);
      break;
    }
    case D3DDECLTYPE_UBYTE4:
      // Values past 255 wrap as the byte store does; the clamp only covers negatives.
      for (int i = 0; i < 4; ++i) dst[i] = static_cast<BYTE>(RoundHalfUp(v[i]));
      break;
    case D3DDECLTYPE_UBYTE4N:
      for (int i = 0; i < 4; ++i) dst[i] = static_cast<BYTE>(RoundHalfUp(255 * v[i]));
      break;
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT4:
      for (int i = 0; i < (type == D3DDECLTYPE_SHORT2 ? 2 : 4); ++i)
        Store<int16_t>(dst, i, static_cast<int16_t>(RoundHalfUp(v[i])));
      break;
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_SHORT4N:
      for (int i = 0; i < (type == D3DDECLTYPE_SHORT2N ? 2 : 4); ++i)
        Store<int16_t>(dst, i, static_cast<int16_t>(RoundHalfUp(32767 * v[i])));
      break;
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_USHORT4N:
      for (int i = 0; i < (type == D3DDECLTYPE_USHORT2N ? 2 : 4); ++i)
        Store<uint16_t>(dst, i, static_cast<uint16_t>(RoundHalfUp(65535 * v[i])));
      break;
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N: {
      float scale = type == D3DDECLTYPE_DEC3N ? 511.0f : 1.0f;
      DWORD n[3];
      for (int i = 0; i < 3; ++i) n[i] = static_cast<DWORD>(RoundHalfUp(scale * v[i]));
      Store<DWORD>(dst, 0, (n[0] & 0x3FF) | ((n[1] << 10) & 0xFFC00) | ((n[2] << 20) & 0x3FF00000));
      break;
    }
    case D3DDECLTYPE_FLOAT16_2:
    case D3DDECLTYPE_FLOAT16_4: {
      D3DXFLOAT16 halves[4];
      UINT n = type == D3DDECLTYPE_FLOAT16_2 ? 2 : 4;
      D3DXFloat32To16Array(halves, v, n);
      std::memcpy(dst, halves, n * sizeof(WORD));
      break;
    }
    default:
      break;
  }
}

void DeclConverter::Setup(const D3DVERTEXELEMENT9* from, const D3DVERTEXELEMENT9* to) {
  source.Setup(from);
  destination.Setup(to);
  pairCount_ = 0;
  for (UINT i = 0; i < source.length; ++i) {
    const D3DVERTEXELEMENT9& s = from[i];
    if (s.Stream != 0 || s.Offset + DeclTypeSize(s.Type) > source.vertexSize) continue;
    for (UINT j = 0; j < destination.length; ++j) {
      const D3DVERTEXELEMENT9& d = to[j];
      if (d.Usage != s.Usage || d.UsageIndex != s.UsageIndex) continue;
      if (s.Method != D3DDECLMETHOD_UV && d.Method != D3DDECLMETHOD_UV && d.Stream == 0 &&
          d.Offset + DeclTypeSize(d.Type) <= destination.vertexSize)
        pairs_[pairCount_++] = {&s, &d};
      break;
    }
  }
}

void DeclConverter::ConvertVertex(UINT sourceIndex, UINT destinationIndex, bool zeroFill) {
  const BYTE* src = src_ + static_cast<size_t>(sourceIndex) * source.vertexSize;
  BYTE* dst = dst_ + static_cast<size_t>(destinationIndex) * destination.vertexSize;
  if (zeroFill) std::memset(dst, 0, destination.vertexSize);
  for (UINT i = 0; i < pairCount_; ++i) {
    const D3DVERTEXELEMENT9& s = *pairs_[i].from;
    float v[4];
    DecodeElement(s.Type, src + s.Offset, v);
    // Blend weights stored without their last member imply it: the weights sum to one.
    if (s.Usage == D3DDECLUSAGE_BLENDWEIGHT && s.Type <= D3DDECLTYPE_FLOAT3) {
      int n = s.Type - D3DDECLTYPE_FLOAT1 + 1;
      float sum = 0;
      for (int k = 0; k < n; ++k) sum += v[k];
      v[n] = 1.0f - sum;
    }
    EncodeElement(pairs_[i].to->Type, v, dst + pairs_[i].to->Offset);
  }
}

}  // namespace d3dx
