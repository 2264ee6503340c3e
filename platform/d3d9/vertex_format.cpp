// Vertex layouts from FVF codes and declarations, and declaration objects.
#include <algorithm>

#include "device.h"
#include "objects.h"
#include "pipeline/layout.h"

namespace d3d9rt {
namespace {

constexpr UINT kMaxStride = 255;

UINT texCoordFloats(DWORD fvf, UINT set) {
  switch ((fvf >> (16 + 2 * set)) & 3) {
    case D3DFVF_TEXTUREFORMAT1:
      return 1;
    case D3DFVF_TEXTUREFORMAT3:
      return 3;
    case D3DFVF_TEXTUREFORMAT4:
      return 4;
    default:
      return 2;
  }
}

}  // namespace

bool layoutFromFvf(DWORD fvf, swr::VertexLayout* layout) {
  swr::VertexLayout l;
  UINT offset = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
      l.position = swr::PositionKind::XYZ, offset = 12;
      break;
    case D3DFVF_XYZRHW:
      l.position = swr::PositionKind::XYZRHW, offset = 16;
      break;
    case D3DFVF_XYZW:
      l.position = swr::PositionKind::XYZW, offset = 16;
      break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
      // Blend weights are skipped: the device does not blend vertices.
      l.position = swr::PositionKind::XYZ;
      offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZRHW) / 2);
      break;
    default:
      return false;
  }
  l.positionOffset = 0;
  if (fvf & D3DFVF_NORMAL) l.normal = (int16_t)offset, offset += 12;
  if (fvf & D3DFVF_PSIZE) l.pointSize = (int16_t)offset, offset += 4;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = (int16_t)offset, offset += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = (int16_t)offset, offset += 4;
  UINT sets = std::min<UINT>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT, 8);
  l.texCount = (uint8_t)sets;
  for (UINT i = 0; i < sets; ++i) {
    UINT n = texCoordFloats(fvf, i);
    l.tex[i] = (int16_t)offset;
    l.texType[i] = (uint8_t)(D3DDECLTYPE_FLOAT1 + n - 1);
    offset += 4 * n;
  }
  l.stride = offset;
  *layout = l;
  return true;
}

UINT fvfStride(DWORD fvf) {
  swr::VertexLayout l;
  return layoutFromFvf(fvf, &l) ? l.stride : 0;
}

bool validDeclaration(const D3DVERTEXELEMENT9* e, std::vector<D3DVERTEXELEMENT9>* out) {
  if (!e) return false;
  std::vector<D3DVERTEXELEMENT9> list;
  for (UINT i = 0;; ++i) {
    if (i >= MAXD3DDECLLENGTH) return false;
    const D3DVERTEXELEMENT9& el = e[i];
    if (el.Stream == 0xFF) {
      if (el.Type != D3DDECLTYPE_UNUSED) return false;
      list.push_back(el);
      break;
    }
    if (el.Stream != 0 || el.Type >= D3DDECLTYPE_UNUSED || el.Method > MAXD3DDECLMETHOD ||
        el.Usage > MAXD3DDECLUSAGE || el.UsageIndex > MAXD3DDECLUSAGEINDEX || (el.Offset & 3) ||
        el.Offset + swr::elementTypeSize(el.Type) > kMaxStride)
      return false;
    for (const D3DVERTEXELEMENT9& prev : list)
      if (prev.Usage == el.Usage && prev.UsageIndex == el.UsageIndex) return false;
    list.push_back(el);
  }
  if (out) *out = std::move(list);
  return true;
}

VertexDeclaration::VertexDeclaration(Device* device, std::vector<D3DVERTEXELEMENT9> elements)
    : CountedObject(device, false), elements_(std::move(elements)) {
  swr::VertexLayout& l = layout_;
  l.positionOffset = -1;
  for (const D3DVERTEXELEMENT9& el : elements_) {
    if (el.Stream != 0) continue;
    int16_t off = (int16_t)el.Offset;
    switch (el.Usage) {
      case D3DDECLUSAGE_POSITION:
        if (el.UsageIndex == 0 && (el.Type == D3DDECLTYPE_FLOAT3 || el.Type == D3DDECLTYPE_FLOAT4)) {
          l.position = el.Type == D3DDECLTYPE_FLOAT3 ? swr::PositionKind::XYZ : swr::PositionKind::XYZW;
          l.positionOffset = off;
        }
        break;
      case D3DDECLUSAGE_POSITIONT:
        if (el.UsageIndex == 0 && el.Type == D3DDECLTYPE_FLOAT4) {
          l.position = swr::PositionKind::XYZRHW;
          l.positionOffset = off;
        }
        break;
      case D3DDECLUSAGE_NORMAL:
        if (el.UsageIndex == 0 && el.Type == D3DDECLTYPE_FLOAT3) l.normal = off;
        break;
      case D3DDECLUSAGE_PSIZE:
        if (el.UsageIndex == 0 && el.Type == D3DDECLTYPE_FLOAT1) l.pointSize = off;
        break;
      case D3DDECLUSAGE_COLOR:
        if (el.UsageIndex == 0) l.diffuse = off, l.diffuseType = el.Type;
        if (el.UsageIndex == 1) l.specular = off, l.specularType = el.Type;
        break;
      case D3DDECLUSAGE_TEXCOORD:
        if (el.UsageIndex < 8) {
          l.tex[el.UsageIndex] = off;
          l.texType[el.UsageIndex] = el.Type;
          l.texCount = (uint8_t)std::max<UINT>(l.texCount, el.UsageIndex + 1u);
        }
        break;
      default:
        break;
    }
  }
}

HRESULT VertexDeclaration::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DVertexDeclaration9) {
    *object = static_cast<IDirect3DVertexDeclaration9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) {
  if (!numElements) return D3DERR_INVALIDCALL;
  if (elements) std::copy(elements_.begin(), elements_.end(), elements);
  *numElements = (UINT)elements_.size();
  return D3D_OK;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                        IDirect3DVertexDeclaration9** decl) {
  if (!decl) return D3DERR_INVALIDCALL;
  std::vector<D3DVERTEXELEMENT9> list;
  if (!validDeclaration(elements, &list)) return D3DERR_INVALIDCALL;
  try {
    *decl = new VertexDeclaration(this, std::move(list));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace d3d9rt
