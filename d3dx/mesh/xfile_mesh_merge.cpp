// Two loaded meshes into one: a vertex layout that holds both, each cloned to it when it differs,
// then indices, attributes and adjacency of the second offset past the first.
#include <algorithm>
#include <cstring>

#include "declaration.h"
#include "triangle_mesh.h"
#include "xfile_mesh.h"

namespace d3dx::xmesh {

namespace {

// The position field's blend-weight count: XYZ 0, XYZB1..XYZB5 1..5; other positions count 0.
int BlendCount(DWORD fvf) {
  const DWORD position = fvf & D3DFVF_POSITION_MASK;
  return position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5 ? int((position - D3DFVF_XYZ) / 2) : 0;
}

DWORD UnionFvf(DWORD a, DWORD b) {
  const int blends = std::max(BlendCount(a), BlendCount(b));
  DWORD fvf = blends ? DWORD(D3DFVF_XYZ + 2 * blends) : DWORD(D3DFVF_XYZ);
  if (blends) fvf |= (a | b) & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR);
  fvf |= (a | b) & (D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR);
  const DWORD sets = std::max(a & D3DFVF_TEXCOUNT_MASK, b & D3DFVF_TEXCOUNT_MASK);
  return fvf | sets;
}

HRESULT MergedLayout(ID3DXMesh* a, ID3DXMesh* b, D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE]) {
  if (a->GetFVF() && b->GetFVF()) return D3DXDeclaratorFromFVF(UnionFvf(a->GetFVF(), b->GetFVF()), decl);
  D3DVERTEXELEMENT9 other[MAX_FVF_DECL_SIZE];
  HRESULT hr = a->GetDeclaration(decl);
  if (SUCCEEDED(hr)) hr = b->GetDeclaration(other);
  if (FAILED(hr)) return hr;
  if (DeclEqual(decl, other)) return S_OK;
  UINT length = DeclLength(decl);
  WORD offset = WORD(D3DXGetDeclVertexSize(decl, 0));
  for (const D3DVERTEXELEMENT9* e = other; e->Stream != 0xFF; ++e) {
    bool present = false;
    for (UINT i = 0; i < length; ++i)
      present |= decl[i].Usage == e->Usage && decl[i].UsageIndex == e->UsageIndex;
    if (present) continue;
    if (length + 1 > MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
    decl[length] = *e;
    decl[length].Offset = offset;
    offset = WORD(offset + DeclTypeSize(e->Type));
    decl[++length] = D3DDECL_END();
  }
  return S_OK;
}

// The mesh itself when it already has the options and layout, else a clone that does.
HRESULT Conform(ComRef<ID3DXMesh>& mesh, DWORD options, const D3DVERTEXELEMENT9* decl,
                IDirect3DDevice9* device) {
  D3DVERTEXELEMENT9 own[MAX_FVF_DECL_SIZE];
  HRESULT hr = mesh->GetDeclaration(own);
  if (FAILED(hr)) return hr;
  if (mesh->GetOptions() == options && DeclEqual(own, decl)) return S_OK;
  ComRef<ID3DXMesh> clone;
  hr = mesh->CloneMesh(options, decl, device, clone.Out());
  if (FAILED(hr)) return hr;
  mesh = std::move(clone);
  return S_OK;
}

template <typename Index>
void CopyIndices(const void* a, DWORD aFaces, const void* b, DWORD bFaces, DWORD offset, void* out) {
  const Index* pa = static_cast<const Index*>(a);
  const Index* pb = static_cast<const Index*>(b);
  Index* po = static_cast<Index*>(out);
  constexpr Index kEmpty = Index(~Index(0));
  std::copy(pa, pa + 3 * size_t(aFaces), po);
  po += 3 * size_t(aFaces);
  for (size_t i = 0; i < 3 * size_t(bFaces); ++i) po[i] = pb[i] == kEmpty ? kEmpty : Index(pb[i] + offset);
}

// Copies what one lock call hands out of both sources into the merged mesh.
struct Locked {
  void* a = nullptr;
  void* b = nullptr;
  void* out = nullptr;
};

}  // namespace

HRESULT MergeMeshes(LoadedMesh& a, LoadedMesh& b, LoadedMesh& out) {
  ID3DXMesh* ma = a.mesh.Get();
  ID3DXMesh* mb = b.mesh.Get();
  const DWORD aFaces = ma->GetNumFaces(), bFaces = mb->GetNumFaces();
  const DWORD aVerts = ma->GetNumVertices(), bVerts = mb->GetNumVertices();
  const uint64_t faces = uint64_t(aFaces) + bFaces, vertices = uint64_t(aVerts) + bVerts;
  if (faces > 0xFFFFFFFE || vertices > 0xFFFFFFFE) return E_OUTOFMEMORY;
  DWORD options = ma->GetOptions();
  if (faces > 0xFFFE || vertices > 0xFFFE || (mb->GetOptions() & D3DXMESH_32BIT)) options |= D3DXMESH_32BIT;

  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  HRESULT hr = MergedLayout(ma, mb, decl);
  if (FAILED(hr)) return hr;
  ComRef<IDirect3DDevice9> device;
  hr = ma->GetDevice(device.Out());
  if (FAILED(hr)) return hr;
  hr = Conform(a.mesh, options, decl, device.Get());
  if (SUCCEEDED(hr)) hr = Conform(b.mesh, options, decl, device.Get());
  if (FAILED(hr)) return hr;
  ma = a.mesh.Get();
  mb = b.mesh.Get();

  ComRef<ID3DXMesh> merged;
  hr = D3DXCreateMesh(DWORD(faces), DWORD(vertices), options, decl, device.Get(), merged.Out());
  if (FAILED(hr)) return hr;
  const bool wide = merged->GetOptions() & D3DXMESH_32BIT;

  Locked ib;
  hr = ma->LockIndexBuffer(D3DLOCK_READONLY, &ib.a);
  if (SUCCEEDED(hr)) {
    hr = mb->LockIndexBuffer(D3DLOCK_READONLY, &ib.b);
    if (SUCCEEDED(hr)) {
      hr = merged->LockIndexBuffer(0, &ib.out);
      if (SUCCEEDED(hr)) {
        if (wide)
          CopyIndices<DWORD>(ib.a, aFaces, ib.b, bFaces, aVerts, ib.out);
        else
          CopyIndices<WORD>(ib.a, aFaces, ib.b, bFaces, aVerts, ib.out);
        merged->UnlockIndexBuffer();
      }
      mb->UnlockIndexBuffer();
    }
    ma->UnlockIndexBuffer();
  }
  if (FAILED(hr)) return hr;

  DWORD *attrA = nullptr, *attrB = nullptr, *attrOut = nullptr;
  hr = ma->LockAttributeBuffer(D3DLOCK_READONLY, &attrA);
  if (SUCCEEDED(hr)) {
    hr = mb->LockAttributeBuffer(D3DLOCK_READONLY, &attrB);
    if (SUCCEEDED(hr)) {
      hr = merged->LockAttributeBuffer(0, &attrOut);
      if (SUCCEEDED(hr)) {
        std::copy(attrA, attrA + aFaces, attrOut);
        const DWORD shift = DWORD(a.materials.size());
        for (DWORD f = 0; f < bFaces; ++f) attrOut[aFaces + f] = attrB[f] + shift;
        merged->UnlockAttributeBuffer();
      }
      mb->UnlockAttributeBuffer();
    }
    ma->UnlockAttributeBuffer();
  }
  if (FAILED(hr)) return hr;

  Locked vb;
  const size_t stride = merged->GetNumBytesPerVertex();
  hr = ma->LockVertexBuffer(D3DLOCK_READONLY, &vb.a);
  if (SUCCEEDED(hr)) {
    hr = mb->LockVertexBuffer(D3DLOCK_READONLY, &vb.b);
    if (SUCCEEDED(hr)) {
      hr = merged->LockVertexBuffer(0, &vb.out);
      if (SUCCEEDED(hr)) {
        std::memcpy(vb.out, vb.a, stride * aVerts);
        std::memcpy(static_cast<BYTE*>(vb.out) + stride * aVerts, vb.b, stride * bVerts);
        merged->UnlockVertexBuffer();
      }
      mb->UnlockVertexBuffer();
    }
    ma->UnlockVertexBuffer();
  }
  if (FAILED(hr)) return hr;

  out.adjacency.assign(3 * size_t(faces), kNoFace);
  if (a.adjacency.size() == 3 * size_t(aFaces))
    std::copy(a.adjacency.begin(), a.adjacency.end(), out.adjacency.begin());
  if (b.adjacency.size() == 3 * size_t(bFaces))
    for (size_t i = 0; i < b.adjacency.size(); ++i)
      out.adjacency[3 * size_t(aFaces) + i] = b.adjacency[i] == kNoFace ? kNoFace : b.adjacency[i] + aFaces;
  out.materials = std::move(a.materials);
  for (Material& m : b.materials) out.materials.push_back(std::move(m));
  out.mesh = std::move(merged);
  return S_OK;
}

}  // namespace d3dx::xmesh
