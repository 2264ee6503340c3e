// Meshes from X files in memory (text, binary, compressed) on a headless device, as the demo's
// model loads them: every out buffer is asked for and read through, then the mesh is optimised in
// place with the loader's adjacency, the way the model does it. The input's length picks 16- or
// 32-bit indices.
#include <d3dx9.h>
#include <bit>

#include <cstring>
#include <memory>

#include "fuzz_entries.h"
#include "headless_device.h"

namespace fuzz {
namespace {

volatile unsigned gSink;

void Text(const char* s) {
  if (s) gSink = gSink + unsigned(std::strlen(s));
}

template <typename T>
void SafeRelease(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

void ReadMaterials(ID3DXBuffer* buffer, DWORD count) {
  if (!buffer) return;
  if (buffer->GetBufferSize() < count * sizeof(D3DXMATERIAL))
    Broken("the material buffer is shorter than its count");
  const auto* materials = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
  for (DWORD i = 0; i < count; ++i) {
    gSink = gSink + std::bit_cast<unsigned>(materials[i].MatD3D.Power);  // any value, NaN and negatives too
    Text(materials[i].pTextureFilename);
  }
}

void ReadEffects(ID3DXBuffer* buffer, DWORD count) {
  if (!buffer) return;
  if (buffer->GetBufferSize() < count * sizeof(D3DXEFFECTINSTANCE))
    Broken("the effect buffer is shorter than its count");
  const auto* effects = static_cast<const D3DXEFFECTINSTANCE*>(buffer->GetBufferPointer());
  for (DWORD i = 0; i < count; ++i) {
    Text(effects[i].pEffectFilename);
    for (DWORD d = 0; d < effects[i].NumDefaults; ++d) {
      const D3DXEFFECTDEFAULT& def = effects[i].pDefaults[d];
      Text(def.pParamName);
      const BYTE* value = static_cast<const BYTE*>(def.pValue);
      for (DWORD b = 0; value && b < def.NumBytes; ++b) gSink = gSink + value[b];
    }
  }
}

void ReadMesh(ID3DXMesh* mesh) {
  const DWORD faces = mesh->GetNumFaces(), vertices = mesh->GetNumVertices();
  const DWORD stride = mesh->GetNumBytesPerVertex();
  void* data = nullptr;
  if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
    const BYTE* v = static_cast<const BYTE*>(data);
    if (vertices && stride) gSink = gSink + v[0] + v[size_t(vertices) * stride - 1];
    mesh->UnlockVertexBuffer();
  }
  const bool wide = mesh->GetOptions() & D3DXMESH_32BIT;
  if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) {
    // Every index names a vertex of the mesh.
    for (size_t i = 0; i < size_t(faces) * 3; ++i) {
      const DWORD index = wide ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
      if (index >= vertices) Broken("a loaded index names no vertex");
    }
    mesh->UnlockIndexBuffer();
  }
  DWORD* attributes = nullptr;
  if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes))) {
    for (DWORD f = 0; f < faces; ++f) gSink = gSink + attributes[f];
    mesh->UnlockAttributeBuffer();
  }
}

}  // namespace

int XFileMesh(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  std::copy(data, data + size, copy.get());
  const DWORD options = D3DXMESH_MANAGED | ((size & 1) ? D3DXMESH_32BIT : 0);
  ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *effects = nullptr;
  DWORD numMaterials = 0;
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXLoadMeshFromXInMemory(copy.get(), DWORD(size), options, HeadlessDevice(), &adjacency,
                                       &materials, &effects, &numMaterials, &mesh)))
    return 0;
  if (!mesh) Broken("a successful load gives no mesh");
  ReadMaterials(materials, numMaterials);
  ReadEffects(effects, numMaterials);
  ReadMesh(mesh);
  if (adjacency && adjacency->GetBufferSize() < mesh->GetNumFaces() * 3 * sizeof(DWORD))
    Broken("the adjacency buffer is shorter than three entries per face");
  const DWORD* adjacent = adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr;
  if (SUCCEEDED(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE,
                                      adjacent, nullptr, nullptr, nullptr)))
    ReadMesh(mesh);
  SafeRelease(adjacency);
  SafeRelease(materials);
  SafeRelease(effects);
  SafeRelease(mesh);
  return 0;
}

}  // namespace fuzz
