// The child objects of a Mesh: texture coordinates, vertex colours, normals, duplication indices,
// adjacency, materials and the extra vertex data, each checked against the counts of the Mesh
// before anything is read from it.
#include <cstring>

#include "declaration.h"
#include "xfile_mesh_data.h"

namespace d3dx::xmesh {

namespace {

// A data blob read at checked offsets.
struct Blob {
  const BYTE* p = nullptr;
  uint64_t size = 0;

  bool Holds(uint64_t end) const { return end <= size; }
  DWORD Dword(uint64_t at) const {
    DWORD v;
    std::memcpy(&v, p + at, 4);
    return v;
  }
  float Float(uint64_t at) const {
    float v;
    std::memcpy(&v, p + at, 4);
    return v;
  }
  const char* String(uint64_t at) const {
    const char* s;
    std::memcpy(&s, p + at, kStringBytes);
    return s;
  }
};

HRESULT BlobOf(IDirectXFileData* object, Blob& blob) {
  DWORD size = 0;
  void* data = nullptr;
  HRESULT hr = object->GetData(nullptr, &size, &data);
  blob.p = static_cast<const BYTE*>(data);
  blob.size = size;
  return hr;
}

float Quantize(float v) {
  const int b = v >= 1.0f ? 255 : v <= 0.0f ? 0 : int(255.0f * v + 0.5f);
  return float(b) / 255.0f;
}

HRESULT ReadTextureCoords(const Blob& b, MeshWork& w) {
  if (!b.Holds(4)) return E_FAIL;
  const DWORD n = b.Dword(0);
  if (n != w.fileVertices || !b.Holds(4 + 8 * uint64_t(n))) return E_FAIL;
  for (DWORD i = 0; i < n; ++i) {
    w.vertices[i].uv[0] = b.Float(4 + 8 * i);
    w.vertices[i].uv[1] = b.Float(8 + 8 * i);
  }
  w.textured = true;
  return S_OK;
}

HRESULT ReadVertexColors(const Blob& b, MeshWork& w) {
  if (!b.Holds(4)) return E_FAIL;
  const DWORD n = b.Dword(0);
  if (!b.Holds(4 + 20 * uint64_t(n))) return E_FAIL;
  for (DWORD i = 0; i < n; ++i) {
    const uint64_t at = 4 + 20 * uint64_t(i);
    const DWORD index = b.Dword(at);
    if (index >= w.fileVertices) return E_FAIL;
    for (int c = 0; c < 4; ++c) w.vertices[index].colour[c] = Quantize(b.Float(at + 4 + 4 * c));
  }
  w.coloured = true;
  return S_OK;
}

HRESULT ReadNormals(const Blob& b, MeshWork& w) {
  if (!b.Holds(4)) return E_FAIL;
  const DWORD nNormals = b.Dword(0);
  const uint64_t facesAt = 4 + 12 * uint64_t(nNormals);
  if (!b.Holds(facesAt + 4)) return E_FAIL;
  if (b.Dword(facesAt) != w.faces) return E_FAIL;
  // The face-normal entries take as many DWORDs as the Mesh's faces.
  uint64_t faceDwords = 0;
  for (DWORD f = 0; f < w.faces; ++f) faceDwords += 1 + w.faceSizes[f];
  if (!b.Holds(facesAt + 4 + 4 * faceDwords)) return E_FAIL;
  std::vector<CornerNormal> corners(3 * w.triangles.size());
  uint64_t at = facesAt + 4;
  for (DWORD f = 0; f < w.faces; ++f) {
    const DWORD n = b.Dword(at);
    if (n < 3 || n != w.faceSizes[f]) return E_FAIL;
    std::vector<DWORD> index(n);
    for (DWORD k = 0; k < n; ++k) {
      index[k] = b.Dword(at + 4 + 4 * uint64_t(k));
      if (index[k] >= nNormals) return E_FAIL;
    }
    at += 4 + 4 * uint64_t(n);
    // The same fan as the face's triangles.
    for (DWORD k = 0; k + 2 < n; ++k) {
      const DWORD t = w.faceFirstTriangle[f] + k;
      const DWORD fan[3] = {index[0], index[k + 1], index[k + 2]};
      for (int c = 0; c < 3; ++c) {
        CornerNormal& cn = corners[3 * size_t(t) + c];
        cn.vertex = w.triangles[t].v[c];
        cn.triangle = t;
        cn.hasNormal = true;
        const uint64_t v = 4 + 12 * uint64_t(fan[c]);
        cn.normal = D3DXVECTOR3(b.Float(v), b.Float(v + 4), b.Float(v + 8));
      }
    }
  }
  w.corners = std::move(corners);
  w.hasNormals = true;
  return S_OK;
}

HRESULT ReadDuplicationIndices(const Blob& b, MeshWork& w) {
  if (!b.Holds(8)) return E_FAIL;
  const DWORD n = b.Dword(0), original = b.Dword(4);
  if (n != w.fileVertices || original > n) return D3DERR_INVALIDCALL;
  if (!b.Holds(8 + 4 * uint64_t(n))) return E_FAIL;
  for (DWORD i = 0; i < n; ++i)
    if (b.Dword(8 + 4 * uint64_t(i)) >= n) return E_FAIL;
  for (DWORD i = 0; i < n; ++i) {
    const DWORD r = b.Dword(8 + 4 * uint64_t(i));
    WorkVertex& v = w.vertices[i];
    v.representative = r;
    if (r != i && v.nextCopy == i) {
      v.nextCopy = w.vertices[r].nextCopy;
      w.vertices[r].nextCopy = i;
    }
  }
  for (DWORD i = 0; i < n; ++i)
    if (w.vertices[w.vertices[i].representative].representative != w.vertices[i].representative)
      return D3DERR_INVALIDCALL;
  w.hasDuplicationIndices = true;
  return S_OK;
}

HRESULT ReadFaceAdjacency(const Blob& b, MeshWork& w) {
  if (!b.Holds(4)) return E_FAIL;
  const DWORD n = b.Dword(0);
  if (uint64_t(n) != 3 * uint64_t(w.triangles.size())) return D3DERR_INVALIDCALL;
  if (!b.Holds(4 + 4 * uint64_t(n))) return E_FAIL;
  std::vector<DWORD> adjacency(n);
  std::memcpy(adjacency.data(), b.p + 4, 4 * size_t(n));
  w.faceAdjacency = std::move(adjacency);
  return S_OK;
}

HRESULT ReadMaterial(IDirectXFileData* object, Material& m) {
  Blob b;
  HRESULT hr = BlobOf(object, b);
  if (FAILED(hr)) return hr;
  if (b.Holds(44)) {
    m.mat.Diffuse = {b.Float(0), b.Float(4), b.Float(8), b.Float(12)};
    m.mat.Power = b.Float(16);
    m.mat.Ambient = {0, 0, 0, 1};
    m.mat.Specular = {b.Float(20), b.Float(24), b.Float(28), 1};
    m.mat.Emissive = {b.Float(32), b.Float(36), b.Float(40), 1};
  }
  for (;;) {
    ComRef<IDirectXFileData> child;
    bool done;
    hr = NextChild(object, child, done);
    if (FAILED(hr)) return hr;
    if (done) break;
    const GUID* type;
    hr = child->GetType(&type);
    if (FAILED(hr)) return hr;
    if (*type == ids::TextureFilename) {
      Blob t;
      hr = BlobOf(child.Get(), t);
      if (FAILED(hr)) return hr;
      if (t.Holds(kStringBytes)) {
        const char* name = t.String(0);
        m.hasTexture = true;
        m.texture = name ? name : "";
      }
    } else if (*type == ids::EffectInstance) {
      hr = ReadEffectInstance(child.Get(), m.effect);
      if (FAILED(hr)) return hr;
    }
  }
  if (!m.effect.hasFile) m.effect = DefaultEffect(m);
  return S_OK;
}

HRESULT ReadMaterialList(IDirectXFileData* object, const Blob& b, MeshWork& w) {
  if (!b.Holds(8)) return E_FAIL;
  const DWORD nMaterials = b.Dword(0), nFaceIndexes = b.Dword(4);
  if (nMaterials == 0) return S_OK;
  if (!b.Holds(8 + 4 * uint64_t(nFaceIndexes))) return E_FAIL;
  for (DWORD f = 0; f < nFaceIndexes; ++f)
    if (b.Dword(8 + 4 * uint64_t(f)) >= nMaterials) return E_FAIL;
  // Grown per Material child rather than sized from the claimed count, which a tiny file can
  // make billions.
  std::vector<Material> materials;
  for (;;) {
    ComRef<IDirectXFileData> child;
    bool done;
    HRESULT hr = NextChild(object, child, done);
    if (FAILED(hr)) return hr;
    if (done) break;
    const GUID* type;
    hr = child->GetType(&type);
    if (FAILED(hr)) return hr;
    if (*type != ids::Material) continue;
    if (materials.size() == nMaterials) return D3DERR_INVALIDCALL;
    hr = ReadMaterial(child.Get(), materials.emplace_back());
    if (FAILED(hr)) return hr;
  }
  if (materials.size() < nMaterials) return E_FAIL;
  // Faces past the list take the first material; entries past the faces have none to apply to.
  for (DWORD f = 0; f < w.faces; ++f) {
    const DWORD material = f < nFaceIndexes ? b.Dword(8 + 4 * uint64_t(f)) : 0;
    for (DWORD t = w.faceFirstTriangle[f]; t < w.faceFirstTriangle[f + 1]; ++t) {
      w.triangles[t].material = material;
      w.triangles[t].hasMaterial = true;
    }
  }
  w.materials = std::move(materials);
  return S_OK;
}

HRESULT ReadFvfData(const Blob& b, MeshWork& w) {
  if (!b.Holds(8)) return E_FAIL;
  const DWORD code = b.Dword(0), nDwords = b.Dword(4);
  if (!b.Holds(8 + 4 * uint64_t(nDwords))) return E_FAIL;
  FvfRows rows;
  rows.code = code;
  rows.rowBytes = size_t(4 * uint64_t(nDwords) / w.fileVertices);
  rows.rows = b.p + 8;
  // Every component is read at its offset in the row, so the row must hold the whole layout.
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  HRESULT hr = D3DXDeclaratorFromFVF(code, decl);
  if (FAILED(hr)) return hr;
  if (rows.rowBytes < D3DXGetDeclVertexSize(decl, 0)) return E_FAIL;
  w.fvf = rows;
  return S_OK;
}

HRESULT ReadDeclData(const Blob& b, MeshWork& w) {
  if (!b.Holds(4)) return E_FAIL;
  const DWORD nElements = b.Dword(0);
  if (nElements == 0 || nElements > 64) return D3DERR_INVALIDCALL;
  const uint64_t dataAt = 4 + 16 * uint64_t(nElements);
  if (!b.Holds(dataAt + 4)) return E_FAIL;
  const DWORD nDwords = b.Dword(dataAt);
  if (!b.Holds(dataAt + 4 + 4 * uint64_t(nDwords))) return E_FAIL;
  DeclRows rows;
  UINT offset = 0, count = 0;
  for (DWORD i = 0; i < nElements; ++i) {
    const uint64_t at = 4 + 16 * uint64_t(i);
    D3DVERTEXELEMENT9 e{};
    e.Stream = 0;
    e.Offset = WORD(offset);
    e.Type = BYTE(b.Dword(at));
    e.Method = BYTE(b.Dword(at + 4));
    e.Usage = BYTE(b.Dword(at + 8));
    e.UsageIndex = BYTE(b.Dword(at + 12));
    if (e.Type > D3DDECLTYPE_FLOAT16_4) break;
    offset += DeclTypeSize(e.Type);
    if (offset > 255) return S_OK;  // dropped
    rows.decl[count++] = e;
  }
  rows.decl[count] = D3DDECL_END();
  if (!DeclIsValid(rows.decl)) return S_OK;  // dropped
  rows.rowBytes = size_t(4 * uint64_t(nDwords) / w.fileVertices);
  if (rows.rowBytes < D3DXGetDeclVertexSize(rows.decl, 0)) return D3DERR_INVALIDCALL;
  rows.rows = b.p + dataAt + 4;
  w.declData = rows;
  return S_OK;
}

}  // namespace

HRESULT ReadMeshChildren(IDirectXFileData* object, bool wantMaterials, MeshWork& w) {
  for (;;) {
    ComRef<IDirectXFileData> child;
    bool done;
    HRESULT hr = NextChild(object, child, done);
    if (FAILED(hr)) return hr;
    if (done) return S_OK;
    const GUID* type;
    hr = child->GetType(&type);
    if (FAILED(hr)) return hr;
    Blob b;
    hr = BlobOf(child.Get(), b);
    if (FAILED(hr)) return hr;
    bool keep = false;
    if (*type == ids::MeshTextureCoords) {
      hr = ReadTextureCoords(b, w);
    } else if (*type == ids::MeshVertexColors) {
      hr = ReadVertexColors(b, w);
    } else if (*type == ids::MeshNormals) {
      hr = ReadNormals(b, w);
    } else if (*type == ids::VertexDuplicationIndices) {
      hr = ReadDuplicationIndices(b, w);
    } else if (*type == ids::FaceAdjacency) {
      hr = ReadFaceAdjacency(b, w);
    } else if (*type == ids::MeshMaterialList) {
      if (wantMaterials) hr = ReadMaterialList(child.Get(), b, w);
    } else if (*type == ids::FVFData) {
      hr = ReadFvfData(b, w);
      keep = true;
    } else if (*type == ids::DeclData) {
      hr = ReadDeclData(b, w);
      keep = true;
    }
    if (FAILED(hr)) return hr;
    if (keep) w.kept.push_back(std::move(child));
  }
}

}  // namespace d3dx::xmesh
