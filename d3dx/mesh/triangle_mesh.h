// The mesh object: an indexed triangle list in device buffers with per-face subset ids. One template
// body serves the 16-bit (WORD) and 32-bit (DWORD) index variants.
#pragma once
#include <d3dx9.h>

#include <new>
#include <vector>

#include "../com_object.h"
#include "declaration.h"

namespace d3dx {

inline constexpr DWORD kNoFace = 0xFFFFFFFF;

struct OptimizePlan;

// Locks a vertex or index buffer for one scope; unlocks on every path.
template <typename Buffer>
class ScopedLock {
 public:
  ScopedLock(Buffer* buffer, DWORD flags) : buffer_(buffer) {
    result_ = buffer ? buffer->Lock(0, 0, &data_, flags | D3DLOCK_NOSYSLOCK) : D3DERR_INVALIDCALL;
  }
  ~ScopedLock() {
    if (SUCCEEDED(result_)) buffer_->Unlock();
  }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  HRESULT result() const { return result_; }
  template <typename T = BYTE>
  T* data() const {
    return static_cast<T*>(data_);
  }

 private:
  Buffer* buffer_;
  void* data_ = nullptr;
  HRESULT result_;
};

template <typename Index>
class TriangleMesh final : public ID3DXMesh {
 public:
  static constexpr Index kEmpty = static_cast<Index>(~static_cast<Index>(0));
  static constexpr bool kWide = sizeof(Index) == 4;
  // Largest face or vertex count a mesh of this width can hold.
  static constexpr DWORD kMaxCount = kWide ? 0xFFFFFFFE : 0xFFFE;

  TriangleMesh(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* declaration, DWORD meshOptions);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT DrawSubset(DWORD attribId) override;
  DWORD GetNumFaces() override { return faceCount; }
  DWORD GetNumVertices() override { return vertexCount; }
  DWORD GetFVF() override { return fvf; }
  HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override;
  DWORD GetNumBytesPerVertex() override { return stride; }
  DWORD GetOptions() override { return options; }
  HRESULT GetDevice(LPDIRECT3DDEVICE9* device) override;
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE9 device, LPD3DXMESH* cloneMesh) override;
  HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, LPDIRECT3DDEVICE9 device,
                    LPD3DXMESH* cloneMesh) override;
  HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* buffer) override;
  HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* buffer) override;
  HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockIndexBuffer() override;
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
  HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) override;
  HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) override;
  HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) override;
  HRESULT UpdateSemantics(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override;
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
  HRESULT UnlockAttributeBuffer() override { return D3D_OK; }
  HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                   LPD3DXBUFFER* vertexRemap, LPD3DXMESH* optMesh) override;
  HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                          LPD3DXBUFFER* vertexRemap) override;
  HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size) override;
  // Internal self-check of the stored arrays against the index data (given, locked, or read here).
  virtual BOOL CheckConsistency(const Index* indices);

  // Grows the buffers and arrays to hold the counts; capacities never shrink.
  HRESULT Resize(DWORD faces, DWORD vertices);
  // The shared body of Optimize and OptimizeInplace; works on lockedIndices.
  HRESULT OptimizeCore(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                       LPD3DXBUFFER* vertexRemap, IDirect3DVertexBuffer9* sourceVertices);
  // Pairs edges whose point representatives match; ranges come from the attribute table.
  HRESULT PointRepsToAdjacency(const DWORD* reps, DWORD* adjacency);
  // Face ranges the adjacency routines visit: the attribute table, or every face. E_FAIL when the
  // table names more faces than the mesh holds or faces past its end.
  HRESULT FaceRanges(std::vector<D3DXATTRIBUTERANGE>& ranges) const;
  // Creates the declaration object with the runtime's debug output muted; null when refused.
  IDirect3DVertexDeclaration9* MakeDeclaration(const D3DVERTEXELEMENT9* declaration);

  // The owning object's point representatives, one per live vertex, kept in step by every
  // operation that moves or renumbers vertices.
  void AdoptPointReps(const std::vector<Index>& reps);
  std::vector<DWORD> AdoptedPointReps() const;

 private:
  // The other width reads this one's state when cloning across widths.
  template <typename>
  friend class TriangleMesh;
  // Holds the index buffer locked as lockedIndices for one scope (the optimiser's working data).
  class WorkingIndices;

  ~TriangleMesh();

  // The layout up to and including its end marker.
  void CopyLayout(const D3DVERTEXELEMENT9* declaration);
  // The attribute table and its validity change together.
  void DropAttributeTable();
  void KeepSortedAttributeTable(std::vector<D3DXATTRIBUTERANGE>&& table);
  // Holds the source's vertex buffer (and its capacity) instead of a buffer of its own.
  template <typename From>
  void ShareVerticesOf(TriangleMesh<From>& source);
  // Cloning: a mesh of the other (or the same) width made from this one.
  template <typename To>
  HRESULT CloneInto(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                    LPD3DXMESH* out);
  template <typename From>
  HRESULT CopyFacesFrom(TriangleMesh<From>& source);
  template <typename From>
  HRESULT CopyVerticesFrom(TriangleMesh<From>& source);
  bool ConsistentWith(const Index* indices) const;
  // The optimiser's phases that change the mesh itself.
  HRESULT MoveOptimizedVertices(const OptimizePlan& plan, bool haveOwnBuffer,
                                IDirect3DVertexBuffer9* sourceVertices);
  void CommitOptimizedFaces(OptimizePlan& plan, bool carryReps);

  ULONG refCount = 1;
  DWORD fvf = 0;
  IDirect3DVertexDeclaration9* vertexDecl = nullptr;
  D3DVERTEXELEMENT9 declElements[MAX_FVF_DECL_SIZE];
  DWORD options = 0;
  bool hasStoredAdjacency = false;
  bool hasPointReps = false;
  bool hasAttributes = true;
  bool hasFaceTags = false;
  bool attributeTableValid = false;
  bool vbShared = false;
  bool emulate32BitDraw = false;
  D3DPOOL ibPool = D3DPOOL_DEFAULT;
  D3DPOOL vbPool = D3DPOOL_DEFAULT;
  DWORD ibUsage = 0;
  DWORD vbUsage = 0;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* d3dDevice = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  DWORD stride = 0;
  DWORD vertexCount = 0;
  DWORD vertexCapacity = 0;
  std::vector<Index> pointReps;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  Index* lockedIndices = nullptr;
  std::vector<Index> storedAdjacency;
  std::vector<DWORD> attributes;
  std::vector<WORD> faceTags;
  std::vector<D3DXATTRIBUTERANGE> attributeTable;
  DWORD faceCount = 0;
  DWORD faceCapacity = 0;
  IUnknown* outer = nullptr;
  DWORD cacheSize = 0;
  DWORD cacheMagic = 0;
};

template <typename Index>
template <typename From>
void TriangleMesh<Index>::ShareVerticesOf(TriangleMesh<From>& source) {
  SafeRelease(vertexBuffer);
  vertexBuffer = source.vertexBuffer;
  if (vertexBuffer) vertexBuffer->AddRef();
  vertexCapacity = source.vertexCapacity;
}

// Builds an empty mesh (no buffers yet) of the given width; E_OUTOFMEMORY when allocation fails.
template <typename Index>
HRESULT NewTriangleMesh(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* declaration, DWORD options,
                        TriangleMesh<Index>** out) {
  *out = new (std::nothrow) TriangleMesh<Index>(device, declaration, options);
  return *out ? D3D_OK : E_OUTOFMEMORY;
}

// Drops the remembered vertex-cache description, so the next Resize asks its device again.
void ForgetVertexCacheRecord();

// Reads an index of either width as a 32-bit value, the empty marker becoming 0xFFFFFFFF.
template <typename Index>
inline DWORD Widen(Index value) {
  return value == TriangleMesh<Index>::kEmpty ? kNoFace : value;
}

}  // namespace d3dx
