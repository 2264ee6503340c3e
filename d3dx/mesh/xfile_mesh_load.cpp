// The X-file entry points: the parser component reached by name, the template blocks, the walk
// over frames with their transforms, and the one mesh every Mesh of the file is merged into.
#include <cstring>

#include "../tex/file_mapping.h"
#include "declaration.h"
#include "xfile_mesh.h"

namespace d3dx::xmesh {

namespace {

typedef HRESULT(WINAPI* DirectXFileCreateEntry)(LPDIRECTXFILE*);

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return LONG(error) > 0 ? HRESULT_FROM_WIN32(error) : HRESULT(error);
}

// The component stays loaded for the life of the process; it is never freed.
HRESULT CreateParser(ComRef<IDirectXFile>& parser) {
  HMODULE module = GetModuleHandleA("d3dxof.dll");
  if (!module) module = LoadLibraryA("d3dxof.dll");
  if (!module) return LastErrorResult();
  auto create = reinterpret_cast<DirectXFileCreateEntry>(
      reinterpret_cast<void*>(GetProcAddress(module, "DirectXFileCreate")));
  if (!create) return LastErrorResult();
  return create(parser.Out());
}

HRESULT Register(IDirectXFile* parser, std::string_view block) {
  return parser->RegisterTemplates(const_cast<char*>(block.data()), DWORD(block.size()));
}

enum class TemplateSet { StandardOnly, All };

struct Outputs {
  LPD3DXBUFFER* adjacency;
  LPD3DXBUFFER* materials;
  LPD3DXBUFFER* effects;
  DWORD* count;
  LPD3DXMESH* mesh;
};

// Positions and normals of a new mesh carried into the frame's space.
HRESULT TransformVertices(ID3DXMesh* mesh, const D3DXMATRIX& m) {
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  HRESULT hr = mesh->GetDeclaration(decl);
  if (FAILED(hr)) return hr;
  ElementLookup layout;
  layout.Setup(decl);
  void* data = nullptr;
  hr = mesh->LockVertexBuffer(D3DLOCK_NOSYSLOCK, &data);
  if (FAILED(hr)) return hr;
  const DWORD stride = mesh->GetNumBytesPerVertex();
  for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
    BYTE* v = static_cast<BYTE*>(data) + size_t(i) * stride;
    D3DXVECTOR3 p;
    if (layout.position) {
      std::memcpy(&p, v + layout.position->Offset, 12);
      D3DXVec3TransformCoord(&p, &p, &m);
      std::memcpy(v + layout.position->Offset, &p, 12);
    }
    if (layout.normal) {
      std::memcpy(&p, v + layout.normal->Offset, 12);
      D3DXVec3TransformNormal(&p, &p, &m);
      D3DXVec3Normalize(&p, &p);
      std::memcpy(v + layout.normal->Offset, &p, 12);
    }
  }
  return mesh->UnlockVertexBuffer();
}

class Walker {
 public:
  Walker(DWORD options, IDirect3DDevice9* device) : options_(options), device_(device) {}

  HRESULT Walk(IDirectXFileData* object, const D3DXMATRIX& current) {
    const GUID* type = nullptr;
    HRESULT hr = object->GetType(&type);
    if (FAILED(hr)) return hr;
    if (*type == ids::Mesh) return AddMesh(object, current);
    if (*type == ids::Frame) return Frame(object, current);
    // A transform outside any frame applies to nothing.
    if (*type == ids::FrameTransformMatrix) {
      D3DXMATRIX ignored = current;
      return ApplyTransform(object, ignored);
    }
    return S_OK;
  }

  LoadedMesh held;
  bool hasMesh = false;

 private:
  HRESULT ApplyTransform(IDirectXFileData* object, D3DXMATRIX& frame) {
    DWORD size = 0;
    void* data = nullptr;
    HRESULT hr = object->GetData(nullptr, &size, &data);
    if (FAILED(hr)) return hr;
    if (size < 64) return E_FAIL;
    D3DXMATRIX local;
    std::memcpy(&local, data, 64);
    D3DXMatrixMultiply(&frame, &local, &frame);
    return S_OK;
  }

  HRESULT Frame(IDirectXFileData* object, const D3DXMATRIX& current) {
    D3DXMATRIX frame = current;
    for (;;) {
      ComRef<IDirectXFileData> child;
      bool done;
      HRESULT hr = NextChild(object, child, done);
      if (FAILED(hr)) return hr;
      if (done) return S_OK;
      const GUID* type = nullptr;
      hr = child->GetType(&type);
      if (FAILED(hr)) return hr;
      // The frame's transform applies to the children that follow it.
      hr = *type == ids::FrameTransformMatrix ? ApplyTransform(child.Get(), frame) : Walk(child.Get(), frame);
      if (FAILED(hr)) return hr;
    }
  }

  HRESULT AddMesh(IDirectXFileData* object, const D3DXMATRIX& current) {
    LoadedMesh next;
    HRESULT hr = ConvertMesh(object, options_, device_, next);
    if (hr == D3DXERR_LOADEDMESHASNODATA) return S_OK;
    if (FAILED(hr)) return hr;
    hr = TransformVertices(next.mesh.Get(), current);
    if (FAILED(hr)) return hr;
    if (!hasMesh) {
      held = std::move(next);
      hasMesh = true;
      return S_OK;
    }
    LoadedMesh merged;
    hr = MergeMeshes(held, next, merged);
    if (FAILED(hr)) return hr;
    held = std::move(merged);
    return S_OK;
  }

  DWORD options_;
  IDirect3DDevice9* device_;
};

HRESULT Load(LPVOID source, DXFILELOADOPTIONS loadOption, TemplateSet templates, DWORD options,
             IDirect3DDevice9* device, const Outputs& out) {
  *out.mesh = nullptr;
  ComRef<IDirectXFile> parser;
  HRESULT hr = CreateParser(parser);
  if (FAILED(hr)) return hr;
  hr = Register(parser.Get(), StandardTemplates());
  if (SUCCEEDED(hr) && templates == TemplateSet::All) hr = Register(parser.Get(), SkinAndEffectTemplates());
  if (SUCCEEDED(hr) && templates == TemplateSet::All) hr = Register(parser.Get(), VertexDataTemplates());
  if (FAILED(hr)) return hr;
  ComRef<IDirectXFileEnumObject> objects;
  hr = parser->CreateEnumObject(source, loadOption, objects.Out());
  if (FAILED(hr)) return hr;

  try {
    Walker walker(options, device);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (;;) {
      ComRef<IDirectXFileData> object;
      if (FAILED(objects->GetNextDataObject(object.Out()))) break;
      hr = walker.Walk(object.Get(), identity);
      if (FAILED(hr)) return hr;
    }
    if (!walker.hasMesh) return E_FAIL;
    LoadedMesh& result = walker.held;
    if (result.materials.empty()) result.materials.push_back(DefaultMaterial());

    ComRef<ID3DXBuffer> adjacency, materials, effects;
    hr = PackAdjacency(result.adjacency, adjacency.Out());
    if (SUCCEEDED(hr) && out.materials) hr = PackMaterials(result.materials, materials.Out());
    if (SUCCEEDED(hr) && out.effects) hr = PackEffects(result.materials, effects.Out());
    if (FAILED(hr)) return hr;
    // Out pointers are written only once everything succeeded.
    auto hand = [](ComRef<ID3DXBuffer>& buffer, LPD3DXBUFFER* target) {
      if (!target) return;
      *target = buffer.Get();
      buffer.Get()->AddRef();
    };
    hand(adjacency, out.adjacency);
    hand(materials, out.materials);
    hand(effects, out.effects);
    if (out.count) *out.count = DWORD(result.materials.size());
    *out.mesh = result.mesh.Get();
    (*out.mesh)->AddRef();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT NextChild(IDirectXFileData* parent, ComRef<IDirectXFileData>& child, bool& done) {
  ComRef<IDirectXFileObject> object;
  done = FAILED(parent->GetNextObject(object.Out()));
  if (done) return S_OK;
  if (SUCCEEDED(object->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(child.Out()))))
    return S_OK;
  ComRef<IDirectXFileDataReference> reference;
  if (SUCCEEDED(
          object->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(reference.Out()))))
    return reference->Resolve(child.Out());
  return E_FAIL;
}

std::string ObjectName(IDirectXFileObject* object) {
  DWORD size = 0;
  if (FAILED(object->GetName(nullptr, &size)) || size == 0) return {};
  std::string name(size, '\0');
  if (FAILED(object->GetName(name.data(), &size))) return {};
  name.resize(std::strlen(name.c_str()));
  return name;
}

}  // namespace d3dx::xmesh

using d3dx::xmesh::Load;
using d3dx::xmesh::Outputs;
using d3dx::xmesh::TemplateSet;

HRESULT WINAPI D3DXLoadMeshFromXA(LPCSTR fileName, DWORD options, LPDIRECT3DDEVICE9 device,
                                  LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                  LPD3DXBUFFER* effectInstances, DWORD* numMaterials, LPD3DXMESH* mesh) {
  if (!fileName || !mesh) return D3DERR_INVALIDCALL;
  return Load(const_cast<char*>(fileName), DXFILELOAD_FROMFILE, TemplateSet::All, options, device,
              {adjacency, materials, effectInstances, numMaterials, mesh});
}

HRESULT WINAPI D3DXLoadMeshFromXInMemory(LPCVOID memory, DWORD size, DWORD options, LPDIRECT3DDEVICE9 device,
                                         LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                         LPD3DXBUFFER* effectInstances, DWORD* numMaterials,
                                         LPD3DXMESH* mesh) {
  if (!memory || !mesh) return D3DERR_INVALIDCALL;
  DXFILELOADMEMORY source = {const_cast<void*>(memory), size};
  return Load(&source, DXFILELOAD_FROMMEMORY, TemplateSet::StandardOnly, options, device,
              {adjacency, materials, effectInstances, numMaterials, mesh});
}

HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR fileName, DWORD options, LPDIRECT3DDEVICE9 device,
                                  LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials,
                                  LPD3DXBUFFER* effectInstances, DWORD* numMaterials, LPD3DXMESH* mesh) {
  if (!fileName || !mesh) return D3DERR_INVALIDCALL;
  d3dx::MappedFile file;
  HRESULT hr = file.Open(fileName);
  if (FAILED(hr)) return hr;
  if (!file.Data()) return D3DXERR_INVALIDDATA;
  return D3DXLoadMeshFromXInMemory(file.Data(), file.Size(), options, device, adjacency, materials,
                                   effectInstances, numMaterials, mesh);
}

HRESULT WINAPI D3DXLoadMeshFromXResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD options,
                                         LPDIRECT3DDEVICE9 device, LPD3DXBUFFER* adjacency,
                                         LPD3DXBUFFER* materials, LPD3DXBUFFER* effectInstances,
                                         DWORD* numMaterials, LPD3DXMESH* mesh) {
  if (!name || !type || !mesh) return D3DERR_INVALIDCALL;
  DXFILELOADRESOURCE source = {module, name, type};
  return Load(&source, DXFILELOAD_FROMRESOURCE, TemplateSet::StandardOnly, options, device,
              {adjacency, materials, effectInstances, numMaterials, mesh});
}
