// Every allocation that mesh creation and cloning make, refused in turn: each attempt fails with
// E_OUTOFMEMORY or succeeds, and none keeps a buffer.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include "failing_allocations.h"
#include "mesh_builders.h"
#include "mesh_fixture.h"

namespace {

// The runtime's own objects are made with refusals paused: only the library's allocations fail.
class RuntimeAllocationsPass final : public ForwardingDevice {
 public:
  using ForwardingDevice::ForwardingDevice;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                             HANDLE* shared) override {
    FailingAllocations::Pause pause;
    return ForwardingDevice::CreateVertexBuffer(length, usage, fvf, pool, out, shared);
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** out, HANDLE* shared) override {
    FailingAllocations::Pause pause;
    return ForwardingDevice::CreateIndexBuffer(length, usage, format, pool, out, shared);
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** out) override {
    FailingAllocations::Pause pause;
    return ForwardingDevice::CreateVertexDeclaration(elements, out);
  }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** out) override {
    FailingAllocations::Pause pause;
    return ForwardingDevice::CreateQuery(type, out);
  }
};

// The meshes sit on a forwarding device over the runtime's own, whose buffers hold it: once the
// forwarder is gone, the runtime device's last Release returns 0 only when every buffer went too.
class ResizeFailure : public MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    if (HasFatalFailure()) return;
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, 64, 64);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &runtime),
              D3D_OK);
    forwarder = new RuntimeAllocationsPass(runtime);
  }
  void TearDown() override {
    if (forwarder) {
      EXPECT_EQ(forwarder->Release(), 0u) << "a mesh kept a device reference";
    }
    if (runtime) {
      EXPECT_EQ(runtime->Release(), 0u) << "a buffer outlived its mesh";
    }
    MeshTest::TearDown();
  }
  IDirect3DDevice9* runtime = nullptr;
  RuntimeAllocationsPass* forwarder = nullptr;
};

// Runs `attempt` with the first 0, 1, 2, ... allocations allowed until one run is refused
// nothing; a refused run must fail and a run that succeeds is released by `attempt`.
template <typename Attempt>
void RefuseEachAllocation(Attempt attempt) {
  bool completed = false;
  for (long successes = 0; !completed && successes < 10000; ++successes) {
    HRESULT hr;
    bool refused;
    {
      FailingAllocations failing(successes);
      hr = attempt();
      refused = failing.refused();
    }
    completed = !refused;
    if (!refused) {
      EXPECT_EQ(hr, D3D_OK) << successes;
    } else if (FAILED(hr)) {
      EXPECT_EQ(hr, E_OUTOFMEMORY) << successes;
    }
  }
  EXPECT_TRUE(completed);
}

TEST_F(ResizeFailure, CreationRefusedAtEveryAllocationLeaksNothing) {
  for (DWORD options : {DWORD(D3DXMESH_MANAGED), DWORD(D3DXMESH_32BIT | D3DXMESH_SYSTEMMEM)}) {
    RefuseEachAllocation([&] {
      ID3DXMesh* mesh = nullptr;
      HRESULT hr = D3DXCreateMeshFVF(40, 60, options, D3DFVF_XYZ | D3DFVF_NORMAL, forwarder, &mesh);
      if (SUCCEEDED(hr)) {
        EXPECT_EQ(mesh->GetNumFaces(), 40u);
        EXPECT_EQ(mesh->Release(), 0u);
      } else {
        EXPECT_EQ(mesh, nullptr);
      }
      return hr;
    });
  }
}

TEST_F(ResizeFailure, CloneRefusedAtEveryAllocationLeaksNothing) {
  ID3DXMesh* source = MakeMesh(forwarder, MakeGrid(4, false, true));
  ASSERT_NE(source, nullptr);
  RefuseEachAllocation([&] {
    ID3DXMesh* clone = nullptr;
    HRESULT hr =
        source->CloneMeshFVF(D3DXMESH_32BIT | D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1, forwarder, &clone);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(clone->GetNumVertices(), source->GetNumVertices());
      EXPECT_EQ(clone->Release(), 0u);
    }
    return hr;
  });
  EXPECT_EQ(source->Release(), 0u);
}

}  // namespace
