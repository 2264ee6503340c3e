// The reference counting of the library's objects and of the objects they hold.
#pragma once
#include <windows.h>

namespace d3dx {

// An object with one interface besides IUnknown: a plain count that starts at 1 and deletes
// the object when it reaches 0.
template <typename Interface, const IID& kInterfaceId>
class RefCounted : public Interface {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == kInterfaceId) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refCount_; }
  ULONG Release() override {
    ULONG count = --refCount_;
    if (count == 0) delete this;
    return count;
  }

 protected:
  virtual ~RefCounted() = default;

 private:
  ULONG refCount_ = 1;
};

// Releases a COM pointer and clears it.
template <typename T>
void SafeRelease(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace d3dx
