// The sky: a cube of six textured faces seen from inside, one mesh subset per face.
#pragma once
#include <d3d9.h>
#include <d3dx9mesh.h>

#include <array>

#include "skybox_faces.h"

using SkyBoxFaceNames = std::array<const char*, kSkyBoxFaceCount>;

class SkyBox {
 public:
  // A face whose texture fails to load is shown as a message and drawn untextured.
  SkyBox(IDirect3DDevice9* device, const SkyBoxFaceNames& names);
  ~SkyBox() { release(); }
  SkyBox(const SkyBox&) = delete;
  SkyBox& operator=(const SkyBox&) = delete;

  // With the current world, view and projection; leaves clamped linear sampling, the white
  // material and the last face's texture set.
  bool draw();
  void release();

  ID3DXMesh* getMesh() const { return mesh; }
  IDirect3DTexture9* getTexture(SkyBoxFace face) const { return faceTextures[(size_t)face]; }

 private:
  void writeGeometry();

  IDirect3DDevice9* device;  // borrowed
  ID3DXMesh* mesh = nullptr;
  std::array<IDirect3DTexture9*, kSkyBoxFaceCount> faceTextures{};
};
