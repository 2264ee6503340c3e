// The component's objects: the parser with its registered templates, the enumerator of one
// file, data objects and references, and the module entry that programs load by name.
#include <cstring>

#include "xfile.h"

namespace xfile {

namespace {

// Reference counting shared by every object of the component.
template <typename Interface>
class Counted : public Interface {
 public:
  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override {
    ULONG count = --refCount_;
    if (count == 0) delete this;
    return count;
  }

 protected:
  virtual ~Counted() = default;
  // Accepts IUnknown and the identifiers given.
  HRESULT Query(REFIID iid, void** object, std::initializer_list<const IID*> accepted) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown) {
      *object = static_cast<Interface*>(this);
    } else {
      for (const IID* id : accepted)
        if (iid == *id) *object = static_cast<Interface*>(this);
    }
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

 private:
  ULONG refCount_ = 1;
};

HRESULT CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (!size) return DXFILEERR_BADVALUE;
  const DWORD needed = name.empty() ? 0 : DWORD(name.size() + 1);
  if (buffer) {
    if (*size < needed) return DXFILEERR_BADVALUE;
    if (needed)
      std::memcpy(buffer, name.c_str(), needed);
    else if (*size)
      buffer[0] = 0;
  }
  *size = needed;
  return DXFILE_OK;
}

class DataObject final : public Counted<IDirectXFileData> {
 public:
  DataObject(std::shared_ptr<Document> doc, Node* node) : doc_(std::move(doc)), node_(node) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return Query(iid, object, {&IID_IDirectXFileObject, &IID_IDirectXFileData});
  }
  HRESULT GetName(LPSTR name, LPDWORD size) override { return CopyName(node_->name, name, size); }
  HRESULT GetId(LPGUID id) override {
    if (!id) return DXFILEERR_BADVALUE;
    *id = node_->id;
    return DXFILE_OK;
  }
  HRESULT GetData(LPCSTR member, DWORD* size, void** data) override {
    if (!size || !data) return DXFILEERR_BADVALUE;
    static BYTE empty = 0;
    BYTE* bytes = node_->data.empty() ? &empty : node_->data.data();
    if (!member) {
      *size = DWORD(node_->data.size());
      *data = bytes;
      return DXFILE_OK;
    }
    size_t offset, length;
    if (!FindMember(*node_->type, node_->data.data(), node_->data.size(), member, offset, length))
      return DXFILEERR_NOTFOUND;
    *size = DWORD(length);
    *data = bytes + offset;
    return DXFILE_OK;
  }
  HRESULT GetType(const GUID** type) override {
    if (!type) return DXFILEERR_BADVALUE;
    *type = &node_->type->id;
    return DXFILE_OK;
  }
  HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) override;
  HRESULT AddDataObject(LPDIRECTXFILEDATA) override { return E_NOTIMPL; }
  HRESULT AddDataReference(LPCSTR, const GUID*) override { return E_NOTIMPL; }
  HRESULT AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override { return E_NOTIMPL; }

 private:
  std::shared_ptr<Document> doc_;
  Node* node_;
  size_t next_ = 0;
};

class Reference final : public Counted<IDirectXFileDataReference> {
 public:
  Reference(std::shared_ptr<Document> doc, const Child* child) : doc_(std::move(doc)), child_(child) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return Query(iid, object, {&IID_IDirectXFileObject, &IID_IDirectXFileDataReference});
  }
  HRESULT GetName(LPSTR name, LPDWORD size) override { return CopyName(child_->name, name, size); }
  HRESULT GetId(LPGUID id) override {
    if (!id) return DXFILEERR_BADVALUE;
    *id = child_->id;
    return DXFILE_OK;
  }
  HRESULT Resolve(LPDIRECTXFILEDATA* data) override {
    if (!data) return DXFILEERR_BADVALUE;
    if (!child_->target) return DXFILEERR_BADDATAREFERENCE;
    auto* object = new (std::nothrow) DataObject(doc_, child_->target);
    if (!object) return DXFILEERR_BADALLOC;
    *data = object;
    return DXFILE_OK;
  }

 private:
  std::shared_ptr<Document> doc_;
  const Child* child_;
};

HRESULT DataObject::GetNextObject(LPDIRECTXFILEOBJECT* child) {
  if (!child) return DXFILEERR_BADVALUE;
  if (next_ >= node_->children.size()) return DXFILEERR_NOMOREOBJECTS;
  const Child& c = node_->children[next_];
  IDirectXFileObject* object;
  if (c.isReference)
    object = new (std::nothrow) Reference(doc_, &c);
  else
    object = new (std::nothrow) DataObject(doc_, c.node);
  if (!object) return DXFILEERR_BADALLOC;
  ++next_;
  *child = object;
  return DXFILE_OK;
}

class EnumObject final : public Counted<IDirectXFileEnumObject> {
 public:
  explicit EnumObject(std::shared_ptr<Document> doc) : doc_(std::move(doc)) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return Query(iid, object, {&IID_IDirectXFileEnumObject});
  }
  HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) override {
    if (!data) return DXFILEERR_BADVALUE;
    if (next_ >= doc_->top.size()) return DXFILEERR_NOMOREOBJECTS;
    HRESULT hr = Hand(doc_->top[next_], data);
    if (SUCCEEDED(hr)) ++next_;
    return hr;
  }
  HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) override {
    if (!data) return DXFILEERR_BADVALUE;
    for (Node* n : doc_->top)
      if (n->hasId && IsEqualGUID(n->id, id)) return Hand(n, data);
    return DXFILEERR_NOTFOUND;
  }
  HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) override {
    if (!data || !name) return DXFILEERR_BADVALUE;
    for (Node* n : doc_->top)
      if (n->name == name) return Hand(n, data);
    return DXFILEERR_NOTFOUND;
  }

 private:
  HRESULT Hand(Node* node, LPDIRECTXFILEDATA* data) {
    auto* object = new (std::nothrow) DataObject(doc_, node);
    if (!object) return DXFILEERR_BADALLOC;
    *data = object;
    return DXFILE_OK;
  }

  std::shared_ptr<Document> doc_;
  size_t next_ = 0;
};

// The bytes of a source for the time of one parse.
class SourceBytes {
 public:
  ~SourceBytes() {
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  HRESULT Open(LPVOID source, DXFILELOADOPTIONS options) {
    if (!source) return DXFILEERR_BADVALUE;
    switch (options) {
      case DXFILELOAD_FROMFILE:
        return OpenFile(static_cast<LPCSTR>(source));
      case DXFILELOAD_FROMMEMORY: {
        auto* memory = static_cast<const DXFILELOADMEMORY*>(source);
        if (!memory->lpMemory) return DXFILEERR_BADVALUE;
        data = static_cast<const BYTE*>(memory->lpMemory);
        size = memory->dSize;
        return DXFILE_OK;
      }
      case DXFILELOAD_FROMRESOURCE: {
        auto* resource = static_cast<const DXFILELOADRESOURCE*>(source);
        HRSRC found = FindResourceA(resource->hModule, resource->lpName, resource->lpType);
        if (!found) return DXFILEERR_RESOURCENOTFOUND;
        HGLOBAL loaded = LoadResource(resource->hModule, found);
        data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        size = SizeofResource(resource->hModule, found);
        return data ? DXFILE_OK : DXFILEERR_BADRESOURCE;
      }
      default:
        return DXFILEERR_BADVALUE;  // streams and URLs are not offered
    }
  }

  const BYTE* data = nullptr;
  size_t size = 0;

 private:
  HRESULT OpenFile(LPCSTR name) {
    file_ = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return DXFILEERR_FILENOTFOUND;
    DWORD high = 0;
    const DWORD low = GetFileSize(file_, &high);
    if (low == INVALID_FILE_SIZE || high) return DXFILEERR_BADFILE;
    if (low == 0) return DXFILEERR_BADFILETYPE;  // an empty file has no header
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    view_ = mapping_ ? MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!view_) return DXFILEERR_BADFILE;
    data = static_cast<const BYTE*>(view_);
    size = low;
    return DXFILE_OK;
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  LPVOID view_ = nullptr;
};

class FileParser final : public Counted<IDirectXFile> {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    return Query(iid, object, {&IID_IDirectXFile});
  }

  HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* out) override {
    if (!out) return DXFILEERR_BADVALUE;
    SourceBytes bytes;
    HRESULT hr = bytes.Open(source, options);
    if (FAILED(hr)) return hr;
    try {
      auto doc = std::make_shared<Document>(templates_);
      hr = ParseSource(bytes.data, bytes.size, *doc);
      if (FAILED(hr)) return hr;
      *out = new EnumObject(std::move(doc));
      return DXFILE_OK;
    } catch (const std::bad_alloc&) {
      return DXFILEERR_BADALLOC;
    }
  }

  HRESULT CreateSaveObject(LPCSTR, DXFILEFORMAT, LPDIRECTXFILESAVEOBJECT*) override { return E_NOTIMPL; }

  HRESULT RegisterTemplates(LPVOID data, DWORD size) override {
    if (!data) return DXFILEERR_BADVALUE;
    try {
      // All or nothing: the block is read on its own, and its templates join only if it parses.
      Document block(templates_);
      HRESULT hr = ParseSource(static_cast<const BYTE*>(data), size, block);
      if (SUCCEEDED(hr)) templates_->Absorb(block.templates);
      return hr;
    } catch (const std::bad_alloc&) {
      return DXFILEERR_BADALLOC;
    }
  }

 private:
  std::shared_ptr<Registry> templates_ = std::make_shared<Registry>();
};

FARPROC LookupExport(LPCSTR name) {
  if (name && std::strcmp(name, "DirectXFileCreate") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DirectXFileCreate));
  return nullptr;
}

// The component announces itself under its DLL name when the program starts.
struct ModuleRegistration {
  ModuleRegistration() { SkyvaleRegisterModule("d3dxof.dll", &LookupExport); }
} gRegistration;

}  // namespace

}  // namespace xfile

// Linked in by name (see CMakeLists.txt) so that the registration above is part of every program
// that links the component, although nothing calls into it directly.
extern "C" const int skyvale_xfile_module = 1;

HRESULT WINAPI DirectXFileCreate(LPDIRECTXFILE* file) {
  if (!file) return DXFILEERR_BADVALUE;
  auto* parser = new (std::nothrow) xfile::FileParser;
  if (!parser) return DXFILEERR_BADALLOC;
  *file = parser;
  return DXFILE_OK;
}
