// The parser component reached as programs reach it (by DLL name), and helpers that read a file
// from memory and walk what it yields.
#pragma once
#include <dxfile.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "xfile_builders.h"

// A small template set of the shapes the tests need: scalars, a nested structure, arrays sized
// by earlier members, strings, an open and a restricted template.
inline const char kTestTemplates[] = R"(xof 0303txt 0032
template Vec { <11111111-0000-0000-0000-000000000001> FLOAT x; FLOAT y; FLOAT z; }
template Face { <11111111-0000-0000-0000-000000000002> DWORD n; array DWORD index[n]; }
template Shape { <11111111-0000-0000-0000-000000000003>
  DWORD nPoints; array Vec points[nPoints]; DWORD nFaces; array Face faces[nFaces]; [...] }
template Label { <11111111-0000-0000-0000-000000000004> STRING text; WORD tag; }
template Mixed { <11111111-0000-0000-0000-000000000005>
  WORD w; DWORD d; FLOAT f; DOUBLE g; CHAR c; STRING s; array WORD grid[2][3]; }
template Group { <11111111-0000-0000-0000-000000000006> [Label, Shape <11111111-0000-0000-0000-000000000003>] }
template Leaf { <11111111-0000-0000-0000-000000000007> DWORD value; }
template Node { <11111111-0000-0000-0000-000000000008> [...] }
)";

inline constexpr GUID kShapeId = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 3}};
inline constexpr GUID kLabelId = {0x11111111, 0, 0, {0, 0, 0, 0, 0, 0, 0, 4}};

typedef HRESULT(WINAPI* CreateEntry)(LPDIRECTXFILE*);

class XFileTest : public ::testing::Test {
 public:
  void SetUp() override {
    HMODULE module = LoadLibraryA("d3dxof.dll");
    ASSERT_NE(module, nullptr);
    auto create =
        reinterpret_cast<CreateEntry>(reinterpret_cast<void*>(GetProcAddress(module, "DirectXFileCreate")));
    ASSERT_NE(create, nullptr);
    ASSERT_EQ(create(&parser), DXFILE_OK);
  }
  void TearDown() override {
    if (parser) {
      EXPECT_EQ(parser->Release(), 0u);
    }
  }

  HRESULT Register(const std::string& block) {
    return parser->RegisterTemplates(const_cast<char*>(block.data()), DWORD(block.size()));
  }
  HRESULT RegisterTestTemplates() { return Register(kTestTemplates); }

  HRESULT Open(const std::vector<BYTE>& file, IDirectXFileEnumObject** objects) {
    DXFILELOADMEMORY source = {const_cast<BYTE*>(file.data()), DWORD(file.size())};
    return parser->CreateEnumObject(&source, DXFILELOAD_FROMMEMORY, objects);
  }
  HRESULT Open(const std::string& text, IDirectXFileEnumObject** objects) {
    return Open(Bytes(text), objects);
  }

  // The result of reading a file, with every object it creates released again.
  HRESULT Check(const std::vector<BYTE>& file) {
    IDirectXFileEnumObject* objects = nullptr;
    HRESULT hr = Open(file, &objects);
    if (SUCCEEDED(hr)) objects->Release();
    return hr;
  }
  HRESULT Check(const std::string& text) { return Check(Bytes(text)); }

  IDirectXFile* parser = nullptr;
};

// Owns the objects a test takes out of the parser.
struct Objects {
  ~Objects() {
    for (IUnknown* o : held) o->Release();
  }
  template <typename T>
  T* Keep(T* object) {
    if (object) held.push_back(object);
    return object;
  }
  std::vector<IUnknown*> held;
};

inline std::vector<BYTE> DataOf(IDirectXFileData* data, const char* member = nullptr) {
  DWORD size = 0;
  void* bytes = nullptr;
  EXPECT_EQ(data->GetData(member, &size, &bytes), DXFILE_OK);
  const BYTE* b = static_cast<const BYTE*>(bytes);
  return b ? std::vector<BYTE>(b, b + size) : std::vector<BYTE>();
}

inline std::string NameOf(IDirectXFileObject* object) {
  DWORD size = 0;
  EXPECT_EQ(object->GetName(nullptr, &size), DXFILE_OK);
  std::string name(size, '\0');
  if (size) {
    EXPECT_EQ(object->GetName(name.data(), &size), DXFILE_OK);
  }
  if (!name.empty()) name.pop_back();
  return name;
}

// Builds expected blobs member by member.
struct Layout {
  template <typename T>
  Layout& Add(T value) {
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof(T));
    return *this;
  }
  std::vector<BYTE> bytes;
};
