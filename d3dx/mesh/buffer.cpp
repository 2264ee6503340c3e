// The result buffer: a reference-counted block of bytes handed to callers.
#include <d3dx9.h>

#include <cstdlib>
#include <new>

namespace {

class Buffer final : public ID3DXBuffer {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ID3DXBuffer) {
      *object = static_cast<ID3DXBuffer*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override {
    ULONG count = --refCount_;
    if (count == 0) {
      std::free(data_);
      delete this;
    }
    return count;
  }
  LPVOID GetBufferPointer() override { return data_; }
  DWORD GetBufferSize() override { return size_; }

  ULONG refCount_ = 1;
  DWORD size_ = 0;
  void* data_ = nullptr;
};

}  // namespace

HRESULT WINAPI D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  Buffer* object = new (std::nothrow) Buffer;
  if (!object) return E_OUTOFMEMORY;
  // A zero-sized block still gets a distinct address so callers can tell it from a failure.
  object->data_ = std::malloc(numBytes ? numBytes : 1);
  if (!object->data_) {
    delete object;
    return E_OUTOFMEMORY;
  }
  object->size_ = numBytes;
  *buffer = object;
  return S_OK;
}
