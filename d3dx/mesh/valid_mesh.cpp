// Mesh validation: index and neighbour checks, then the bowtie check over the fans of faces.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "mesh_validation.h"
#include "triangle_mesh.h"

namespace d3dx {

void MessageList::Add(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  lines_.emplace_back(line);
}

HRESULT MessageList::Hand(LPD3DXBUFFER* out) const {
  if (!out) return D3D_OK;
  size_t text = 0;
  for (const std::string& line : lines_) text += line.size();
  if (text == 0) {
    *out = nullptr;
    return D3D_OK;
  }
  ID3DXBuffer* buffer;
  HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(lines_.size() + text + 1), &buffer);
  if (FAILED(hr)) return hr;
  char* p = static_cast<char*>(buffer->GetBufferPointer());
  for (const std::string& line : lines_) {
    std::memcpy(p, line.data(), line.size());
    p += line.size();
    *p++ = '\n';
  }
  *p = 0;
  *out = buffer;
  return D3D_OK;
}

template <typename Index>
bool CheckIndices(const Index* indices, DWORD faceCount, DWORD vertexCount, const DWORD* adjacency,
                  MessageList& messages) {
  const Index kEmpty = TriangleMesh<Index>::kEmpty;
  bool ok = true;
  for (DWORD i = 0; i < faceCount; ++i) {
    const Index* v = indices + 3 * static_cast<size_t>(i);
    const DWORD* n = adjacency + 3 * static_cast<size_t>(i);
    for (int k = 0; k < 3; ++k) {
      if (v[k] >= vertexCount || v[k] == kEmpty) {
        messages.Add("D3DXValidIndices: An invalid index value(%d) was found on face %d",
                     static_cast<int>(v[k]), static_cast<int>(i));
        ok = false;
      }
    }
    for (int k = 0; k < 3; ++k) {
      if (n[k] >= faceCount && n[k] != kNoFace) {
        messages.Add("D3DXValidIndices: An invalid neighbor index value(%d) was found on face %d",
                     static_cast<int>(n[k]), static_cast<int>(i));
        ok = false;
      }
    }
    if (v[0] == v[1] || v[0] == v[2] || v[1] == v[2]) {
      Index point = (v[0] == v[1] || v[0] == v[2]) ? v[0] : v[2];
      messages.Add("D3DXValidIndices: A point(%d) was found more than once in triangle %d",
                   static_cast<int>(point), static_cast<int>(i));
      ok = false;
    }
    bool firstRepeated = n[0] != kNoFace && (n[0] == n[1] || n[0] == n[2]);
    bool secondRepeated = n[1] != kNoFace && n[1] == n[2];
    if (firstRepeated || secondRepeated) {
      messages.Add("D3DXValidIndices: A neighbor triangle index(%d) was found more than once on triangle %d",
                   static_cast<int>(firstRepeated ? n[0] : n[1]), static_cast<int>(i));
      messages.Add(
          "D3DXValidIndices:   (Likely problem is that two triangles share same points with opposite "
          "orientations)");
      ok = false;
    }
  }
  return ok;
}

template bool CheckIndices<WORD>(const WORD*, DWORD, DWORD, const DWORD*, MessageList&);
template bool CheckIndices<DWORD>(const DWORD*, DWORD, DWORD, const DWORD*, MessageList&);

namespace {

template <typename Index>
HRESULT Validate(ID3DXMesh* mesh, const DWORD* adjacency, MessageList& messages) {
  const DWORD faces = mesh->GetNumFaces(), vertexCount = mesh->GetNumVertices();
  void* data;
  HRESULT hr = mesh->LockIndexBuffer(0, &data);
  if (FAILED(hr)) return hr;
  const Index* indices = static_cast<const Index*>(data);
  hr = D3D_OK;
  if (!CheckIndices(indices, faces, vertexCount, adjacency, messages)) {
    hr = D3DXERR_INVALIDMESH;
  } else {
    std::vector<DWORD> owner(vertexCount, kNoFace), metAt(vertexCount, kNoFace);
    std::vector<BYTE> reported(vertexCount, 0);
    bool any = false;
    ForEachFan(faces, adjacency, [&](DWORD fan, DWORD face, int corner) {
      DWORD u = indices[3 * static_cast<size_t>(face) + corner];
      if (owner[u] == kNoFace) {
        owner[u] = fan;
        metAt[u] = face;
      } else if (owner[u] != fan && !reported[u]) {
        if (!any) {
          messages.Add("D3DXValidMesh: A bowtie was found.  Bowties can be fixed by call D3DXCleanMesh");
          messages.Add(
              "D3DXValidMesh:     A bowtie is the usage of a single vertex by two separate fans of "
              "triangles.");
          messages.Add(
              "D3DXValidMesh:     The fix is to duplicate the vertex so that each fan has its own vertex.");
          any = true;
        }
        reported[u] = 1;
        messages.Add("D3DXValidMesh: Bowtie found around vertex %d shared by faces %d and %d",
                     static_cast<int>(u), static_cast<int>(face), static_cast<int>(metAt[u]));
      }
    });
    if (any) hr = D3DXERR_INVALIDMESH;
  }
  mesh->UnlockIndexBuffer();
  return hr;
}

}  // namespace

}  // namespace d3dx

HRESULT WINAPI D3DXValidMesh(LPD3DXMESH mesh, const DWORD* adjacency, LPD3DXBUFFER* errorsAndWarnings) {
  if (!mesh || !adjacency || (mesh->GetOptions() & D3DXMESH_IB_WRITEONLY)) return D3DERR_INVALIDCALL;
  d3dx::MessageList messages;
  HRESULT hr;
  try {
    hr = (mesh->GetOptions() & D3DXMESH_32BIT) ? d3dx::Validate<DWORD>(mesh, adjacency, messages)
                                               : d3dx::Validate<WORD>(mesh, adjacency, messages);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  HRESULT handed = messages.Hand(errorsAndWarnings);
  return FAILED(hr) ? hr : handed;
}
