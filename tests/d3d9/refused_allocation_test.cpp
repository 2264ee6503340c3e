// Creation that runs out of memory reports E_OUTOFMEMORY and keeps nothing: each allocation of a
// buffer's creation is refused in turn, and the device's last Release (in TearDown) still returns 0.
#include <cstdlib>
#include <new>

#include "device_fixture.h"

namespace {
thread_local long tAllowed = -1;  // negative: every allocation goes through

void* Allocate(std::size_t size) noexcept {
  if (tAllowed == 0) return nullptr;
  if (tAllowed > 0) --tAllowed;
  return std::malloc(size ? size : 1);
}
}  // namespace

// The replacements pair malloc with free, which the compiler cannot see through.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using RefusedAllocationTest = DeviceTest;

TEST_F(RefusedAllocationTest, BuffersRefusedForMemoryHoldNoDeviceReference) {
  CreateDefault(D3DFMT_D24S8, 32, 32);
  int refused = 0;
  for (long allowed = 0; allowed < 4; ++allowed) {
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    tAllowed = allowed;
    const HRESULT v = device->CreateVertexBuffer(256, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr);
    tAllowed = allowed;
    const HRESULT i = device->CreateIndexBuffer(256, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr);
    tAllowed = -1;
    for (HRESULT hr : {v, i}) {
      if (FAILED(hr)) {
        EXPECT_EQ(hr, E_OUTOFMEMORY) << allowed;
        ++refused;
      }
    }
    if (vertices) vertices->Release();
    if (indices) indices->Release();
  }
  EXPECT_GE(refused, 4);  // both the object and its bytes were refused for each kind
}

}  // namespace
