// A triangle mesh loaded from an X file with its materials and textures, optimised once and
// drawn subset by subset. It knows nothing of where it is placed.
#pragma once
#include <d3dx9.h>

#include <vector>

class MeshModel {
 public:
  // Loads directory + fileName (the directory ends with its separator); failures are reported
  // in message boxes and leave the model without a mesh.
  MeshModel(IDirect3DDevice9* device, const char* directory, const char* fileName);
  ~MeshModel() { release(); }
  MeshModel(const MeshModel&) = delete;
  MeshModel& operator=(const MeshModel&) = delete;

  // Every subset with its material and texture under the current transforms.
  bool draw();
  // Releases the mesh and the textures and empties both arrays.
  void release();

  bool loaded() const { return mesh != nullptr; }
  const std::vector<D3DMATERIAL9>& getMaterials() const { return materials; }
  const std::vector<IDirect3DTexture9*>& getTextures() const { return textures; }
  ID3DXMesh* getMesh() const { return mesh; }

 private:
  IDirect3DDevice9* device;  // borrowed
  ID3DXMesh* mesh = nullptr;
  std::vector<D3DMATERIAL9> materials;
  std::vector<IDirect3DTexture9*> textures;  // entry i belongs to material i; null when untextured
};
