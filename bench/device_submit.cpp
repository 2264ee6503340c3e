// Device-side cost of submitting draws: the state calls and draw call a terrain cell makes
// (texture, declaration, stream, indices, one two-triangle indexed draw), and the redundant
// texture and sampler sets the demo repeats thousands of times a frame. Rasterisation is
// deferred to a flush every 4 000 draws, as a frame would.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <cstring>
#include <vector>

#include "headless_device.h"

namespace {

struct Fixture {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  IDirect3DTexture9* textures[3] = {};
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  IDirect3DVertexDeclaration9* decl = nullptr;

  Fixture() {
    device = CreateHeadlessDevice(&d3d, 640, 480, D3DFMT_A8R8G8B8, D3DFMT_D24S8);
    for (auto& t : textures)
      device->CreateTexture(64, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
    // A 64 x 64 grid of vertices (x, y, z, u, v) and the 6 indices of every cell.
    const int n = 64;
    device->CreateVertexBuffer(n * n * 20, D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED, &vb, nullptr);
    float* v = nullptr;
    vb->Lock(0, 0, (void**)&v, 0);
    for (int z = 0; z < n; ++z)
      for (int x = 0; x < n; ++x, v += 5) v[0] = x * 10.0f, v[1] = 0, v[2] = z * 10.0f, v[3] = x, v[4] = z;
    vb->Unlock();
    device->CreateIndexBuffer((n - 1) * (n - 1) * 6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                              &ib, nullptr);
    WORD* i = nullptr;
    ib->Lock(0, 0, (void**)&i, 0);
    for (int z = 0; z < n - 1; ++z)
      for (int x = 0; x < n - 1; ++x) {
        WORD a = (WORD)(z * n + x), b = (WORD)(a + 1), c = (WORD)(a + n), d = (WORD)(c + 1);
        *i++ = a, *i++ = c, *i++ = b, *i++ = b, *i++ = c, *i++ = d;
      }
    ib->Unlock();
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    device->CreateVertexDeclaration(elements, &decl);
    // Everything off screen, so the pipeline has as little to do as possible.
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1;
    view._43 = -5000;
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
  }

  ~Fixture() {
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    device->SetVertexDeclaration(nullptr);
    decl->Release();
    ib->Release();
    vb->Release();
    for (auto* t : textures) t->Release();
    device->Release();
    d3d->Release();
    SkyvaleStopPlatform();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_RedundantSetTexture(benchmark::State& state) {
  IDirect3DDevice9* d = fixture().device;
  IDirect3DTexture9* t = fixture().textures[0];
  for (auto _ : state) {
    d->SetTexture(0, t);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RedundantSetTexture);

// What a mesh subset draw of the terrain sends, textures alternating as the height bands do.
void BM_TerrainCellSubmit(benchmark::State& state) {
  Fixture& f = fixture();
  IDirect3DDevice9* d = f.device;
  d->BeginScene();
  uint32_t cell = 0;
  for (auto _ : state) {
    d->SetTexture(0, f.textures[(cell / 7) % 3]);
    d->SetVertexDeclaration(f.decl);
    d->SetStreamSource(0, f.vb, 0, 20);
    d->SetIndices(f.ib);
    UINT row = (cell % 3969) / 63;
    benchmark::DoNotOptimize(
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, row * 64, 128, (cell % 3969) * 6, 2));
    if (++cell % 4000 == 0) {
      d->EndScene();
      d->Present(nullptr, nullptr, nullptr, nullptr);
      d->BeginScene();
    }
  }
  d->EndScene();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TerrainCellSubmit);

}  // namespace

BENCHMARK_MAIN();
