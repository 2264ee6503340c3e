// The work records of one Mesh conversion: vertices that may be copied for differing normals,
// triangles from the faces, and what the mesh's child objects add.
#pragma once
#include <optional>

#include "xfile_mesh.h"

namespace d3dx::xmesh {

struct WorkVertex {
  D3DXVECTOR3 position{0, 0, 0};
  float colour[4] = {1, 1, 1, 0};
  float uv[2] = {0, 0};
  D3DXVECTOR3 normal{0, 0, 0};
  DWORD representative = 0;
  DWORD nextCopy = 0;  // circular list through all copies of one file vertex
  bool assigned = false;
  WORD smoothingGroup = 0;
  WORD normalCount = 0;
  DWORD sourceRow = 0;  // the file vertex it came from
};

struct WorkTriangle {
  DWORD v[3] = {};
  bool hasMaterial = false;
  bool needsNormal = false;
  DWORD material = 0;
  WORD smoothingGroup = 0;
};

struct CornerNormal {
  DWORD vertex = 0;
  DWORD triangle = 0;
  bool hasNormal = false;
  D3DXVECTOR3 normal{0, 0, 0};
};

struct FvfRows {
  DWORD code = 0;
  size_t rowBytes = 0;
  const BYTE* rows = nullptr;  // inside the child's blob, which the records keep alive
};

struct DeclRows {
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  size_t rowBytes = 0;
  const BYTE* rows = nullptr;
};

struct MeshWork {
  DWORD fileVertices = 0;
  DWORD faces = 0;
  std::vector<WorkVertex> vertices;
  std::vector<WorkTriangle> triangles;
  std::vector<DWORD> faceFirstTriangle;  // faces + 1 entries
  std::vector<DWORD> faceSizes;          // indices per face

  bool textured = false, coloured = false, hasNormals = false, hasDuplicationIndices = false;
  std::vector<CornerNormal> corners;  // 3 per triangle with MeshNormals
  std::optional<std::vector<DWORD>> faceAdjacency;
  std::optional<FvfRows> fvf;
  std::optional<DeclRows> declData;
  std::vector<Material> materials;
  std::vector<ComRef<IDirectXFileData>> kept;  // children whose blobs the records point into
};

// Step by step over the children of the Mesh object, in file order.
HRESULT ReadMeshChildren(IDirectXFileData* object, bool wantMaterials, MeshWork& work);

}  // namespace d3dx::xmesh
