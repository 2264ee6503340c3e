// X files through the parser component, reached by its DLL name as programs reach it: the file
// is read from memory with the mesh templates registered, and everything it yields is walked
// (names, identifiers, types, data blobs, children, references and binary objects). The same
// bytes are then offered as a template block.
#include <dxfile.h>

#include <memory>
#include <vector>

#include "fuzz_entries.h"
#include "xfile_mesh.h"

namespace fuzz {
namespace {

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
  // The blocks the mesh loader registers: most files rely on them without defining them.
  for (std::string_view block : {d3dx::xmesh::StandardTemplates(), d3dx::xmesh::SkinAndEffectTemplates(),
                                 d3dx::xmesh::VertexDataTemplates()})
    if (parser->RegisterTemplates(const_cast<char*>(block.data()), DWORD(block.size())) != DXFILE_OK)
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
