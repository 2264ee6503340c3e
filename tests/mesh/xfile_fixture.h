// Loading X files into meshes on the recording device, with readers of what comes back.
#pragma once
#include <d3dx9.h>

#include <string>
#include <vector>

#include "mesh_fixture.h"

struct Loaded {
  HRESULT hr = E_FAIL;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* effects = nullptr;
  DWORD count = 0;

  Loaded() = default;
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  Loaded(Loaded&& o) noexcept { *this = std::move(o); }
  Loaded& operator=(Loaded&& o) noexcept {
    std::swap(hr, o.hr);
    std::swap(mesh, o.mesh);
    std::swap(adjacency, o.adjacency);
    std::swap(materials, o.materials);
    std::swap(effects, o.effects);
    std::swap(count, o.count);
    return *this;
  }
  ~Loaded() {
    for (IUnknown* p : std::initializer_list<IUnknown*>{mesh, adjacency, materials, effects})
      if (p) p->Release();
  }
  const D3DXMATERIAL* Material(DWORD i) const {
    return static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) + i;
  }
  const D3DXEFFECTINSTANCE* Effect(DWORD i) const {
    return static_cast<const D3DXEFFECTINSTANCE*>(effects->GetBufferPointer()) + i;
  }
};

class XMeshTest : public MeshTest {
 protected:
  Loaded FromMemory(const std::string& text, DWORD options = D3DXMESH_MANAGED) {
    Loaded l;
    l.hr = D3DXLoadMeshFromXInMemory(text.data(), DWORD(text.size()), options, device, &l.adjacency,
                                     &l.materials, &l.effects, &l.count, &l.mesh);
    return l;
  }
  Loaded FromBytes(const std::vector<BYTE>& bytes, DWORD options = D3DXMESH_MANAGED) {
    return FromMemory(std::string(bytes.begin(), bytes.end()), options);
  }
  Loaded FromFile(const std::string& path, DWORD options = D3DXMESH_MANAGED) {
    Loaded l;
    l.hr = D3DXLoadMeshFromXA(path.c_str(), options, device, &l.adjacency, &l.materials, &l.effects, &l.count,
                              &l.mesh);
    return l;
  }
};

// Vertex data of any layout as floats per element, read through the declaration.
inline std::vector<float> ReadElement(ID3DXMesh* mesh, BYTE usage, BYTE usageIndex = 0) {
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  EXPECT_EQ(mesh->GetDeclaration(decl), D3D_OK);
  const D3DVERTEXELEMENT9* e = decl;
  while (e->Stream != 0xFF && !(e->Usage == usage && e->UsageIndex == usageIndex)) ++e;
  std::vector<float> out;
  if (e->Stream == 0xFF) return out;
  const int n = e->Type == D3DDECLTYPE_FLOAT1   ? 1
                : e->Type == D3DDECLTYPE_FLOAT2 ? 2
                : e->Type == D3DDECLTYPE_FLOAT3 ? 3
                : e->Type == D3DDECLTYPE_FLOAT4 ? 4
                                                : 1;
  void* data = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  const DWORD stride = mesh->GetNumBytesPerVertex();
  for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
    const BYTE* p = static_cast<const BYTE*>(data) + v * stride + e->Offset;
    for (int k = 0; k < n; ++k) {
      float f;
      std::memcpy(&f, p + 4 * k, 4);
      out.push_back(f);
    }
  }
  mesh->UnlockVertexBuffer();
  return out;
}

inline std::vector<DWORD> MeshIndices(ID3DXMesh* mesh) {
  if (mesh->GetOptions() & D3DXMESH_32BIT) return ReadIndices<DWORD>(mesh);
  std::vector<WORD> narrow = ReadIndices<WORD>(mesh);
  return std::vector<DWORD>(narrow.begin(), narrow.end());
}
