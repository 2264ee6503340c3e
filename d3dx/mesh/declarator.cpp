// Translation between FVF codes and vertex declarations, and declaration measurement.
#include <cstring>

#include "declaration.h"

namespace d3dx {

namespace {

const BYTE kTypeSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8, 0};
const D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

bool IsEnd(const D3DVERTEXELEMENT9& e) { return e.Stream == 0xFF; }

// Texture-set size code (two bits per set) for a FLOATn element, and back.
BYTE TexTypeFromCode(DWORD code) {
  static const BYTE types[] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                               D3DDECLTYPE_FLOAT1};
  return types[code & 3];
}
DWORD CodeFromTexType(BYTE type) {
  static const DWORD codes[] = {3, 0, 1, 2};
  return codes[type];
}

bool IsFloatN(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }

}  // namespace

UINT DeclTypeSize(BYTE type) { return type < sizeof(kTypeSizes) ? kTypeSizes[type] : 0; }

UINT DeclLength(const D3DVERTEXELEMENT9* decl) {
  if (!decl) return 0;
  UINT n = 0;
  while (n < MAX_FVF_DECL_SIZE - 1 && !IsEnd(decl[n])) ++n;
  return n;
}

bool DeclIsValid(const D3DVERTEXELEMENT9* decl) {
  if (!decl) return false;
  UINT end = 0;
  UINT i = 0;
  for (; i < MAX_FVF_DECL_SIZE && !IsEnd(decl[i]); ++i) {
    const D3DVERTEXELEMENT9& e = decl[i];
    if (e.Stream != 0) return false;  // types are not judged here: an unknown one measures 0
    if (e.Method == D3DDECLMETHOD_DEFAULT) {
      if (e.Offset < end) return false;
      end = e.Offset + DeclTypeSize(e.Type);
    }
  }
  return i < MAX_FVF_DECL_SIZE;  // bounds the read: the end marker must be inside the array
}

bool DeclEqual(const D3DVERTEXELEMENT9* a, const D3DVERTEXELEMENT9* b) {
  UINT n = DeclLength(a);
  return n == DeclLength(b) && std::memcmp(a, b, n * sizeof(D3DVERTEXELEMENT9)) == 0;
}

}  // namespace d3dx

using d3dx::DeclTypeSize;

UINT WINAPI D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration) { return d3dx::DeclLength(declaration); }

UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
  if (!declaration) return 0;
  UINT size = 0;
  UINT n = d3dx::DeclLength(declaration);
  for (UINT i = 0; i < n; ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    if (e.Stream != stream || e.Method == D3DDECLMETHOD_UV) continue;
    UINT end = e.Offset + DeclTypeSize(e.Type);
    if (end > size) size = end;
  }
  return size;
}

HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (!declaration || (fvf & 0x6001)) return D3DERR_INVALIDCALL;
  DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (texCount > 8) return D3DERR_INVALIDCALL;

  D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE];
  UINT n = 0;
  WORD offset = 0;
  auto add = [&](BYTE type, BYTE usage, BYTE index) {
    out[n++] = {0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index};
    offset = static_cast<WORD>(offset + DeclTypeSize(type));
  };

  DWORD position = fvf & D3DFVF_POSITION_MASK;
  if (position == D3DFVF_XYZRHW) {
    add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
  } else if (position) {
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    DWORD betas = position >= D3DFVF_XYZB1 ? (position - D3DFVF_XYZB1) / 2 + 1 : 0;
    if (betas) {
      if (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) {
        if (betas > 1) add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + betas - 2), D3DDECLUSAGE_BLENDWEIGHT, 0);
        add((fvf & D3DFVF_LASTBETA_UBYTE4) ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
            D3DDECLUSAGE_BLENDINDICES, 0);
      } else {
        if (betas == 5) return D3DERR_INVALIDCALL;
        add(static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + betas - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
      }
    }
  }
  if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
  if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
  if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
  if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
  for (DWORD i = 0; i < texCount; ++i)
    add(d3dx::TexTypeFromCode(fvf >> (16 + 2 * i)), D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(i));
  out[n++] = d3dx::kEnd;
  std::memcpy(declaration, out, n * sizeof(D3DVERTEXELEMENT9));
  return D3D_OK;
}

HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvfOut) {
  if (!declaration || !fvfOut) return D3DERR_INVALIDCALL;
  UINT n = d3dx::DeclLength(declaration);
  if (!d3dx::IsEnd(declaration[n])) return D3DERR_INVALIDCALL;

  UINT offset = 0;
  for (UINT i = 0; i < n; ++i) {
    const D3DVERTEXELEMENT9& e = declaration[i];
    if (e.Stream != 0 || e.Type > D3DDECLTYPE_SHORT4 || e.Offset != offset || e.Method > D3DDECLMETHOD_LOOKUP)
      return D3DERR_INVALIDCALL;
    switch (e.Usage) {
      case D3DDECLUSAGE_POSITION:
      case D3DDECLUSAGE_BLENDWEIGHT:
      case D3DDECLUSAGE_BLENDINDICES:
      case D3DDECLUSAGE_NORMAL:
      case D3DDECLUSAGE_PSIZE:
      case D3DDECLUSAGE_TEXCOORD:
      case D3DDECLUSAGE_POSITIONT:
        break;
      case D3DDECLUSAGE_COLOR:
        if (e.UsageIndex > 1) return D3DERR_INVALIDCALL;
        break;
      default:
        return D3DERR_INVALIDCALL;
    }
    offset += DeclTypeSize(e.Type);
  }

  DWORD fvf = 0;
  UINT i = 0;
  auto is = [&](BYTE usage, BYTE index, BYTE type) {
    return i < n && declaration[i].Usage == usage && declaration[i].UsageIndex == index &&
           declaration[i].Type == type;
  };
  if (is(D3DDECLUSAGE_POSITIONT, 0, D3DDECLTYPE_FLOAT4)) {
    fvf |= D3DFVF_XYZRHW;
    ++i;
  } else if (is(D3DDECLUSAGE_POSITION, 0, D3DDECLTYPE_FLOAT3)) {
    ++i;
    DWORD betas = 0;
    if (i < n && declaration[i].Usage == D3DDECLUSAGE_BLENDWEIGHT && d3dx::IsFloatN(declaration[i].Type)) {
      betas = declaration[i].Type - D3DDECLTYPE_FLOAT1 + 1;
      ++i;
    }
    if (is(D3DDECLUSAGE_BLENDINDICES, 0, D3DDECLTYPE_UBYTE4)) {
      ++betas;
      fvf |= D3DFVF_LASTBETA_UBYTE4;
      ++i;
    } else if (is(D3DDECLUSAGE_BLENDINDICES, 0, D3DDECLTYPE_D3DCOLOR)) {
      ++betas;
      fvf |= D3DFVF_LASTBETA_D3DCOLOR;
      ++i;
    }
    fvf |= betas ? D3DFVF_XYZB1 + 2 * (betas - 1) : D3DFVF_XYZ;
  }
  if (is(D3DDECLUSAGE_NORMAL, 0, D3DDECLTYPE_FLOAT3)) fvf |= D3DFVF_NORMAL, ++i;
  if (is(D3DDECLUSAGE_PSIZE, 0, D3DDECLTYPE_FLOAT1)) fvf |= D3DFVF_PSIZE, ++i;
  if (is(D3DDECLUSAGE_COLOR, 0, D3DDECLTYPE_D3DCOLOR)) fvf |= D3DFVF_DIFFUSE, ++i;
  if (is(D3DDECLUSAGE_COLOR, 1, D3DDECLTYPE_D3DCOLOR)) fvf |= D3DFVF_SPECULAR, ++i;
  DWORD sets = 0;
  while (sets < 8 && i < n && declaration[i].Usage == D3DDECLUSAGE_TEXCOORD &&
         declaration[i].UsageIndex == sets && d3dx::IsFloatN(declaration[i].Type)) {
    fvf |= d3dx::CodeFromTexType(declaration[i].Type) << (16 + 2 * sets);
    ++sets;
    ++i;
  }
  fvf |= sets << D3DFVF_TEXCOUNT_SHIFT;
  if (i != n) return D3DERR_INVALIDCALL;
  *fvfOut = fvf;
  return D3D_OK;
}
