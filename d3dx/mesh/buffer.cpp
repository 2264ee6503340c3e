// The result buffer: a reference-counted block of bytes handed to callers.
#include <d3dx9.h>

#include <cstdlib>
#include <new>

#include "com_object.h"

namespace {

class Buffer final : public d3dx::RefCounted<ID3DXBuffer, IID_ID3DXBuffer> {
 public:
  LPVOID GetBufferPointer() override { return data_; }
  DWORD GetBufferSize() override { return size_; }

  DWORD size_ = 0;
  void* data_ = nullptr;

 private:
  ~Buffer() override { std::free(data_); }
};

}  // namespace

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  Buffer* object = new (std::nothrow) Buffer;
  if (!object) return E_OUTOFMEMORY;
  // A zero-sized block still gets a distinct address so callers can tell it from a failure.
  object->data_ = std::malloc(numBytes ? numBytes : 1);
  if (!object->data_) {
    object->Release();
    return E_OUTOFMEMORY;
  }
  object->size_ = numBytes;
  *buffer = object;
  return S_OK;
}
