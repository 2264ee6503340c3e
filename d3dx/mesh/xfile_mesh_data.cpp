// One Mesh data object into a mesh: faces into triangles, the children's records, normals with
// vertices copied where corners disagree, the vertex layout, the buffers, adjacency and the
// attribute sort that leaves every material one range of faces.
#include <clocale>
#include <cstring>
#include <string>

#include "declaration.h"
#include "triangle_mesh.h"
#include "xfile_mesh_data.h"

namespace d3dx::xmesh {

namespace {

// Numbers are read and written the C way whatever locale the program runs under.
class NumericLocaleGuard {
 public:
  NumericLocaleGuard() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    if (current && std::strcmp(current, "C") != 0) {
      saved_ = current;
      restore_ = true;
      std::setlocale(LC_NUMERIC, "C");
    }
  }
  ~NumericLocaleGuard() {
    if (restore_) std::setlocale(LC_NUMERIC, saved_.c_str());
  }

 private:
  std::string saved_;
  bool restore_ = false;
};

DWORD ReadDword(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

// Steps 2 and 3: positions and the fan triangulation of every face.
HRESULT ReadGeometry(IDirectXFileData* object, MeshWork& w) {
  DWORD size = 0;
  void* data = nullptr;
  HRESULT hr = object->GetData(nullptr, &size, &data);
  if (FAILED(hr)) return hr;
  const BYTE* p = static_cast<const BYTE*>(data);
  if (size < 4) return E_FAIL;
  const uint64_t nVertices = ReadDword(p);
  const uint64_t facesAt = 4 + 12 * nVertices;
  if (size < facesAt + 4) return E_FAIL;
  const uint64_t nFaces = ReadDword(p + facesAt);
  if (nVertices == 0 || nFaces == 0) return D3DXERR_LOADEDMESHASNODATA;
  if (size < facesAt + 4 + 4 * nFaces) return E_FAIL;

  w.fileVertices = DWORD(nVertices);
  w.faces = DWORD(nFaces);
  w.vertices.resize(nVertices);
  for (DWORD i = 0; i < nVertices; ++i) {
    WorkVertex& v = w.vertices[i];
    std::memcpy(&v.position, p + 4 + 12 * uint64_t(i), 12);
    v.representative = v.nextCopy = v.sourceRow = i;
  }
  w.faceFirstTriangle.resize(nFaces + 1);
  w.faceSizes.resize(nFaces);
  uint64_t at = facesAt + 4;
  for (DWORD f = 0; f < nFaces; ++f) {
    if (size < at + 4) return E_FAIL;
    const DWORD n = ReadDword(p + at);
    if (n < 3 || size < at + 4 + 4 * uint64_t(n)) return E_FAIL;
    const BYTE* index = p + at + 4;
    for (DWORD k = 0; k < n; ++k)
      if (ReadDword(index + 4 * k) >= nVertices) return E_FAIL;
    w.faceFirstTriangle[f] = DWORD(w.triangles.size());
    w.faceSizes[f] = n;
    for (DWORD k = 1; k + 1 < n; ++k) {
      WorkTriangle t;
      t.v[0] = ReadDword(index);
      t.v[1] = ReadDword(index + 4 * k);
      t.v[2] = ReadDword(index + 4 * (k + 1));
      w.triangles.push_back(t);
    }
    at += 4 + 4 * uint64_t(n);
  }
  w.faceFirstTriangle[nFaces] = DWORD(w.triangles.size());
  return at == size ? S_OK : E_FAIL;
}

// Step 6: the layout from the FVF rows or plain positions, with what the children add.
HRESULT ChooseLayout(const MeshWork& w, D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE]) {
  DWORD fvf = D3DFVF_XYZ;
  if (w.fvf) {
    fvf = w.fvf->code;
    if (!(fvf & D3DFVF_POSITION_MASK)) fvf |= D3DFVF_XYZ;
  }
  if (w.hasNormals) fvf |= D3DFVF_NORMAL;
  if (w.coloured) fvf |= D3DFVF_DIFFUSE;
  if (w.textured) {
    const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets >= 8) return D3DERR_INVALIDCALL;
    const DWORD sizes = (fvf >> 16) << 2;  // set 0 gets size code 0: two floats
    fvf =
        (fvf & 0xFFFF & ~DWORD(D3DFVF_TEXCOUNT_MASK)) | ((sets + 1) << D3DFVF_TEXCOUNT_SHIFT) | (sizes << 16);
  }
  HRESULT hr = D3DXDeclaratorFromFVF(fvf, decl);
  if (FAILED(hr)) return hr;
  if (!w.declData) return S_OK;
  // The file's own elements follow, placed after the end of the layout so far.
  UINT length = DeclLength(decl);
  const WORD base = WORD(D3DXGetDeclVertexSize(decl, 0));
  for (const D3DVERTEXELEMENT9* e = w.declData->decl; e->Stream != 0xFF; ++e) {
    for (UINT i = 0; i < length; ++i)
      if (decl[i].Usage == e->Usage && decl[i].UsageIndex == e->UsageIndex) return D3DERR_INVALIDCALL;
    if (length + 1 > MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;
    decl[length] = *e;
    decl[length].Offset = WORD(base + e->Offset);
    decl[++length] = D3DDECL_END();
  }
  return S_OK;
}

bool SameVertexData(const WorkVertex& a, const WorkVertex& b, const D3DXVECTOR3& normal) {
  return std::memcmp(a.colour, b.colour, sizeof a.colour) == 0 && std::memcmp(a.uv, b.uv, sizeof a.uv) == 0 &&
         a.normal == normal;
}

// Step 5 with MeshNormals: each corner's normal goes to its vertex, or to a copy of it.
void AssignNormals(MeshWork& w) {
  for (WorkVertex& v : w.vertices) v.assigned = false;
  for (size_t k = 0; k < w.corners.size(); ++k) {
    const CornerNormal& cn = w.corners[k];
    if (!cn.hasNormal) continue;
    const DWORD t = cn.triangle;
    const size_t corner = k % 3;
    const DWORD vi = cn.vertex;
    WorkVertex& v = w.vertices[vi];
    if (!v.assigned) {
      v.assigned = true;
      v.normal = cn.normal;
      continue;
    }
    if (v.normal == cn.normal) continue;
    DWORD found = vi;
    for (DWORD c = v.nextCopy; c != vi; c = w.vertices[c].nextCopy) {
      if (w.vertices[c].assigned && SameVertexData(w.vertices[c], v, cn.normal)) {
        found = c;
        break;
      }
    }
    if (found == vi) {
      WorkVertex copy = v;
      copy.normal = cn.normal;
      copy.assigned = true;
      found = DWORD(w.vertices.size());
      copy.nextCopy = v.nextCopy;
      w.vertices[vi].nextCopy = found;
      w.vertices.push_back(copy);
    }
    w.triangles[t].v[corner] = found;
  }
}

// Step 5 without MeshNormals: face normals summed at their vertices.
void GenerateNormals(MeshWork& w) {
  for (WorkTriangle& t : w.triangles) {
    t.needsNormal = true;
    t.smoothingGroup = 1;
  }
  for (const WorkTriangle& t : w.triangles) {
    const D3DXVECTOR3 &p0 = w.vertices[t.v[0]].position, &p1 = w.vertices[t.v[1]].position,
                      &p2 = w.vertices[t.v[2]].position;
    D3DXVECTOR3 a = p0 - p1, b = p0 - p2, n;
    D3DXVec3Cross(&n, &a, &b);
    D3DXVec3Normalize(&n, &n);
    for (DWORD vi : t.v) {
      WorkVertex& v = w.vertices[vi];
      v.normal = v.normalCount == 0 ? n : v.normal + n;
      ++v.normalCount;
    }
  }
  for (WorkVertex& v : w.vertices)
    if (v.normalCount > 1) D3DXVec3Normalize(&v.normal, &v.normal);
}

DWORD PackColour(const float c[4]) {
  auto byte = [](float v) -> DWORD { return v < 0 ? 0 : v > 1 ? 255 : DWORD(255.0f * v + 0.5f); };
  return byte(c[3]) << 24 | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

void CopyElement(const D3DVERTEXELEMENT9* from, const BYTE* row, const D3DVERTEXELEMENT9* to, BYTE* vertex) {
  if (!from || !to) return;
  const UINT n = std::min(DeclTypeSize(from->Type), DeclTypeSize(to->Type));
  std::memcpy(vertex + to->Offset, row + from->Offset, n);
}

// Step 8: every work vertex in order, then what the FVF and declaration rows supply.
void FillVertices(const MeshWork& w, const D3DVERTEXELEMENT9* decl, BYTE* out) {
  ElementLookup layout;
  layout.Setup(decl);
  const size_t stride = layout.vertexSize;
  ElementLookup fvfRow;
  D3DVERTEXELEMENT9 fvfDecl[MAX_FVF_DECL_SIZE];
  if (w.fvf && SUCCEEDED(D3DXDeclaratorFromFVF(w.fvf->code, fvfDecl))) fvfRow.Setup(fvfDecl);
  DeclConverter converter;
  if (w.declData) converter.Setup(w.declData->decl, decl);
  const UINT firstFvfSet = w.textured ? 1 : 0;

  for (size_t i = 0; i < w.vertices.size(); ++i) {
    const WorkVertex& v = w.vertices[i];
    BYTE* dst = out + i * stride;
    std::memcpy(dst + layout.position->Offset, &v.position, 12);
    if (layout.normal) std::memcpy(dst + layout.normal->Offset, &v.normal, 12);
    if (layout.diffuse) {
      const DWORD colour = PackColour(v.colour);
      std::memcpy(dst + layout.diffuse->Offset, &colour, 4);
    }
    if (w.textured && layout.texCoords[0]) std::memcpy(dst + layout.texCoords[0]->Offset, v.uv, 8);
    if (w.fvf) {
      const BYTE* row = w.fvf->rows + size_t(v.sourceRow) * w.fvf->rowBytes;
      CopyElement(fvfRow.blendWeights, row, layout.blendWeights, dst);
      CopyElement(fvfRow.blendIndices, row, layout.blendIndices, dst);
      CopyElement(fvfRow.normal, row, layout.normal, dst);
      CopyElement(fvfRow.diffuse, row, layout.diffuse, dst);
      CopyElement(fvfRow.specular, row, layout.specular, dst);
      for (UINT s = 0; s + firstFvfSet < 8; ++s)
        CopyElement(fvfRow.texCoords[s], row, layout.texCoords[s + firstFvfSet], dst);
    }
    if (w.declData) {
      converter.SetData(w.declData->rows + size_t(v.sourceRow) * w.declData->rowBytes, dst);
      converter.ConvertVertex(0, 0, false);
    }
  }
}

template <typename Index>
void FillIndices(const std::vector<WorkTriangle>& triangles, void* out) {
  Index* p = static_cast<Index*>(out);
  for (const WorkTriangle& t : triangles)
    for (DWORD v : t.v) *p++ = Index(v);
}

}  // namespace

HRESULT ConvertMesh(IDirectXFileData* object, DWORD options, IDirect3DDevice9* device, LoadedMesh& out) {
  NumericLocaleGuard locale;
  try {
    MeshWork w;
    HRESULT hr = ReadGeometry(object, w);
    if (FAILED(hr)) return hr;
    hr = ReadMeshChildren(object, true, w);
    if (FAILED(hr)) return hr;

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    hr = ChooseLayout(w, decl);
    if (FAILED(hr)) return hr;
    ElementLookup layout;
    layout.Setup(decl);
    if (layout.normal) {
      if (w.hasNormals)
        AssignNormals(w);
      else
        GenerateNormals(w);
    }

    // Step 7: width, degenerate triangles, creation.
    if (w.triangles.size() > 0xFFFE || w.vertices.size() > 0xFFFE) options |= D3DXMESH_32BIT;
    std::vector<WorkTriangle> kept;
    std::vector<DWORD> newIndex(w.triangles.size(), kNoFace);
    kept.reserve(w.triangles.size());
    for (size_t t = 0; t < w.triangles.size(); ++t) {
      const DWORD* v = w.triangles[t].v;
      if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) continue;
      newIndex[t] = DWORD(kept.size());
      kept.push_back(w.triangles[t]);
    }
    if (kept.empty() || w.vertices.empty()) return D3DXERR_LOADEDMESHASNODATA;
    ComRef<ID3DXMesh> mesh;
    hr = D3DXCreateMesh(DWORD(kept.size()), DWORD(w.vertices.size()), options, decl, device, mesh.Out());
    if (FAILED(hr)) return hr;

    // Steps 8 and 9.
    void* vertices = nullptr;
    hr = mesh->LockVertexBuffer(0, &vertices);
    if (FAILED(hr)) return hr;
    FillVertices(w, decl, static_cast<BYTE*>(vertices));
    mesh->UnlockVertexBuffer();
    void* indices = nullptr;
    hr = mesh->LockIndexBuffer(0, &indices);
    if (FAILED(hr)) return hr;
    if (mesh->GetOptions() & D3DXMESH_32BIT)
      FillIndices<DWORD>(kept, indices);
    else
      FillIndices<WORD>(kept, indices);
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    hr = mesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(hr)) return hr;
    for (size_t t = 0; t < kept.size(); ++t) attributes[t] = kept[t].hasMaterial ? kept[t].material : 0;
    mesh->UnlockAttributeBuffer();

    // Step 10: adjacency from the file, from the duplication indices, or from the positions.
    std::vector<DWORD> adjacency(3 * kept.size());
    if (w.faceAdjacency) {
      const std::vector<DWORD>& file = *w.faceAdjacency;
      for (size_t t = 0; t < w.triangles.size(); ++t) {
        if (newIndex[t] == kNoFace) continue;
        for (int e = 0; e < 3; ++e) {
          const DWORD n = file[3 * t + e];
          adjacency[3 * size_t(newIndex[t]) + e] = n < newIndex.size() ? newIndex[n] : kNoFace;
        }
      }
    } else if (w.hasDuplicationIndices) {
      std::vector<DWORD> reps(w.vertices.size());
      for (size_t i = 0; i < reps.size(); ++i) reps[i] = w.vertices[i].representative;
      hr = mesh->ConvertPointRepsToAdjacency(reps.data(), adjacency.data());
    } else {
      hr = mesh->GenerateAdjacency(0.0f, adjacency.data());
    }
    if (FAILED(hr)) return hr;

    // Step 11: one range of faces per material.
    const std::vector<DWORD> adjacencyIn = adjacency;
    hr = mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS | D3DXMESHOPT_DONOTSPLIT,
                               adjacencyIn.data(), adjacency.data(), nullptr, nullptr);
    if (FAILED(hr)) return hr;

    out.mesh = std::move(mesh);
    out.adjacency = std::move(adjacency);
    out.materials = std::move(w.materials);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace d3dx::xmesh
