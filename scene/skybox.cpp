#include "skybox.h"

#include <d3dx9tex.h>

#include <vector>

#include "d3d_utility.h"

namespace {
constexpr int kVerticesPerFace = 4;
constexpr int kTrianglesPerFace = 2;
constexpr DWORD kFaceSortFlags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE;
}  // namespace

SkyBox::SkyBox(IDirect3DDevice9* device, const SkyBoxFaceNames& names) : device(device) {
  for (int k = 0; k < kSkyBoxFaceCount; ++k) {
    IDirect3DTexture9* texture = nullptr;
    if (names[(size_t)k] && SUCCEEDED(D3DXCreateTextureFromFileA(device, names[(size_t)k], &texture)))
      faceTextures[(size_t)k] = texture;
    else
      ShowFailure("CreateTextureFromFile - FAILED");
  }
  if (FAILED(D3DXCreateMeshFVF(kSkyBoxFaceCount * kTrianglesPerFace, kSkyBoxFaceCount * kVerticesPerFace,
                               D3DXMESH_MANAGED, TexturedVertex::FVF, device, &mesh))) {
    mesh = nullptr;
    ShowFailure("D3DXCreateMeshFVF() - FAILED");
    return;
  }
  writeGeometry();
}

// Vertex 4k + i is corner i of face k; triangles 2k and 2k + 1 carry attribute k, so subset k
// is face k.
void SkyBox::writeGeometry() {
  void* data = nullptr;
  if (SUCCEEDED(mesh->LockVertexBuffer(0, &data)) && data) {
    TexturedVertex* v = (TexturedVertex*)data;
    for (const SkyBoxFaceDesc& face : kSkyBoxFaces)
      for (const SkyBoxCorner& c : face.corners) *v++ = {c.x, c.y, c.z, c.u, c.v};
    mesh->UnlockVertexBuffer();
  }
  data = nullptr;
  if (SUCCEEDED(mesh->LockIndexBuffer(0, &data)) && data) {
    uint16_t* index = (uint16_t*)data;
    for (int k = 0; k < kSkyBoxFaceCount; ++k)
      for (uint16_t offset : kSkyBoxFaceIndices) *index++ = (uint16_t)(kVerticesPerFace * k + offset);
    mesh->UnlockIndexBuffer();
  }
  DWORD* attributes = nullptr;
  if (SUCCEEDED(mesh->LockAttributeBuffer(0, &attributes)) && attributes) {
    for (int f = 0; f < kSkyBoxFaceCount * kTrianglesPerFace; ++f)
      attributes[f] = (DWORD)(f / kTrianglesPerFace);
    mesh->UnlockAttributeBuffer();
  }
  std::vector<DWORD> adjacency(3 * (size_t)mesh->GetNumFaces(), 0);
  mesh->GenerateAdjacency(0.0f, adjacency.data());
  mesh->OptimizeInplace(kFaceSortFlags, adjacency.data(), nullptr, nullptr, nullptr);
}

bool SkyBox::draw() {
  if (!device) return true;
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  for (int k = 0; k < kSkyBoxFaceCount; ++k) {
    device->SetMaterial(&WhiteMaterial);
    device->SetTexture(0, faceTextures[(size_t)k]);
    if (mesh) mesh->DrawSubset((DWORD)k);
  }
  return true;
}

void SkyBox::release() {
  if (mesh) mesh->Release();
  mesh = nullptr;
  for (IDirect3DTexture9*& t : faceTextures) {
    if (t) t->Release();
    t = nullptr;
  }
}
