// A headless device wrapped in a recorder of draw calls, with adjustable caps and vertex-cache answer.
#pragma once
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../d3dx/com_object.h"
#include "forwarding_device.h"
#include "headless_d3d.h"
#include "skyvale_host.h"

struct DrawCall {
  D3DPRIMITIVETYPE type;
  INT baseVertex;
  UINT minIndex, vertexCount, startIndex, primitiveCount;
};

// Answers the vertex-cache query with a fixed record.
class FixedCacheQuery final : public d3dx::RefCounted<IDirect3DQuery9, IID_IDirect3DQuery9> {
 public:
  FixedCacheQuery(IDirect3DDevice9* device, D3DDEVINFO_VCACHE info) : device_(device), info_(info) {}
  HRESULT GetDevice(IDirect3DDevice9** device) override {
    *device = device_;
    device_->AddRef();
    return S_OK;
  }
  D3DQUERYTYPE GetType() override { return D3DQUERYTYPE_VCACHE; }
  DWORD GetDataSize() override { return sizeof(info_); }
  HRESULT Issue(DWORD) override { return S_OK; }
  HRESULT GetData(void* data, DWORD size, DWORD) override {
    if (size < sizeof(info_)) return D3DERR_INVALIDCALL;
    std::memcpy(data, &info_, sizeof(info_));
    return S_OK;
  }

 private:
  IDirect3DDevice9* device_;
  D3DDEVINFO_VCACHE info_;
};

class RecordingDevice final : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;

  HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
    HRESULT hr = inner->GetDeviceCaps(caps);
    if (SUCCEEDED(hr) && maxVertexIndex) caps->MaxVertexIndex = maxVertexIndex;
    return hr;
  }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
    if (type == D3DQUERYTYPE_VCACHE && failCacheQuery) return D3DERR_NOTAVAILABLE;
    if (type != D3DQUERYTYPE_VCACHE || !cacheAnswer) return inner->CreateQuery(type, query);
    if (!query) return S_OK;
    *query = new FixedCacheQuery(this, *cacheAnswer);
    return S_OK;
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base, UINT minIndex, UINT vertices, UINT start,
                               UINT count) override {
    draws.push_back({type, base, minIndex, vertices, start, count});
    return inner->DrawIndexedPrimitive(type, base, minIndex, vertices, start, count);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override {
    ++userDraws;
    if (type == D3DPT_TRIANGLELIST && data)
      userData.emplace_back(static_cast<const BYTE*>(data),
                            static_cast<const BYTE*>(data) + 3 * count * stride);
    return inner->DrawPrimitiveUP(type, count, data, stride);
  }

  std::vector<DrawCall> draws;
  int userDraws = 0;
  std::vector<std::vector<BYTE>> userData;         // the vertices of each triangle-list user draw
  DWORD maxVertexIndex = 0;                        // 0 keeps the device's own value
  const D3DDEVINFO_VCACHE* cacheAnswer = nullptr;  // null asks the device
  bool failCacheQuery = false;
};

namespace d3dx {
void ForgetVertexCacheRecord();
}

class MeshTest : public HeadlessD3DTest {
 protected:
  MeshTest() { windowWidth = windowHeight = 64; }

  void SetUp() override {
    HeadlessD3DTest::SetUp();
    if (HasFatalFailure()) return;
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, 64, 64);
    IDirect3DDevice9* real = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &real),
              D3D_OK);
    device = new RecordingDevice(real);
    real->Release();
    device->BeginScene();  // draws are only taken inside a scene
    d3dx::ForgetVertexCacheRecord();
  }

  void TearDown() override {
    d3dx::ForgetVertexCacheRecord();
    if (device) {
      device->EndScene();
      EXPECT_EQ(device->Release(), 0u) << "a mesh kept a device reference";
    }
    HeadlessD3DTest::TearDown();
  }

  RecordingDevice* device = nullptr;
};

// Position-only vertices.
struct Vertex {
  float x, y, z;
};

// Fills a mesh's vertex, index and attribute data.
template <typename Index>
inline void Fill(ID3DXMesh* mesh, const std::vector<Vertex>& vertices, const std::vector<Index>& indices,
                 const std::vector<DWORD>& attributes = {}) {
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
  std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
  mesh->UnlockVertexBuffer();
  ASSERT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
  std::memcpy(data, indices.data(), indices.size() * sizeof(Index));
  mesh->UnlockIndexBuffer();
  if (!attributes.empty()) {
    DWORD* a = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &a), D3D_OK);
    std::memcpy(a, attributes.data(), attributes.size() * sizeof(DWORD));
    mesh->UnlockAttributeBuffer();
  }
}

template <typename Index>
inline std::vector<Index> ReadIndices(ID3DXMesh* mesh) {
  void* data = nullptr;
  EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  std::vector<Index> out(static_cast<const Index*>(data),
                         static_cast<const Index*>(data) + 3 * mesh->GetNumFaces());
  mesh->UnlockIndexBuffer();
  return out;
}

inline std::vector<Vertex> ReadVertices(ID3DXMesh* mesh) {
  void* data = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  std::vector<Vertex> out(static_cast<const Vertex*>(data),
                          static_cast<const Vertex*>(data) + mesh->GetNumVertices());
  mesh->UnlockVertexBuffer();
  return out;
}

inline std::vector<DWORD> ReadAttributes(ID3DXMesh* mesh) {
  DWORD* data = nullptr;
  EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  std::vector<DWORD> out(data, data + mesh->GetNumFaces());
  mesh->UnlockAttributeBuffer();
  return out;
}
