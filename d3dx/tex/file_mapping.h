// The two ways an image file reaches memory: a read-only mapping of a file on disk, and a locked
// module resource. Pixels that decoders leave inside the file data stay valid while it is open.
#pragma once
#include <windows.h>

namespace d3dx {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Close(); }

  // D3DERR_INVALIDCALL for a null name, D3DXERR_INVALIDDATA when the file cannot be opened or
  // mapped. An empty file opens with a null view and size 0.
  HRESULT Open(LPCSTR name);
  HRESULT Open(LPCWSTR name);
  void Close();

  const void* Data() const { return view_; }
  UINT Size() const { return size_; }

 private:
  template <typename Name>
  HRESULT OpenNamed(Name name);
  HRESULT Map();

  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  const void* view_ = nullptr;
  DWORD size_ = 0;
};

class ResourceBlock {
 public:
  ResourceBlock() = default;
  ResourceBlock(const ResourceBlock&) = delete;
  ResourceBlock& operator=(const ResourceBlock&) = delete;
  ~ResourceBlock() { Close(); }

  // The resource `name` of `module`: of type RT_BITMAP first when `tryBitmap` (a bitmap resource
  // holds a DIB without its file header), else or then RT_RCDATA. D3DXERR_INVALIDDATA when there
  // is none or it is empty.
  HRESULT Open(HMODULE module, LPCSTR name, bool tryBitmap);
  HRESULT Open(HMODULE module, LPCWSTR name, bool tryBitmap);
  void Close();

  const void* Data() const { return data_; }
  UINT Size() const { return size_; }

 private:
  HRESULT Lock(HMODULE module, HRSRC resource);

  HGLOBAL resource_ = nullptr;
  const void* data_ = nullptr;
  DWORD size_ = 0;
};

}  // namespace d3dx
