// X-file mesh loading inside the library: the templates registered with the parser, the records a
// load gathers (materials with their effect instances), and the steps of a load, one file each.
#pragma once
#include <d3dx9.h>
#include <dxfile.h>

#include <string>
#include <string_view>
#include <vector>

#include "../tex/com_ref.h"

namespace d3dx::xmesh {

// Identifiers of the templates the loader reads.
namespace ids {
DEFINE_GUID(Frame, 0x3d82ab46, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(FrameTransformMatrix, 0xf6f23f41, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(Mesh, 0x3d82ab44, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(MeshNormals, 0xf6f23f43, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(MeshTextureCoords, 0xf6f23f40, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(MeshVertexColors, 0x1630b821, 0x7842, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(MeshMaterialList, 0xf6f23f42, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(Material, 0x3d82ab4d, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(TextureFilename, 0xa42790e1, 0x7810, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
DEFINE_GUID(VertexDuplicationIndices, 0xb8d65549, 0xd7c9, 0x4995, 0x89, 0xcf, 0x53, 0xa9, 0xa8, 0xb0, 0x31,
            0xe3);
DEFINE_GUID(FaceAdjacency, 0xa64c844a, 0xe282, 0x4756, 0x8b, 0x80, 0x25, 0x0c, 0xde, 0x04, 0x39, 0x8c);
DEFINE_GUID(FVFData, 0xb6e70a0e, 0x8ef9, 0x4e83, 0x94, 0xad, 0xec, 0xc8, 0xb0, 0xc0, 0x48, 0x97);
DEFINE_GUID(DeclData, 0xbf22e553, 0x292c, 0x4781, 0x9f, 0xea, 0x62, 0xbd, 0x55, 0x4b, 0xdd, 0x93);
DEFINE_GUID(EffectInstance, 0xe331f7e4, 0x0559, 0x4cc2, 0x8e, 0x99, 0x1c, 0xec, 0x16, 0x57, 0x92, 0x8f);
DEFINE_GUID(EffectParamFloats, 0x3014b9a0, 0x62f5, 0x478c, 0x9b, 0x86, 0xe4, 0xac, 0x9f, 0x4e, 0x41, 0x8b);
DEFINE_GUID(EffectParamString, 0x1dbc4c88, 0x94c1, 0x46ee, 0x90, 0x76, 0x2c, 0x28, 0x81, 0x8c, 0x94, 0x81);
DEFINE_GUID(EffectParamDWord, 0xe13963bc, 0xae51, 0x4c5d, 0xb0, 0x0f, 0xcf, 0xa3, 0xa9, 0xd9, 0x7c, 0xe5);
DEFINE_GUID(EffectFloats, 0xf1cfe2b3, 0x0de3, 0x4e28, 0xaf, 0xa1, 0x15, 0x5a, 0x75, 0x0a, 0x28, 0x2d);
DEFINE_GUID(EffectString, 0xd55b097e, 0xbdb6, 0x4c52, 0xb0, 0x3d, 0x60, 0x51, 0xc8, 0x1d, 0x0e, 0x42);
DEFINE_GUID(EffectDWord, 0x622c0ed0, 0x956e, 0x4da9, 0x90, 0x8a, 0x2a, 0xf9, 0x4f, 0x3c, 0xe7, 0x16);
}  // namespace ids

// A string member of a data blob is a pointer to the parser's zero-terminated text.
inline constexpr size_t kStringBytes = sizeof(const char*);

// The three template blocks, in registration order: the standard templates (binary form), the
// skinning and effect templates, the vertex-data and progressive-mesh templates.
std::string_view StandardTemplates();
std::string_view SkinAndEffectTemplates();
std::string_view VertexDataTemplates();

struct EffectDefault {
  std::string name;
  D3DXEFFECTDEFAULTTYPE type = D3DXEDT_FLOATS;
  std::vector<BYTE> value;
};

struct EffectInstance {
  bool hasFile = false;
  std::string file;
  std::vector<EffectDefault> defaults;
};

struct Material {
  D3DMATERIAL9 mat{};
  bool hasTexture = false;
  std::string texture;
  EffectInstance effect;
};

// The effect instance a material without its own gets: its colours, power and texture name.
EffectInstance DefaultEffect(const Material& material);
// The grey material of a file that declares none.
Material DefaultMaterial();

// Output buffers in the published layouts: records first, then the strings and values they point
// to, all inside the buffer.
HRESULT PackMaterials(const std::vector<Material>& materials, ID3DXBuffer** out);
HRESULT PackEffects(const std::vector<Material>& materials, ID3DXBuffer** out);
HRESULT PackAdjacency(const std::vector<DWORD>& adjacency, ID3DXBuffer** out);

// One converted mesh (or the merge of several) with what belongs to it.
struct LoadedMesh {
  ComRef<ID3DXMesh> mesh;
  std::vector<DWORD> adjacency;  // 3 per face
  std::vector<Material> materials;
};

// A Mesh data object turned into a mesh; D3DXERR_LOADEDMESHASNODATA when it has no geometry.
HRESULT ConvertMesh(IDirectXFileData* object, DWORD options, IDirect3DDevice9* device, LoadedMesh& out);

// The effect instance written in a material's file data.
HRESULT ReadEffectInstance(IDirectXFileData* object, EffectInstance& out);

// The child objects of a data object in file order, references resolved. E_FAIL for a child that
// is neither.
HRESULT NextChild(IDirectXFileData* parent, ComRef<IDirectXFileData>& child, bool& done);

// One mesh holding `a`'s faces followed by `b`'s.
HRESULT MergeMeshes(LoadedMesh& a, LoadedMesh& b, LoadedMesh& out);

// The object's name as the file gives it; empty when it has none.
std::string ObjectName(IDirectXFileObject* object);

}  // namespace d3dx::xmesh
