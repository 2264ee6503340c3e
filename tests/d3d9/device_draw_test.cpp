// Draw calls: argument checks against the bound buffers, layouts from FVF codes and
// declarations, and what reaches the pipeline.
#include <cstring>

#include "../../platform/d3d9/device.h"
#include "device_fixture.h"

namespace {

class DrawTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 64, 64);
    ASSERT_EQ(device->CreateVertexBuffer(20 * 10, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(2 * 12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    device->SetStreamSource(0, vb, 0, 20);
    device->SetIndices(ib);
    device->BeginScene();
  }
  void TearDown() override {
    if (device) {
      device->EndScene();
      device->SetStreamSource(0, nullptr, 0, 0);
      device->SetIndices(nullptr);
    }
    if (vb) vb->Release();
    if (ib) ib->Release();
    DeviceTest::TearDown();
  }
  uint64_t Draws() { return static_cast<d3d9rt::Device*>(device)->pipeline().drawCount(); }
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
};

}  // namespace

TEST_F(DrawTest, NonIndexedDrawsStayInsideTheBuffer) {
  uint64_t before = Draws();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3D_OK);  // vertices 0..8
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 3), D3D_OK);  // 1..9, the last one
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 8), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 9), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, 0, 9), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, 0, 10), D3D_OK);
  // No primitives is no draw for every type, a strip of lines included.
  for (D3DPRIMITIVETYPE type : {D3DPT_POINTLIST, D3DPT_LINELIST, D3DPT_LINESTRIP, D3DPT_TRIANGLELIST,
                                D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN})
    EXPECT_EQ(device->DrawPrimitive(type, 0, 0), D3DERR_INVALIDCALL) << type;
  EXPECT_EQ(device->DrawPrimitive((D3DPRIMITIVETYPE)9, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFF, 0x55555555), D3DERR_INVALIDCALL);
  // The stream offset shortens what is readable.
  device->SetStreamSource(0, vb, 40, 20);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 5, 1), D3D_OK);
  // A stride shorter than the layout would read past each vertex.
  device->SetStreamSource(0, vb, 0, 12);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(Draws(), before + 6);
}

TEST_F(DrawTest, IndexedDrawsCheckIndicesAndThePromisedRange) {
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 0, 4), D3D_OK);  // indices 0..11
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 3, 3), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 4, 3), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 11, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 6, 0, 1), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 5, 0, 6, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 1, 3, 0, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 0, 0, 1), D3DERR_INVALIDCALL);
  device->SetIndices(nullptr);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
}

TEST_F(DrawTest, DrawsNeedASceneAStreamAndAFormat) {
  device->EndScene();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  device->BeginScene();
  device->SetFVF(0);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  device->SetFVF(D3DFVF_NORMAL);  // no position
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device->SetStreamSource(0, nullptr, 0, 0);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
}

TEST_F(DrawTest, UserPointerDrawsUnsetTheStreamAndIndices) {
  float quad[4][5] = {};
  uint64_t before = Draws();
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, 20), D3D_OK);
  IDirect3DVertexBuffer9* stream = vb;
  UINT offset = 1, stride = 1;
  device->GetStreamSource(0, &stream, &offset, &stride);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(stride, 0u);
  IDirect3DIndexBuffer9* indices = nullptr;
  device->GetIndices(&indices);
  EXPECT_EQ(indices, ib);  // untouched by a non-indexed draw
  indices->Release();
  const WORD idx[6] = {0, 1, 2, 0, 2, 3};
  EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, quad, 20),
            D3D_OK);
  device->GetIndices(&indices);
  EXPECT_EQ(indices, nullptr);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nullptr, 20), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_A8, quad, 20),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(Draws(), before + 2);
}

TEST(VertexLayout, FvfCodesPlaceEveryElement) {
  swr::VertexLayout l;
  ASSERT_TRUE(d3d9rt::layoutFromFvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, &l));
  EXPECT_EQ(l.stride, 32u);
  EXPECT_EQ(l.normal, 12);
  EXPECT_EQ(l.tex[0], 24);
  EXPECT_EQ(l.texType[0], D3DDECLTYPE_FLOAT2);
  EXPECT_EQ(l.diffuse, -1);
  ASSERT_TRUE(d3d9rt::layoutFromFvf(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2 |
                                        D3DFVF_TEXCOORDSIZE1(0) | D3DFVF_TEXCOORDSIZE4(1),
                                    &l));
  EXPECT_EQ(l.position, swr::PositionKind::XYZRHW);
  EXPECT_EQ(l.diffuse, 16);
  EXPECT_EQ(l.specular, 20);
  EXPECT_EQ(l.tex[0], 24);
  EXPECT_EQ(l.texType[0], D3DDECLTYPE_FLOAT1);
  EXPECT_EQ(l.tex[1], 28);
  EXPECT_EQ(l.texType[1], D3DDECLTYPE_FLOAT4);
  EXPECT_EQ(l.stride, 44u);
  ASSERT_TRUE(d3d9rt::layoutFromFvf(D3DFVF_XYZB2 | D3DFVF_PSIZE, &l));  // weights skipped
  EXPECT_EQ(l.pointSize, 20);
  EXPECT_EQ(l.stride, 24u);
  EXPECT_FALSE(d3d9rt::layoutFromFvf(D3DFVF_DIFFUSE, &l));
  EXPECT_EQ(d3d9rt::fvfStride(0x144), 28u);  // the sprite's pre-transformed vertex
}

TEST_F(DrawTest, DeclarationsDriveTheLayout) {
  const D3DVERTEXELEMENT9 elements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
      {0, 16, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
  ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
  DWORD fvf = 1;
  device->GetFVF(&fvf);
  EXPECT_EQ(fvf, 0u);
  IDirect3DVertexDeclaration9* got = nullptr;
  device->GetVertexDeclaration(&got);
  EXPECT_EQ(got, decl);
  got->Release();
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3D_OK);
  device->SetStreamSource(0, vb, 0, 16);  // shorter than the declaration's 20 bytes
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3DERR_INVALIDCALL);
  device->SetFVF(D3DFVF_XYZ);
  device->GetVertexDeclaration(&got);
  EXPECT_EQ(got, nullptr);
  EXPECT_EQ(decl->Release(), 0u);
}
