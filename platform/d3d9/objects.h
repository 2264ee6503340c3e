// The runtime's objects behind the public interfaces: reference counting, resources, textures,
// surfaces, volumes, buffers, declarations, queries.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "formats.h"
#include "pipeline/pipeline.h"

namespace d3d9rt {

class Device;

// Public references (AddRef/Release) keep the device alive; bind references are the runtime's
// own (bindings of the device, state blocks) and keep only the object. An object dies when both
// reach zero; the device cannot die before the objects callers hold.
class Counted {
 public:
  Counted(Device* device, bool ownedByDevice);
  virtual ~Counted() = default;
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

  virtual ULONG addRef();
  virtual ULONG release();
  virtual void bind();
  virtual void unbind();
  Device* device() const { return device_; }
  HRESULT getDevice(IDirect3DDevice9** out);

 protected:
  void destroy();
  Device* device_;
  ULONG refs_;
  ULONG binds_ = 0;
};

// SetPrivateData and friends.
class PrivateData {
 public:
  HRESULT set(REFGUID guid, const void* data, DWORD size, DWORD flags);
  HRESULT get(REFGUID guid, void* data, DWORD* size);
  HRESULT free(REFGUID guid);
  ~PrivateData();

 private:
  struct Entry {
    GUID guid;
    std::vector<uint8_t> bytes;
    IUnknown* object = nullptr;
  };
  std::vector<Entry> entries_;
};

// The IUnknown counting and GetDevice of an interface whose object counts through `Core` (a
// `Counted`), written once for every object of the runtime.
template <class Interface, class Core = Counted>
class CountedObject : public Interface, public Core {
 public:
  using Core::Core;
  ULONG AddRef() override { return this->addRef(); }
  ULONG Release() override { return this->release(); }
  HRESULT GetDevice(IDirect3DDevice9** d) override { return this->getDevice(d); }
};

// SetPrivateData and friends of an interface, kept in the object.
template <class Interface>
class WithPrivateData : public Interface {
 public:
  HRESULT SetPrivateData(REFGUID g, const void* d, DWORD s, DWORD f) override {
    return privateData_.set(g, d, s, f);
  }
  HRESULT GetPrivateData(REFGUID g, void* d, DWORD* s) override { return privateData_.get(g, d, s); }
  HRESULT FreePrivateData(REFGUID g) override { return privateData_.free(g); }

 protected:
  PrivateData privateData_;
};

// What every resource of the runtime answers alike: counting, private data, no priorities and
// nothing to preload.
template <class Interface, class Core = Counted>
class ResourceObject : public CountedObject<WithPrivateData<Interface>, Core> {
 public:
  using CountedObject<WithPrivateData<Interface>, Core>::CountedObject;
  DWORD SetPriority(DWORD) override { return 0; }
  DWORD GetPriority() override { return 0; }
  void PreLoad() override {}
};

// Pixels of one surface or volume in their stored format. Depth formats are stored as 32-bit
// words: depth in bits 31..8, stencil in 7..0.
struct Image {
  const FormatInfo* info = nullptr;
  UINT width = 0, height = 0, depth = 1;
  UINT pitch = 0, slicePitch = 0;
  std::vector<uint8_t> bytes;
  void allocate(const FormatInfo* format, UINT w, UINT h, UINT d);
};

class TextureCore;

class Surface : public ResourceObject<IDirect3DSurface9> {
 public:
  // A standalone surface (container = nullptr) or level `level` of face `face` of a texture.
  Surface(Device* device, bool ownedByDevice, TextureCore* container, UINT face, UINT level,
          const FormatInfo* info, UINT width, UINT height, DWORD usage, D3DPOOL pool, bool lockable);
  ~Surface() override;

  HRESULT QueryInterface(REFIID riid, void** object) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetContainer(REFIID riid, void** container) override;
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;
  HRESULT GetDC(HDC*) override { return D3DERR_INVALIDCALL; }
  HRESULT ReleaseDC(HDC) override { return D3DERR_INVALIDCALL; }

  ULONG addRef() override;
  ULONG release() override;
  void bind() override;
  void unbind() override;

  Image& image() { return image_; }
  const D3DSURFACE_DESC& desc() const { return desc_; }
  TextureCore* container() const { return container_; }
  bool locked() const { return locked_; }
  // The pipeline may still read or write this surface (it was a target or sampled since the
  // last flush).
  uint64_t useEpoch = 0;
  // Content changed outside a lock (copies, fills, rendering): tell the container.
  void contentChanged();

 private:
  Image image_;
  D3DSURFACE_DESC desc_;
  TextureCore* container_;
  UINT face_, level_;
  bool lockable_;
  bool locked_ = false;
  bool lockedReadOnly_ = false;
};

class Volume : public WithPrivateData<IDirect3DVolume9> {
 public:
  Volume(TextureCore* container, UINT level, const FormatInfo* info, UINT w, UINT h, UINT d, DWORD usage,
         D3DPOOL pool);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** device) override;
  HRESULT GetContainer(REFIID riid, void** container) override;
  HRESULT GetDesc(D3DVOLUME_DESC* desc) override;
  HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) override;
  HRESULT UnlockBox() override;

  Image& image() { return image_; }
  const D3DVOLUME_DESC& desc() const { return desc_; }

 private:
  Image image_;
  D3DVOLUME_DESC desc_;
  TextureCore* container_;
  UINT level_;
  bool locked_ = false;
  bool lockedReadOnly_ = false;
};

// What plain, cube and volume textures share: levels, sampling data, reference counting.
class TextureCore : public Counted {
 public:
  TextureCore(Device* device, D3DRESOURCETYPE type, const FormatInfo* info, UINT levels, DWORD usage,
              D3DPOOL pool);
  ~TextureCore() override;

  virtual IDirect3DBaseTexture9* iface() = 0;
  D3DRESOURCETYPE type() const { return type_; }
  const FormatInfo* info() const { return info_; }
  DWORD usage() const { return usage_; }
  D3DPOOL pool() const { return pool_; }
  UINT levelCount() const { return levelCount_; }
  UINT faceCount() const { return (UINT)surfaces_.size() / (levelCount_ ? levelCount_ : 1); }
  Surface* surface(UINT face, UINT level) { return surfaces_[face * levelCount_ + level].get(); }
  Volume* volume(UINT level) { return volumes_[level].get(); }

  // The sampling view, brought up to date with the stored bytes.
  const swr::SampleSource* sampleSource() {
    if (dirty_) refresh();
    return &source_;
  }
  bool dirty() const { return dirty_; }
  // The pipeline reads the stored bytes themselves, not a converted copy.
  bool sampledInPlace() const;
  void markDirty();
  // Rendered into: the sampling view is refreshed (and its version bumped) at the next use.
  void setDirty() { dirty_ = true; }
  void buildLevels(UINT w, UINT h, UINT d, UINT faces);
  uint64_t useEpoch = 0;
  uint64_t renderedEpoch = 0;  // drawn into since the last flush
  DWORD lod = 0;
  D3DTEXTUREFILTERTYPE autoGenFilter = D3DTEXF_LINEAR;

 protected:
  void refresh();
  D3DRESOURCETYPE type_;
  const FormatInfo* info_;
  UINT levelCount_;
  DWORD usage_;
  D3DPOOL pool_;
  std::vector<std::unique_ptr<Surface>> surfaces_;  // face-major
  std::vector<std::unique_ptr<Volume>> volumes_;
  std::vector<std::vector<uint32_t>> decoded_;
  swr::SampleSource source_;
  bool dirty_ = true;
};

// Number of levels in a full chain down to 1x1(x1).
UINT fullChainLength(UINT w, UINT h, UINT d);
// Validates a lock rectangle against a surface of this size and format.
bool validLockRect(const FormatInfo& info, UINT width, UINT height, const RECT& r);

HRESULT createTexture(Device* device, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool, IDirect3DTexture9** out);
HRESULT createCubeTexture(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DCubeTexture9** out);
HRESULT createVolumeTexture(Device* device, UINT w, UINT h, UINT d, UINT levels, DWORD usage,
                            D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** out);
// The runtime object behind a texture interface of this runtime.
TextureCore* textureCore(IDirect3DBaseTexture9* texture);

// Vertex and index buffers: bytes, their description and a lock count. Locks may nest.
template <class Interface, class Desc>
class Buffer : public ResourceObject<Interface> {
 public:
  // The bytes come made: an allocation refused inside the constructor would leave the device
  // reference the base has taken.
  Buffer(Device* device, const Desc& desc, std::vector<BYTE> bytes)
      : ResourceObject<Interface>(device, false), bytes_(std::move(bytes)), desc_(desc) {}
  HRESULT QueryInterface(REFIID riid, void** object) override;
  D3DRESOURCETYPE GetType() override { return desc_.Type; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(Desc* desc) override;

  const uint8_t* data() const { return bytes_.data(); }
  UINT size() const { return (UINT)bytes_.size(); }

 protected:
  std::vector<uint8_t> bytes_;
  Desc desc_;
  UINT locks_ = 0;
};

class VertexBuffer final : public Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC> {
 public:
  using Buffer::Buffer;
};

class IndexBuffer final : public Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC> {
 public:
  using Buffer::Buffer;
  bool index32() const { return desc_.Format == D3DFMT_INDEX32; }
};

class VertexDeclaration : public CountedObject<IDirect3DVertexDeclaration9> {
 public:
  VertexDeclaration(Device* device, std::vector<D3DVERTEXELEMENT9> elements);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;

  // Where the stream-0 elements live; the stride comes from the stream.
  const swr::VertexLayout& layout() const { return layout_; }

 private:
  std::vector<D3DVERTEXELEMENT9> elements_;  // with the terminator
  swr::VertexLayout layout_;
};

// Checks a declaration (terminated within MAXD3DDECLLENGTH, stream 0 only as the caps say, known
// types, usages and methods, DWORD-aligned offsets, no repeated usage and index, elements within
// the 255-byte stride).
bool validDeclaration(const D3DVERTEXELEMENT9* elements, std::vector<D3DVERTEXELEMENT9>* out);
// Layout of stream 0 from an FVF code (stride included); false for a code with no position.
bool layoutFromFvf(DWORD fvf, swr::VertexLayout* layout);
UINT fvfStride(DWORD fvf);

class Query : public CountedObject<IDirect3DQuery9> {
 public:
  Query(Device* device, D3DQUERYTYPE type);
  HRESULT QueryInterface(REFIID riid, void** object) override;
  D3DQUERYTYPE GetType() override { return type_; }
  DWORD GetDataSize() override;
  HRESULT Issue(DWORD flags) override;
  HRESULT GetData(void* data, DWORD size, DWORD flags) override;

 private:
  D3DQUERYTYPE type_;
  bool issued_ = false;
};

// The vertex cache the device benefits from, as the VCACHE query reports it.
D3DDEVINFO_VCACHE vertexCacheInfo();

}  // namespace d3d9rt
