// Triangle meshes: the mesh interfaces, their option flags, vertex declarations and adjacency tools.
#pragma once
#pragma GCC visibility push(default)
#include "d3dx9.h"

// {2A835771-BF4D-43F4-8E14-82A809F17D8A}
DEFINE_GUID(IID_ID3DXBaseMesh, 0x2a835771, 0xbf4d, 0x43f4, 0x8e, 0x14, 0x82, 0xa8, 0x09, 0xf1, 0x7d, 0x8a);
// {CCAE5C3B-4DD1-4D0F-997E-4684CA64557F}
DEFINE_GUID(IID_ID3DXMesh, 0xccae5c3b, 0x4dd1, 0x4d0f, 0x99, 0x7e, 0x46, 0x84, 0xca, 0x64, 0x55, 0x7f);

// Mesh options; plain DWORD constants so they combine freely with the optimisation flags.
inline constexpr DWORD D3DXMESH_32BIT = 0x001;
inline constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
inline constexpr DWORD D3DXMESH_POINTS = 0x004;
inline constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
inline constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
inline constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
inline constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
inline constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
inline constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
inline constexpr DWORD D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000;
inline constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
inline constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
inline constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
inline constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
inline constexpr DWORD D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000;
inline constexpr DWORD D3DXMESH_VB_SHARE = 0x1000;
inline constexpr DWORD D3DXMESH_USEHWONLY = 0x2000;
inline constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
inline constexpr DWORD D3DXMESH_MANAGED = 0x220;
inline constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
inline constexpr DWORD D3DXMESH_DYNAMIC = 0x880;
inline constexpr DWORD D3DXMESH_SOFTWAREPROCESSING = 0x18000;

inline constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
inline constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
inline constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
inline constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;
inline constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000;
inline constexpr DWORD D3DXMESHOPT_DONOTSPLIT = 0x20000000;
inline constexpr DWORD D3DXMESHOPT_DEVICEINDEPENDENT = 0x00400000;

#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

// One subset's contiguous run of faces and the vertex range they use.
typedef struct _D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

struct ID3DXBuffer;
typedef ID3DXBuffer* LPD3DXBUFFER;
struct ID3DXBaseMesh;
struct ID3DXMesh;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;
typedef ID3DXMesh* LPD3DXMESH;

struct ID3DXBaseMesh : public IUnknown {
  virtual HRESULT DrawSubset(DWORD attribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* device) = 0;
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE9 device, LPD3DXMESH* cloneMesh) = 0;
  virtual HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, LPDIRECT3DDEVICE9 device,
                            LPD3DXMESH* cloneMesh) = 0;
  virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* vertexBuffer) = 0;
  virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* indexBuffer) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) = 0;
  virtual HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) = 0;
  virtual HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) = 0;
  virtual HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) = 0;
  virtual HRESULT UpdateSemantics(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh {
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                           LPD3DXBUFFER* vertexRemap, LPD3DXMESH* optMesh) = 0;
  virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                  DWORD* faceRemap, LPD3DXBUFFER* vertexRemap) = 0;
  virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* attribTable, DWORD attribTableSize) = 0;
};

HRESULT WINAPI D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                              const D3DVERTEXELEMENT9* declaration, LPDIRECT3DDEVICE9 device,
                              LPD3DXMESH* mesh);
HRESULT WINAPI D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                 LPDIRECT3DDEVICE9 device, LPD3DXMESH* mesh);

// Checks indices, neighbours and bowties; the findings come back as text lines in errorsAndWarnings.
HRESULT WINAPI D3DXValidMesh(LPD3DXMESH mesh, const DWORD* adjacency, LPD3DXBUFFER* errorsAndWarnings);
// Removes double links and splits bowtie vertices; hands back the input mesh when nothing changes.
HRESULT WINAPI D3DXCleanMesh(LPD3DXMESH mesh, const DWORD* adjacencyIn, LPD3DXMESH* meshOut,
                             DWORD* adjacencyOut, LPD3DXBUFFER* errorsAndWarnings);

HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf);
UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);
UINT WINAPI D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration);

// X-file loading: one mesh for every mesh of a file, with its materials and effect instances.
typedef struct _D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  LPSTR pTextureFilename;  // null for an untextured material
} D3DXMATERIAL, *LPD3DXMATERIAL;

typedef enum _D3DXEFFECTDEFAULTTYPE {
  D3DXEDT_STRING = 0x1,
  D3DXEDT_FLOATS = 0x2,
  D3DXEDT_DWORD = 0x3,
  D3DXEDT_FORCEDWORD = 0x7fffffff
} D3DXEFFECTDEFAULTTYPE;

typedef struct _D3DXEFFECTDEFAULT {
  LPSTR pParamName;
  D3DXEFFECTDEFAULTTYPE Type;
  DWORD NumBytes;
  LPVOID pValue;
} D3DXEFFECTDEFAULT, *LPD3DXEFFECTDEFAULT;

typedef struct _D3DXEFFECTINSTANCE {
  LPSTR pEffectFilename;
  DWORD NumDefaults;
  LPD3DXEFFECTDEFAULT pDefaults;
} D3DXEFFECTINSTANCE, *LPD3DXEFFECTINSTANCE;

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR fileName, DWORD options, LPDIRECT3DDEVICE9 device,
                                  LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                  LPD3DXBUFFER* effectInstances, DWORD* numMaterials, LPD3DXMESH* mesh);
HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR fileName, DWORD options, LPDIRECT3DDEVICE9 device,
                                  LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                  LPD3DXBUFFER* effectInstances, DWORD* numMaterials, LPD3DXMESH* mesh);
HRESULT WINAPI D3DXLoadMeshFromXInMemory(LPCVOID memory, DWORD size, DWORD options, LPDIRECT3DDEVICE9 device,
                                         LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                         LPD3DXBUFFER* effectInstances, DWORD* numMaterials,
                                         LPD3DXMESH* mesh);
HRESULT WINAPI D3DXLoadMeshFromXResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD options,
                                         LPDIRECT3DDEVICE9 device, LPD3DXBUFFER* adjacency,
                                         LPD3DXBUFFER* materials, LPD3DXBUFFER* effectInstances,
                                         DWORD* numMaterials, LPD3DXMESH* mesh);
#define D3DXLoadMeshFromX D3DXLoadMeshFromXA
#pragma GCC visibility pop
