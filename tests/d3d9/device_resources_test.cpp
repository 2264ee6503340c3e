// Textures, surfaces, volumes, buffers, declarations and queries: creation, levels, locks and
// reference counts.
#include <cstring>

#include "device_fixture.h"

class ResourceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    CreateDefault(D3DFMT_D24S8, 64, 64);
  }
};

TEST_F(ResourceTest, TexturesHaveFullMipChainsInEveryPool) {
  for (D3DPOOL pool : {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH}) {
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(640, 480, 0, 0, D3DFMT_X8R8G8B8, pool, &t, nullptr), D3D_OK) << pool;
    EXPECT_EQ(t->GetLevelCount(), 10u);  // 640x480 .. 1x1
    D3DSURFACE_DESC d;
    ASSERT_EQ(t->GetLevelDesc(9, &d), D3D_OK);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    ASSERT_EQ(t->GetLevelDesc(3, &d), D3D_OK);
    EXPECT_EQ(d.Width, 80u);
    EXPECT_EQ(d.Height, 60u);
    EXPECT_EQ(d.Pool, pool);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(t->GetLevelDesc(10, &d), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->GetType(), D3DRTYPE_TEXTURE);
    EXPECT_EQ(t->Release(), 0u);
  }
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(16, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 3u);
  t->Release();
  EXPECT_EQ(device->CreateTexture(16, 4, 6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(8192, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(6, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(
      device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R5G6B5, D3DPOOL_DEFAULT, &t, nullptr),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, CubeAndVolumeTexturesHaveLevelsFacesAndSlices) {
  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device->CreateCubeTexture(32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
  EXPECT_EQ(cube->GetLevelCount(), 6u);
  EXPECT_EQ(cube->GetType(), D3DRTYPE_CUBETEXTURE);
  IDirect3DSurface9* face = nullptr;
  ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_NEGATIVE_Z, 2, &face), D3D_OK);
  D3DSURFACE_DESC d;
  face->GetDesc(&d);
  EXPECT_EQ(d.Width, 8u);
  IDirect3DCubeTexture9* container = nullptr;
  ASSERT_EQ(face->GetContainer(IID_IDirect3DCubeTexture9, (void**)&container), D3D_OK);
  EXPECT_EQ(container, cube);
  container->Release();
  face->Release();
  EXPECT_EQ(cube->GetCubeMapSurface((D3DCUBEMAP_FACES)6, 0, &face), D3DERR_INVALIDCALL);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_Y, 0, &lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 32 * 4);
  EXPECT_EQ(cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_Y, 0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(cube->UnlockRect(D3DCUBEMAP_FACE_POSITIVE_Y, 0), D3D_OK);
  EXPECT_EQ(cube->Release(), 0u);

  IDirect3DVolumeTexture9* vol = nullptr;
  ASSERT_EQ(device->CreateVolumeTexture(16, 8, 4, 0, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &vol, nullptr), D3D_OK);
  EXPECT_EQ(vol->GetLevelCount(), 5u);
  D3DVOLUME_DESC vd;
  ASSERT_EQ(vol->GetLevelDesc(1, &vd), D3D_OK);
  EXPECT_EQ(vd.Width, 8u);
  EXPECT_EQ(vd.Height, 4u);
  EXPECT_EQ(vd.Depth, 2u);
  D3DLOCKED_BOX box;
  D3DBOX part = {2, 1, 6, 3, 1, 2};
  ASSERT_EQ(vol->LockBox(1, &box, &part, 0), D3D_OK);
  EXPECT_EQ(box.RowPitch, 8);
  EXPECT_EQ(box.SlicePitch, 8 * 4);
  ((uint8_t*)box.pBits)[0] = 0x5A;
  EXPECT_EQ(vol->LockBox(1, &box, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  EXPECT_EQ(vol->UnlockBox(1), D3D_OK);
  EXPECT_EQ(vol->UnlockBox(1), D3DERR_INVALIDCALL);
  ASSERT_EQ(vol->LockBox(1, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(((uint8_t*)box.pBits)[1 * 32 + 1 * 8 + 2], 0x5A);  // slice 1, row 1, column 2
  vol->UnlockBox(1);
  D3DBOX outside = {0, 0, 8, 4, 1, 3};
  EXPECT_EQ(vol->LockBox(1, &box, &outside, 0), D3DERR_INVALIDCALL);
  IDirect3DVolume9* level = nullptr;
  ASSERT_EQ(vol->GetVolumeLevel(4, &level), D3D_OK);
  level->GetDesc(&vd);
  EXPECT_EQ(vd.Width, 1u);
  EXPECT_EQ(vd.Depth, 1u);
  level->Release();
  EXPECT_EQ(vol->Release(), 0u);
  EXPECT_EQ(device->CreateVolumeTexture(16, 8, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                                        &vol, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateVolumeTexture(4, 4, 4, 1, 0, D3DFMT_L8, D3DPOOL_DEFAULT, &vol, nullptr), D3D_OK);
  EXPECT_EQ(vol->LockBox(0, &box, nullptr, 0), D3DERR_INVALIDCALL);  // default pool, not dynamic
  vol->Release();
}

TEST_F(ResourceTest, LockRulesForTexturesAndSurfaces) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // default pool without DYNAMIC
  t->Release();
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
            D3D_OK);
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // double lock
  EXPECT_EQ(t->UnlockRect(0), D3D_OK);
  t->Release();
  ASSERT_EQ(
      device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
      D3D_OK);
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  t->Release();

  ASSERT_EQ(device->CreateTexture(8, 8, 2, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3DERR_INVALIDCALL);  // DISCARD needs DYNAMIC
  RECT r = {2, 3, 6, 5};
  ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 16);
  ((uint16_t*)lr.pBits)[0] = 0xF800;
  EXPECT_EQ(t->UnlockRect(0), D3D_OK);
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(((uint16_t*)((uint8_t*)lr.pBits + 3 * lr.Pitch))[2], 0xF800);
  t->UnlockRect(0);
  for (RECT bad : {RECT{0, 0, 9, 8}, RECT{-1, 0, 4, 4}, RECT{4, 4, 4, 8}, RECT{5, 0, 3, 8}})
    EXPECT_EQ(t->LockRect(0, &lr, &bad, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->LockRect(2, &lr, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(t->UnlockRect(1), D3DERR_INVALIDCALL);
  t->Release();

  // Block formats lock whole blocks.
  ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 4u);
  r = {4, 4, 8, 8};
  ASSERT_EQ(t->LockRect(0, &lr, &r, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 32);
  t->UnlockRect(0);
  r = {2, 0, 8, 8};
  EXPECT_EQ(t->LockRect(0, &lr, &r, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(t->LockRect(3, &lr, nullptr, 0), D3D_OK);  // the 1x1 level is one block
  EXPECT_EQ(lr.Pitch, 16);
  t->UnlockRect(3);
  t->Release();

  // Standalone surfaces.
  IDirect3DSurface9* s = nullptr;
  ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
            D3D_OK);
  EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
  s->Release();
  ASSERT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &s, nullptr),
            D3D_OK);
  EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
  s->UnlockRect();
  s->Release();
  ASSERT_EQ(device->CreateDepthStencilSurface(8, 8, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
            D3D_OK);
  EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
  s->Release();
  EXPECT_EQ(device->CreateRenderTarget(8, 8, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE, &s, nullptr),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &s, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A4R4G4B4, D3DPOOL_SCRATCH, &s, nullptr), D3D_OK);
  EXPECT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 16);
  EXPECT_EQ(s->UnlockRect(), D3D_OK);
  IDirect3DDevice9* container = nullptr;
  ASSERT_EQ(s->GetContainer(IID_IDirect3DDevice9, (void**)&container), D3D_OK);
  EXPECT_EQ(container, device);
  container->Release();
  IDirect3DTexture9* notTexture = nullptr;
  EXPECT_EQ(s->GetContainer(IID_IDirect3DTexture9, (void**)&notTexture), E_NOINTERFACE);
  s->Release();

  // The back buffer is lockable only when asked for.
  IDirect3DSurface9* bb = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
  EXPECT_EQ(bb->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
  bb->Release();
}

TEST_F(ResourceTest, LevelSurfacesShareTheTexturesReferenceCount) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(t->GetSurfaceLevel(1, &level), D3D_OK);
  EXPECT_EQ(t->AddRef(), 3u);
  EXPECT_EQ(t->Release(), 2u);
  IDirect3DTexture9* container = nullptr;
  ASSERT_EQ(level->GetContainer(IID_IDirect3DTexture9, (void**)&container), D3D_OK);
  EXPECT_EQ(container, t);
  container->Release();
  EXPECT_EQ(t->Release(), 1u);  // the level still holds it
  EXPECT_EQ(level->Release(), 0u);
}

TEST_F(ResourceTest, BufferLocksCoverTheRangeAsked) {
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(120, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED,
                                       &vb, nullptr),
            D3D_OK);
  D3DVERTEXBUFFER_DESC vd;
  ASSERT_EQ(vb->GetDesc(&vd), D3D_OK);
  EXPECT_EQ(vd.Size, 120u);
  EXPECT_EQ(vd.FVF, (DWORD)(D3DFVF_XYZ | D3DFVF_TEX1));
  EXPECT_EQ(vd.Format, D3DFMT_VERTEXDATA);
  EXPECT_EQ(vd.Type, D3DRTYPE_VERTEXBUFFER);
  void* whole = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &whole, 0), D3D_OK);
  std::memset(whole, 0x11, 120);
  void* part = nullptr;
  ASSERT_EQ(vb->Lock(100, 20, &part, D3DLOCK_NOOVERWRITE), D3D_OK);  // nested locks are allowed
  EXPECT_EQ((uint8_t*)part - (uint8_t*)whole, 100);
  ASSERT_EQ(vb->Lock(40, 0, &part, D3DLOCK_READONLY), D3D_OK);  // size 0: to the end
  EXPECT_EQ(((uint8_t*)part)[79], 0x11);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(100, 21, &part, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(121, 0, &part, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(0, 0xFFFFFFFF, &part, 0), D3DERR_INVALIDCALL);
  vb->Release();
  EXPECT_EQ(device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexBuffer(16, 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED, &vb, nullptr),
            D3DERR_INVALIDCALL);  // shorter than one vertex
  EXPECT_EQ(device->CreateVertexBuffer(16, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb, nullptr),
            D3DERR_INVALIDCALL);

  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM, &ib, nullptr), D3D_OK);
  D3DINDEXBUFFER_DESC id;
  ib->GetDesc(&id);
  EXPECT_EQ(id.Format, D3DFMT_INDEX32);
  EXPECT_EQ(id.Size, 12u);
  EXPECT_EQ(id.Pool, D3DPOOL_SYSTEMMEM);
  ASSERT_EQ(ib->Lock(0, 0, &whole, D3DLOCK_DISCARD), D3D_OK);
  ib->Unlock();
  ib->Release();
  EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, DeclarationsAreValidated) {
  const D3DVERTEXELEMENT9 good[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(good, &decl), D3D_OK);
  UINT n = 0;
  ASSERT_EQ(decl->GetDeclaration(nullptr, &n), D3D_OK);
  EXPECT_EQ(n, 4u);
  D3DVERTEXELEMENT9 back[4];
  ASSERT_EQ(decl->GetDeclaration(back, &n), D3D_OK);
  EXPECT_EQ(std::memcmp(back, good, sizeof good), 0);
  decl->Release();

  D3DVERTEXELEMENT9 bad[4];
  auto expectRefused = [&](const char* what) {
    IDirect3DVertexDeclaration9* d = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(bad, &d), D3DERR_INVALIDCALL) << what;
    EXPECT_EQ(d, nullptr);
  };
  std::memcpy(bad, good, sizeof good);
  bad[2].UsageIndex = 0, bad[2].Usage = D3DDECLUSAGE_NORMAL;
  expectRefused("repeated usage");
  std::memcpy(bad, good, sizeof good);
  bad[1].Type = 40;
  expectRefused("unknown type");
  std::memcpy(bad, good, sizeof good);
  bad[1].Offset = 13;
  expectRefused("misaligned offset");
  std::memcpy(bad, good, sizeof good);
  bad[1].Offset = 250;
  expectRefused("past the stride limit");
  std::memcpy(bad, good, sizeof good);
  bad[2].Usage = 14;
  expectRefused("unknown usage");
  // No terminator within the limit.
  std::vector<D3DVERTEXELEMENT9> endless(MAXD3DDECLLENGTH + 1, good[2]);
  for (size_t i = 0; i < endless.size(); ++i)
    endless[i].UsageIndex = (BYTE)(i % 16), endless[i].Usage = (BYTE)(i / 16);
  EXPECT_EQ(device->CreateVertexDeclaration(endless.data(), &decl), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->CreateVertexDeclaration(nullptr, &decl), D3DERR_INVALIDCALL);
}

TEST_F(ResourceTest, VertexCacheQueryDescribesTheDevice) {
  EXPECT_EQ(device->CreateQuery(D3DQUERYTYPE_VCACHE, nullptr), D3D_OK);
  EXPECT_EQ(device->CreateQuery(D3DQUERYTYPE_OCCLUSION, nullptr), D3DERR_NOTAVAILABLE);
  IDirect3DQuery9* q = nullptr;
  ASSERT_EQ(device->CreateQuery(D3DQUERYTYPE_VCACHE, &q), D3D_OK);
  EXPECT_EQ(q->GetType(), D3DQUERYTYPE_VCACHE);
  EXPECT_EQ(q->GetDataSize(), sizeof(D3DDEVINFO_VCACHE));
  ASSERT_EQ(q->Issue(D3DISSUE_END), D3D_OK);
  D3DDEVINFO_VCACHE info{};
  ASSERT_EQ(q->GetData(&info, sizeof info, D3DGETDATA_FLUSH), S_OK);
  EXPECT_EQ(info.Pattern, (DWORD)MAKEFOURCC('C', 'A', 'C', 'H'));
  EXPECT_EQ(info.OptMethod, 1u);
  EXPECT_GT(info.CacheSize, 0u);
  EXPECT_EQ(q->GetData(&info, 8, 0), D3DERR_INVALIDCALL);
  q->Release();
}

TEST_F(ResourceTest, PrivateDataIsKeptPerResource) {
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  const GUID key = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const char text[] = "hello";
  ASSERT_EQ(vb->SetPrivateData(key, text, sizeof text, 0), D3D_OK);
  char out[3];
  DWORD size = sizeof out;
  EXPECT_EQ(vb->GetPrivateData(key, out, &size), D3DERR_MOREDATA);
  EXPECT_EQ(size, sizeof text);
  char all[8];
  size = sizeof all;
  ASSERT_EQ(vb->GetPrivateData(key, all, &size), D3D_OK);
  EXPECT_STREQ(all, "hello");
  EXPECT_EQ(vb->FreePrivateData(key), D3D_OK);
  EXPECT_EQ(vb->GetPrivateData(key, all, &size), D3DERR_NOTFOUND);
  vb->Release();
}

TEST_F(ResourceTest, DeclarationsUseStreamZeroOnly) {
  const D3DVERTEXELEMENT9 twoStreams[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  EXPECT_EQ(device->CreateVertexDeclaration(twoStreams, &decl), D3DERR_INVALIDCALL);
  D3DCAPS9 caps;
  device->GetDeviceCaps(&caps);
  EXPECT_EQ(caps.MaxStreams, 1u);
}
