#include "mesh_model.h"

#include <cstring>

namespace {

constexpr size_t kPathSize = 256;

void ShowFailure(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }

// directory + name into a buffer of kPathSize characters; false when they would not fit.
bool JoinPath(char (&path)[kPathSize], const char* directory, const char* name) {
  const size_t a = std::strlen(directory), b = std::strlen(name);
  if (a + b + 1 > kPathSize) return false;
  std::memcpy(path, directory, a);
  std::memcpy(path + a, name, b + 1);
  return true;
}

}  // namespace

MeshModel::MeshModel(IDirect3DDevice9* device, const char* directory, const char* fileName) : device(device) {
  char path[kPathSize];
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  DWORD count = 0;
  HRESULT hr = D3DERR_INVALIDCALL;
  if (directory && fileName && JoinPath(path, directory, fileName))
    hr = D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, device, &adjacency, &materialBuffer, nullptr, &count,
                            &mesh);
  if (FAILED(hr)) {
    ShowFailure("D3DXLoadMeshFromX() - FAILED");
    mesh = nullptr;
  }

  if (materialBuffer && count != 0) {
    auto* records = static_cast<D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
      records[i].MatD3D.Ambient = records[i].MatD3D.Diffuse;
      materials.push_back(records[i].MatD3D);
      IDirect3DTexture9* texture = nullptr;
      char texturePath[kPathSize];
      if (records[i].pTextureFilename && JoinPath(texturePath, directory, records[i].pTextureFilename))
        D3DXCreateTextureFromFileA(device, texturePath, &texture);
      textures.push_back(texture);
    }
  }
  if (materialBuffer) materialBuffer->Release();

  if (mesh) {
    hr = mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE,
                               static_cast<const DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr,
                               nullptr);
    adjacency->Release();
    if (FAILED(hr)) ShowFailure("OptimizeInplace() - FAILED");
  } else if (adjacency) {
    adjacency->Release();
  }
}

bool MeshModel::draw() {
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  for (size_t i = 0; i < materials.size(); ++i) {
    device->SetMaterial(&materials[i]);
    device->SetTexture(0, textures[i]);
    if (mesh) mesh->DrawSubset(DWORD(i));
  }
  return true;
}

void MeshModel::release() {
  if (mesh) mesh->Release();
  mesh = nullptr;
  for (IDirect3DTexture9* t : textures)
    if (t) t->Release();
  textures.clear();
  materials.clear();
}
