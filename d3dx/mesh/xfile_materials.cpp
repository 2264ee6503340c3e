// Materials and effect instances of a loaded file: the defaults, the effect instance a material
// carries in the file, and the output buffers whose records point at strings inside themselves.
#include <cstring>

#include "xfile_mesh.h"

namespace d3dx::xmesh {

namespace {

EffectDefault FloatsDefault(const char* name, const void* values, size_t bytes) {
  EffectDefault d;
  d.name = name;
  d.type = D3DXEDT_FLOATS;
  const BYTE* p = static_cast<const BYTE*>(values);
  d.value.assign(p, p + bytes);
  return d;
}

// Records inside a buffer hold pointers; everything placed after them keeps pointer alignment.
constexpr size_t kAlign = alignof(void*);
size_t Aligned(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

// Places blocks one after another in a buffer, each aligned.
class BufferLayout {
 public:
  size_t Reserve(size_t bytes) {
    const size_t at = size_;
    size_ = Aligned(size_ + bytes);
    return at;
  }
  size_t size() const { return size_; }

 private:
  size_t size_ = 0;
};

HRESULT CreateSized(size_t bytes, ID3DXBuffer** out, BYTE*& base) {
  if (bytes > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  HRESULT hr = D3DXCreateBuffer(DWORD(bytes), out);
  if (FAILED(hr)) return hr;
  base = static_cast<BYTE*>((*out)->GetBufferPointer());
  std::memset(base, 0, bytes);
  return S_OK;
}

char* PlaceString(BYTE* base, size_t at, const std::string& s) {
  char* p = reinterpret_cast<char*>(base + at);
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

// Reads one child of an effect instance into a default; false when the child is not one.
HRESULT ReadDefault(IDirectXFileData* child, EffectDefault& d, bool& isDefault) {
  isDefault = false;
  const GUID* type = nullptr;
  HRESULT hr = child->GetType(&type);
  if (FAILED(hr)) return hr;
  DWORD size = 0;
  void* data = nullptr;
  hr = child->GetData(nullptr, &size, &data);
  if (FAILED(hr)) return hr;
  const BYTE* p = static_cast<const BYTE*>(data);
  auto stringAt = [&](size_t offset) {
    const char* s;
    std::memcpy(&s, p + offset, kStringBytes);
    return std::string(s ? s : "");
  };
  auto dwordAt = [&](size_t offset) {
    DWORD v;
    std::memcpy(&v, p + offset, 4);
    return v;
  };
  // The templates with a parameter name member, and the name-less ones that take the object's name.
  const bool named =
      *type == ids::EffectParamFloats || *type == ids::EffectParamString || *type == ids::EffectParamDWord;
  const bool nameless = *type == ids::EffectFloats || *type == ids::EffectString || *type == ids::EffectDWord;
  if (!named && !nameless) return S_OK;
  size_t at = 0;
  if (named) {
    if (size < kStringBytes) return E_FAIL;
    d.name = stringAt(0);
    at = kStringBytes;
  } else {
    d.name = ObjectName(child);
    if (d.name.empty()) return S_OK;
  }
  if (*type == ids::EffectParamFloats || *type == ids::EffectFloats) {
    if (size < at + 4) return E_FAIL;
    const uint64_t n = dwordAt(at);
    if (size != at + 4 + 4 * n) return E_FAIL;
    d.type = D3DXEDT_FLOATS;
    d.value.assign(p + at + 4, p + size);
  } else if (*type == ids::EffectParamString || *type == ids::EffectString) {
    if (size != at + kStringBytes) return E_FAIL;
    const std::string value = stringAt(at);
    d.type = D3DXEDT_STRING;
    d.value.assign(value.c_str(), value.c_str() + value.size() + 1);
  } else {
    if (size != at + 4) return E_FAIL;
    d.type = D3DXEDT_DWORD;
    d.value.assign(p + at, p + at + 4);
  }
  isDefault = true;
  return S_OK;
}

}  // namespace

EffectInstance DefaultEffect(const Material& material) {
  EffectInstance e;
  const D3DMATERIAL9& m = material.mat;
  e.defaults.push_back(FloatsDefault("Diffuse", &m.Diffuse, 16));
  e.defaults.push_back(FloatsDefault("Power", &m.Power, 4));
  e.defaults.push_back(FloatsDefault("Specular", &m.Specular, 16));
  e.defaults.push_back(FloatsDefault("Emissive", &m.Emissive, 16));
  e.defaults.push_back(FloatsDefault("Ambient", &m.Ambient, 16));
  if (material.hasTexture) {
    EffectDefault t;
    t.name = "Texture0@Name";
    t.type = D3DXEDT_STRING;
    t.value.assign(material.texture.c_str(), material.texture.c_str() + material.texture.size() + 1);
    e.defaults.push_back(std::move(t));
  }
  return e;
}

Material DefaultMaterial() {
  Material m;
  m.mat.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
  m.mat.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
  m.effect = DefaultEffect(m);
  return m;
}

HRESULT ReadEffectInstance(IDirectXFileData* object, EffectInstance& out) {
  DWORD size = 0;
  void* data = nullptr;
  HRESULT hr = object->GetData(nullptr, &size, &data);
  if (FAILED(hr)) return hr;
  if (size < kStringBytes) return E_FAIL;
  const char* file;
  std::memcpy(&file, data, kStringBytes);
  out = EffectInstance();
  out.hasFile = file != nullptr;
  out.file = file ? file : "";
  for (;;) {
    ComRef<IDirectXFileData> child;
    bool done;
    hr = NextChild(object, child, done);
    if (FAILED(hr)) return hr;
    if (done) return S_OK;
    EffectDefault d;
    bool isDefault;
    hr = ReadDefault(child.Get(), d, isDefault);
    if (FAILED(hr)) return hr;
    if (isDefault) out.defaults.push_back(std::move(d));
  }
}

HRESULT PackMaterials(const std::vector<Material>& materials, ID3DXBuffer** out) {
  BufferLayout layout;
  layout.Reserve(sizeof(D3DXMATERIAL) * materials.size());
  std::vector<size_t> names(materials.size());
  for (size_t i = 0; i < materials.size(); ++i)
    if (materials[i].hasTexture) names[i] = layout.Reserve(materials[i].texture.size() + 1);
  BYTE* base;
  HRESULT hr = CreateSized(layout.size(), out, base);
  if (FAILED(hr)) return hr;
  auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
  for (size_t i = 0; i < materials.size(); ++i) {
    records[i].MatD3D = materials[i].mat;
    records[i].pTextureFilename =
        materials[i].hasTexture ? PlaceString(base, names[i], materials[i].texture) : nullptr;
  }
  return S_OK;
}

HRESULT PackEffects(const std::vector<Material>& materials, ID3DXBuffer** out) {
  // Records, then each instance's default array, then its file name, parameter names and values.
  struct Place {
    size_t defaults = 0, file = 0;
    std::vector<size_t> names, values;
  };
  BufferLayout layout;
  layout.Reserve(sizeof(D3DXEFFECTINSTANCE) * materials.size());
  std::vector<Place> places(materials.size());
  for (size_t i = 0; i < materials.size(); ++i) {
    const EffectInstance& e = materials[i].effect;
    places[i].defaults = layout.Reserve(sizeof(D3DXEFFECTDEFAULT) * e.defaults.size());
    if (e.hasFile) places[i].file = layout.Reserve(e.file.size() + 1);
    for (const EffectDefault& d : e.defaults) {
      places[i].names.push_back(layout.Reserve(d.name.size() + 1));
      places[i].values.push_back(layout.Reserve(d.value.size()));
    }
  }
  BYTE* base;
  HRESULT hr = CreateSized(layout.size(), out, base);
  if (FAILED(hr)) return hr;
  auto* records = reinterpret_cast<D3DXEFFECTINSTANCE*>(base);
  for (size_t i = 0; i < materials.size(); ++i) {
    const EffectInstance& e = materials[i].effect;
    records[i].pEffectFilename = e.hasFile ? PlaceString(base, places[i].file, e.file) : nullptr;
    records[i].NumDefaults = DWORD(e.defaults.size());
    auto* defaults = reinterpret_cast<D3DXEFFECTDEFAULT*>(base + places[i].defaults);
    records[i].pDefaults = e.defaults.empty() ? nullptr : defaults;
    for (size_t k = 0; k < e.defaults.size(); ++k) {
      const EffectDefault& d = e.defaults[k];
      defaults[k].pParamName = PlaceString(base, places[i].names[k], d.name);
      defaults[k].Type = d.type;
      defaults[k].NumBytes = DWORD(d.value.size());
      defaults[k].pValue = base + places[i].values[k];
      if (!d.value.empty()) std::memcpy(defaults[k].pValue, d.value.data(), d.value.size());
    }
  }
  return S_OK;
}

HRESULT PackAdjacency(const std::vector<DWORD>& adjacency, ID3DXBuffer** out) {
  BYTE* base;
  HRESULT hr = CreateSized(adjacency.size() * sizeof(DWORD), out, base);
  if (SUCCEEDED(hr) && !adjacency.empty())
    std::memcpy(base, adjacency.data(), adjacency.size() * sizeof(DWORD));
  return hr;
}

}  // namespace d3dx::xmesh
