// X files through the parser component, reached by its DLL name as programs reach it: the file
// is read from memory with the mesh templates registered, and everything it yields is walked
// (names, identifiers, types, data blobs, children, references and binary objects). The same
// bytes are then offered as a template block.
#include <dxfile.h>

#include <memory>
#include <vector>

#include "fuzz_entries.h"

namespace fuzz {
namespace {

// The mesh and animation templates most files rely on without defining them.
constexpr char kMeshTemplates[] = R"(xof 0303txt 0032
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <4885AE61-78E8-11CF-8F52-0040333594A3> WORD truefalse; }
template Boolean2d { <4885AE63-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433>
  ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433>
  DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { <4885AE62-78E8-11CF-8F52-0040333594A3>
  DWORD nFaceWrapValues; array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3>
  DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3>
  DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes]; [Material] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3>
  DWORD nNormals; array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { <1630B821-7842-11CF-8F52-0040333594A3>
  DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433>
  DWORD nVertices; array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey { <10DD46A8-775B-11CF-8F52-0040333594A3>
  DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation] }
template VertexDuplicationIndices { <B8D65549-D7C9-4995-89CF-53A9A8B031E3>
  DWORD nIndices; DWORD nOriginalVertices; array DWORD indices[nIndices]; }
template FaceAdjacency { <A64C844A-E282-4756-8B80-250CDE04398C> DWORD nIndices; array DWORD indices[nIndices]; }
template FVFData { <B6E70A0E-8EF9-4E83-94AD-ECC8B0C04897> DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords]; }
template VertexElement { <F752461C-1E23-48F6-B9F8-8350850F336F> DWORD Type; DWORD Method; DWORD Usage; DWORD UsageIndex; }
template DeclData { <BF22E553-292C-4781-9FEA-62BD554BDD93>
  DWORD nElements; array VertexElement Elements[nElements]; DWORD nDWords; array DWORD data[nDWords]; }
template EffectInstance { <E331F7E4-0559-4CC2-8E99-1CEC1657928F> STRING EffectFilename; [...] }
template EffectParamFloats { <3014B9A0-62F5-478C-9B86-E4AC9F4E418B> STRING ParamName; DWORD nFloats; array FLOAT Floats[nFloats]; }
template EffectParamString { <1DBC4C88-94C1-46EE-9076-2C28818C9481> STRING ParamName; STRING Value; }
template EffectParamDWord { <E13963BC-AE51-4C5D-B00F-CFA3A9D97CE5> STRING ParamName; DWORD Value; }
)";

// Member names the mesh loader asks for by name.
constexpr const char* kMembers[] = {"nVertices",    "vertices", "faces",
                                    "nFaceIndexes", "filename", "frameMatrix"};

volatile unsigned gSink;

template <typename T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p) p->Release();
  }
};

void Bytes(const void* data, DWORD size) {
  const BYTE* b = static_cast<const BYTE*>(data);
  unsigned sum = 0;
  for (DWORD i = 0; b && i < size; ++i) sum += b[i];
  gSink = gSink + sum;
}

void Common(IDirectXFileObject* object) {
  DWORD size = 0;
  if (object->GetName(nullptr, &size) == DXFILE_OK && size) {
    std::vector<char> name(size);
    if (object->GetName(name.data(), &size) == DXFILE_OK && name.back() != '\0')
      Broken("an object name is not terminated");
    DWORD small = size - 1;
    if (small && object->GetName(name.data(), &small) == DXFILE_OK) Broken("a name fits a buffer one short");
  }
  GUID id;
  object->GetId(&id);
}

void WalkData(IDirectXFileData* data, int depth) {
  Common(data);
  const GUID* type = nullptr;
  if (data->GetType(&type) == DXFILE_OK && type) gSink = gSink + type->Data1;
  DWORD size = 0;
  void* bytes = nullptr;
  if (data->GetData(nullptr, &size, &bytes) == DXFILE_OK) Bytes(bytes, size);
  for (const char* member : kMembers)
    if (data->GetData(member, &size, &bytes) == DXFILE_OK) Bytes(bytes, size);
  for (;;) {
    Held<IDirectXFileObject> child;
    if (data->GetNextObject(&child.p) != DXFILE_OK) break;
    Held<IDirectXFileData> childData;
    Held<IDirectXFileDataReference> reference;
    Held<IDirectXFileBinary> binary;
    if (SUCCEEDED(child.p->QueryInterface(IID_IDirectXFileData, (void**)&childData.p))) {
      // Nesting is bounded by the parser; the walk is bounded too, so it never outruns the stack.
      if (depth < 200) WalkData(childData.p, depth + 1);
    } else if (SUCCEEDED(child.p->QueryInterface(IID_IDirectXFileDataReference, (void**)&reference.p))) {
      Common(reference.p);
      Held<IDirectXFileData> target;
      if (reference.p->Resolve(&target.p) == DXFILE_OK) {
        Common(target.p);
        if (target.p->GetData(nullptr, &size, &bytes) == DXFILE_OK) Bytes(bytes, size);
      }
    } else if (SUCCEEDED(child.p->QueryInterface(IID_IDirectXFileBinary, (void**)&binary.p))) {
      Common(binary.p);
      DWORD total = 0, read = 0;
      LPCSTR mime = nullptr;
      binary.p->GetMimeType(&mime);
      if (binary.p->GetSize(&total) == DXFILE_OK && total <= (1u << 24)) {
        std::vector<BYTE> buffer(total + 1);
        binary.p->Read(buffer.data(), total, &read);
        if (read > total) Broken("a binary object reads more than its size");
      }
    } else {
      Broken("a child is neither data, reference nor binary");
    }
  }
}

IDirectXFile* CreateParser() {
  using Create = HRESULT(WINAPI*)(LPDIRECTXFILE*);
  static Create create = [] {
    HMODULE module = LoadLibraryA("d3dxof.dll");
    return module ? reinterpret_cast<Create>(
                        reinterpret_cast<void*>(GetProcAddress(module, "DirectXFileCreate")))
                  : nullptr;
  }();
  if (!create) Broken("the parser component is not registered");
  IDirectXFile* parser = nullptr;
  if (create(&parser) != DXFILE_OK || !parser) Broken("the parser component cannot be created");
  if (parser->RegisterTemplates(const_cast<char*>(kMeshTemplates), sizeof kMeshTemplates - 1) != DXFILE_OK)
    Broken("the mesh templates are refused");
  return parser;
}

}  // namespace

int XFileParser(const uint8_t* data, size_t size) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  std::copy(data, data + size, copy.get());
  Held<IDirectXFile> parser{CreateParser()};
  DXFILELOADMEMORY source = {copy.get(), DWORD(size)};
  {
    Held<IDirectXFileEnumObject> objects;
    if (parser.p->CreateEnumObject(&source, DXFILELOAD_FROMMEMORY, &objects.p) == DXFILE_OK) {
      for (;;) {
        Held<IDirectXFileData> top;
        if (objects.p->GetNextDataObject(&top.p) != DXFILE_OK) break;
        WalkData(top.p, 0);
      }
      Held<IDirectXFileData> byName;
      objects.p->GetDataObjectByName("Body", &byName.p);
    }
  }
  parser.p->RegisterTemplates(copy.get(), DWORD(size));
  return 0;
}

}  // namespace fuzz
