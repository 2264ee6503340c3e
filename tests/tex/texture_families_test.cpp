// Cube and volume textures from image files, procedural filling of the three texture types, and
// surfaces and volumes loaded from image files.
#include <cstdio>

#include "blit_device_fixture.h"
#include "image_builders.h"
#include "temp_path.h"

using namespace imagebuild;

namespace {

uint32_t Gradient(UINT x, UINT y) {
  return 0xFF000000u | (x * 31 % 256) << 16 | (y * 17 % 256) << 8 | (x + y);
}

// Solid 5:6:5 colours of the six faces and their 8-bit expansions.
constexpr uint16_t kFace565[6] = {0xF800, 0x07E0, 0x001F, 0xFFE0, 0x8410, 0x07FF};
constexpr uint32_t kFaceArgb[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF848284, 0xFF00FFFF};

FileBytes SolidDxt5Level(UINT size, uint16_t colour) {
  FileBytes data;
  const UINT blocks = std::max(size / 4, 1u);
  for (UINT i = 0; i < blocks * blocks; ++i) {
    const FileBytes block = SolidDxt5Block(colour);
    data.insert(data.end(), block.begin(), block.end());
  }
  return data;
}

// A 4x4x4 A16B16G16R16 volume, every channel of slice z at z * 1000.
FileBytes SlicedVolume() {
  return Dds(
      D3DFMT_A16B16G16R16, 4, 4, 1, 1,
      [](UINT, UINT) {
        FileBytes data;
        for (UINT z = 0; z < 4; ++z)
          for (UINT i = 0; i < 16 * 4; ++i) Le16(data, z * 1000);
        return data;
      },
      4);
}

class TextureFamilies : public TransferTest {
 protected:
  IDirect3DSurface9* Face(IDirect3DCubeTexture9* cube, UINT face, UINT level) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level, &s), D3D_OK);
    return Keep(s);
  }
  // The colour of a surface's first texel, decoded whatever its format.
  uint32_t FirstTexel(IDirect3DSurface9* s) {
    IDirect3DSurface9* out = Plain(1, 1, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(out, nullptr, nullptr, s, nullptr, nullptr, D3DX_FILTER_POINT, 0),
              D3D_OK);
    return Pixels32(out)[0];
  }
  std::vector<float> Floats(IDirect3DSurface9* s) {
    const std::vector<BYTE> b = Bytes(s);
    std::vector<float> f(b.size() / 4);
    std::memcpy(f.data(), b.data(), b.size());
    return f;
  }
  // Every 16-bit channel of a volume level.
  std::vector<uint16_t> Channels(IDirect3DVolumeTexture9* v, UINT level) {
    D3DVOLUME_DESC d;
    v->GetLevelDesc(level, &d);
    D3DLOCKED_BOX box;
    EXPECT_EQ(v->LockBox(level, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint16_t> out;
    for (UINT z = 0; z < d.Depth; ++z)
      for (UINT y = 0; y < d.Height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(box.pBits) + z * box.SlicePitch + y * box.RowPitch;
        for (UINT i = 0; i < d.Width * 4; ++i) out.push_back(uint16_t(row[2 * i] | row[2 * i + 1] << 8));
      }
    v->UnlockBox(level);
    return out;
  }
};

TEST_F(TextureFamilies, CubeTexturesFromSixFaceFiles) {
  const FileBytes file =
      Dds(D3DFMT_DXT5, 8, 8, 1, 6, [](UINT face, UINT) { return SolidDxt5Level(8, kFace565[face]); });
  const std::string path = TempPath("cube.dds");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);

  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(D3DXCreateCubeTextureFromFileA(device, path.c_str(), &cube), D3D_OK);
  Keep(cube);
  std::remove(path.c_str());
  D3DSURFACE_DESC desc;
  cube->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 8u);
  EXPECT_EQ(desc.Format, D3DFMT_DXT5);
  ASSERT_EQ(cube->GetLevelCount(), 4u);
  // Face i of the file is cube face i, and each face's mip chain stays its own colour.
  for (UINT face = 0; face < 6; ++face) {
    EXPECT_EQ(FirstTexel(Face(cube, face, 0)), kFaceArgb[face]) << face;
    EXPECT_EQ(FirstTexel(Face(cube, face, 3)), kFaceArgb[face]) << face;
  }

  IDirect3DCubeTexture9* converted = nullptr;
  ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 16, 1, 0,
                                                    D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                                                    D3DX_DEFAULT, 0, nullptr, nullptr, &converted),
            D3D_OK);
  Keep(converted);
  converted->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 16u);
  for (UINT face = 0; face < 6; ++face)
    EXPECT_EQ(Pixels32(Face(converted, face, 0)), std::vector<uint32_t>(256, kFaceArgb[face])) << face;

  // A plain texture takes the first face.
  IDirect3DTexture9* plain = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &plain), D3D_OK);
  Keep(plain);
  EXPECT_EQ(FirstTexel(Level(plain, 0)), kFaceArgb[0]);
}

TEST_F(TextureFamilies, VolumeTexturesFromVolumeFiles) {
  const FileBytes file = SlicedVolume();
  IDirect3DVolumeTexture9* volume = nullptr;
  D3DXIMAGE_INFO info = {};
  ASSERT_EQ(D3DXCreateVolumeTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), D3DX_DEFAULT,
                                                      D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 0, &info, nullptr, &volume),
            D3D_OK);
  Keep(volume);
  EXPECT_EQ(info.Depth, 4u);
  EXPECT_EQ(info.ResourceType, D3DRTYPE_VOLUMETEXTURE);
  ASSERT_EQ(volume->GetLevelCount(), 3u);
  std::vector<uint16_t> want;
  for (UINT z = 0; z < 4; ++z) want.insert(want.end(), 64, uint16_t(z * 1000));
  EXPECT_EQ(Channels(volume, 0), want);
  // Box halving in depth too: slices (0, 1) and (2, 3) meet, then everything.
  want.assign(16, 500);
  want.insert(want.end(), 16, 2500);
  EXPECT_EQ(Channels(volume, 1), want);
  EXPECT_EQ(Channels(volume, 2), std::vector<uint16_t>(4, 1500));

  // A 2-D image makes a volume of one slice; a volume file can not make a cube.
  const FileBytes flat = Ppm(4, 4, Gradient);
  IDirect3DVolumeTexture9* single = nullptr;
  ASSERT_EQ(D3DXCreateVolumeTextureFromFileInMemory(device, flat.data(), UINT(flat.size()), &single), D3D_OK);
  Keep(single);
  D3DVOLUME_DESC desc;
  single->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Depth, 1u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  IDirect3DCubeTexture9* cube = nullptr;
  EXPECT_EQ(D3DXCreateCubeTextureFromFileInMemory(device, file.data(), UINT(file.size()), &cube), E_FAIL);
  EXPECT_EQ(cube, nullptr);
  IDirect3DVolumeTexture9* missing = nullptr;
  EXPECT_EQ(D3DXCreateVolumeTextureFromFileA(device, TempPath("missing.dds").c_str(), &missing),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(missing, nullptr);
}

// Each texel's colour holds what the callback was given.
VOID WINAPI Record2D(D3DXVECTOR4* out, const D3DXVECTOR2* coord, const D3DXVECTOR2* size, LPVOID data) {
  *out = D3DXVECTOR4(coord->x, coord->y, size->x, size->y);
  ++*static_cast<int*>(data);
}
VOID WINAPI Record3D(D3DXVECTOR4* out, const D3DXVECTOR3* coord, const D3DXVECTOR3* size, LPVOID data) {
  *out = D3DXVECTOR4(coord->x, coord->y, coord->z, size->x + 10 * size->y + 100 * size->z);
  ++*static_cast<int*>(data);
}

TEST_F(TextureFamilies, FillTexturesFromCallbacks) {
  IDirect3DTexture9* t = Texture(4, 2, 2, D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED);
  int calls = 0;
  ASSERT_EQ(D3DXFillTexture(t, Record2D, &calls), D3D_OK);
  EXPECT_EQ(calls, 8 + 2);
  // Float texels are stored as r, g, b, a.
  std::vector<float> got = Floats(Level(t, 0));
  EXPECT_EQ(got[0], 0.125f);
  EXPECT_EQ(got[1], 0.25f);
  EXPECT_EQ(got[2], 0.25f);
  EXPECT_EQ(got[3], 0.5f);
  EXPECT_EQ(got[(1 * 4 + 3) * 4 + 0], 0.875f);
  EXPECT_EQ(got[(1 * 4 + 3) * 4 + 1], 0.75f);
  got = Floats(Level(t, 1));
  EXPECT_EQ(got[4], 0.75f);
  EXPECT_EQ(got[5], 0.5f);
  EXPECT_EQ(got[6], 0.5f);
  EXPECT_EQ(got[7], 1.0f);

  // Integer formats are encoded from the same colours.
  IDirect3DTexture9* bytes = Texture(4, 4, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
  calls = 0;
  ASSERT_EQ(D3DXFillTexture(bytes, Record2D, &calls), D3D_OK);
  EXPECT_EQ(Pixels32(Level(bytes, 0))[1], 0x40602040u);

  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(device->CreateCubeTexture(2, 1, 0, D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED, &cube, nullptr),
            D3D_OK);
  Keep(cube);
  calls = 0;
  ASSERT_EQ(D3DXFillCubeTexture(cube, Record3D, &calls), D3D_OK);
  EXPECT_EQ(calls, 24);
  // Texel (x, y) of a 2x2 face has u = x - 0.5, v = y - 0.5; the size is 1 on the face's axes.
  struct Expect {
    UINT face, x, y;
    float dir[3], size;
  };
  const Expect cases[] = {
      {0, 0, 0, {1, 0.5f, 0.5f}, 110},    {1, 1, 0, {-1, 0.5f, 0.5f}, 110}, {2, 1, 1, {0.5f, 1, 0.5f}, 101},
      {3, 0, 1, {-0.5f, -1, -0.5f}, 101}, {4, 1, 0, {0.5f, 0.5f, 1}, 11},   {5, 1, 0, {-0.5f, 0.5f, -1}, 11},
  };
  for (const Expect& e : cases) {
    const std::vector<float> f = Floats(Face(cube, e.face, 0));
    const float* texel = &f[(e.y * 2 + e.x) * 4];
    EXPECT_EQ(texel[0], e.dir[0]) << e.face;
    EXPECT_EQ(texel[1], e.dir[1]) << e.face;
    EXPECT_EQ(texel[2], e.dir[2]) << e.face;
    EXPECT_EQ(texel[3], e.size) << e.face;
  }

  IDirect3DVolumeTexture9* volume = nullptr;
  ASSERT_EQ(
      device->CreateVolumeTexture(2, 2, 4, 1, 0, D3DFMT_A32B32G32R32F, D3DPOOL_MANAGED, &volume, nullptr),
      D3D_OK);
  Keep(volume);
  calls = 0;
  ASSERT_EQ(D3DXFillVolumeTexture(volume, Record3D, &calls), D3D_OK);
  EXPECT_EQ(calls, 16);
  D3DLOCKED_BOX box;
  ASSERT_EQ(volume->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
  const float* texel = reinterpret_cast<const float*>(static_cast<const BYTE*>(box.pBits) +
                                                      3 * box.SlicePitch + box.RowPitch) +
                       4;
  EXPECT_EQ(texel[0], 0.75f);
  EXPECT_EQ(texel[1], 0.75f);
  EXPECT_EQ(texel[2], 0.875f);
  EXPECT_EQ(texel[3], 0.5f + 5 + 25);
  volume->UnlockBox(0);

  EXPECT_EQ(D3DXFillTexture(nullptr, Record2D, &calls), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFillTexture(t, nullptr, &calls), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFillCubeTexture(cube, nullptr, &calls), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFillVolumeTexture(nullptr, Record3D, &calls), D3DERR_INVALIDCALL);
}

TEST_F(TextureFamilies, SurfacesFromImageFiles) {
  const FileBytes file = Ppm(8, 8, Gradient);
  IDirect3DSurface9* s = Plain(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM);
  D3DXIMAGE_INFO info;
  std::memset(&info, 0xAB, sizeof info);
  const D3DXIMAGE_INFO untouched = info;

  // A source rectangle inside the image, or none for the whole image.
  const RECT inside = {2, 3, 6, 7};
  ASSERT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, file.data(), UINT(file.size()), &inside,
                                            D3DX_FILTER_NONE, 0, &info),
            D3D_OK);
  EXPECT_EQ(info.Width, 8u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PPM);
  std::vector<uint32_t> got = Pixels32(s);
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(got[y * 4 + x], Gradient(x + 2, y + 3));
  ASSERT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, file.data(), UINT(file.size()), nullptr,
                                            D3DX_FILTER_POINT, 0, nullptr),
            D3D_OK);
  EXPECT_EQ(Pixels32(s)[5], Gradient(2, 2));

  std::memset(&info, 0xAB, sizeof info);
  for (const RECT& bad :
       {RECT{-1, 0, 4, 4}, RECT{0, 0, 9, 4}, RECT{0, 0, 4, 9}, RECT{3, 0, 2, 4}, RECT{0, 3, 4, 2}})
    EXPECT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, file.data(), UINT(file.size()), &bad,
                                              D3DX_FILTER_NONE, 0, &info),
              D3DERR_INVALIDCALL);
  const FileBytes junk(64, 0x11);
  EXPECT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, junk.data(), UINT(junk.size()), nullptr,
                                            D3DX_DEFAULT, 0, &info),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(
      D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, file.data(), 0, nullptr, D3DX_DEFAULT, 0, &info),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromFileInMemory(nullptr, nullptr, nullptr, file.data(), UINT(file.size()),
                                            nullptr, D3DX_DEFAULT, 0, &info),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);

  // From a file by both names, and from a resource.
  const std::string path = TempPath("surface.ppm");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  const std::basic_string<WCHAR> wide(path.begin(), path.end());
  const RECT corner = {4, 4, 8, 8};
  ASSERT_EQ(
      D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, path.c_str(), &corner, D3DX_FILTER_NONE, 0, nullptr),
      D3D_OK);
  EXPECT_EQ(Pixels32(s)[0], Gradient(4, 4));
  ASSERT_EQ(
      D3DXLoadSurfaceFromFileW(s, nullptr, nullptr, wide.c_str(), nullptr, D3DX_FILTER_POINT, 0, nullptr),
      D3D_OK);
  EXPECT_EQ(Pixels32(s)[0], Gradient(0, 0));
  std::remove(path.c_str());
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, path.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, nullptr, nullptr, D3DX_DEFAULT, 0, nullptr),
            D3DERR_INVALIDCALL);

  SkyvaleRegisterResource(nullptr, "SURFACE", RT_RCDATA, file.data(), DWORD(file.size()));
  ASSERT_EQ(D3DXLoadSurfaceFromResourceA(s, nullptr, nullptr, nullptr, "SURFACE", &corner, D3DX_FILTER_NONE,
                                         0, nullptr),
            D3D_OK);
  EXPECT_EQ(Pixels32(s)[15], Gradient(7, 7));
  const std::basic_string<WCHAR> name = {'S', 'U', 'R', 'F', 'A', 'C', 'E'};
  EXPECT_EQ(D3DXLoadSurfaceFromResourceW(s, nullptr, nullptr, nullptr, name.c_str(), nullptr,
                                         D3DX_FILTER_POINT, 0, nullptr),
            D3D_OK);
  EXPECT_EQ(
      D3DXLoadSurfaceFromResourceA(s, nullptr, nullptr, nullptr, "ABSENT", nullptr, D3DX_DEFAULT, 0, nullptr),
      D3DXERR_INVALIDDATA);
  SkyvaleRegisterResource(nullptr, "SURFACE", RT_RCDATA, nullptr, 0);
}

TEST_F(TextureFamilies, VolumesFromImageFiles) {
  const FileBytes file = SlicedVolume();
  IDirect3DVolumeTexture9* texture = nullptr;
  ASSERT_EQ(
      device->CreateVolumeTexture(4, 4, 2, 1, 0, D3DFMT_A16B16G16R16, D3DPOOL_MANAGED, &texture, nullptr),
      D3D_OK);
  Keep(texture);
  IDirect3DVolume9* volume = nullptr;
  ASSERT_EQ(texture->GetVolumeLevel(0, &volume), D3D_OK);
  Keep(volume);
  const D3DBOX back = {0, 0, 4, 4, 2, 4};
  D3DXIMAGE_INFO info = {};
  ASSERT_EQ(D3DXLoadVolumeFromFileInMemory(volume, nullptr, nullptr, file.data(), UINT(file.size()), &back,
                                           D3DX_FILTER_NONE, 0, &info),
            D3D_OK);
  EXPECT_EQ(info.Depth, 4u);
  std::vector<uint16_t> want(64, 2000);
  want.insert(want.end(), 64, 3000);
  EXPECT_EQ(Channels(texture, 0), want);
  for (const D3DBOX& bad : {D3DBOX{0, 0, 4, 4, 2, 5}, D3DBOX{0, 0, 5, 4, 0, 1}, D3DBOX{0, 0, 4, 4, 3, 2}})
    EXPECT_EQ(D3DXLoadVolumeFromFileInMemory(volume, nullptr, nullptr, file.data(), UINT(file.size()), &bad,
                                             D3DX_FILTER_NONE, 0, nullptr),
              D3DERR_INVALIDCALL);

  const std::string path = TempPath("volume.dds");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  const D3DBOX front = {0, 0, 4, 4, 0, 2};
  ASSERT_EQ(
      D3DXLoadVolumeFromFileA(volume, nullptr, nullptr, path.c_str(), &front, D3DX_FILTER_NONE, 0, nullptr),
      D3D_OK);
  EXPECT_EQ(Channels(texture, 0)[64], 1000);
  const std::basic_string<WCHAR> wide(path.begin(), path.end());
  EXPECT_EQ(
      D3DXLoadVolumeFromFileW(volume, nullptr, nullptr, wide.c_str(), &back, D3DX_FILTER_NONE, 0, nullptr),
      D3D_OK);
  std::remove(path.c_str());
  SkyvaleRegisterResource(nullptr, "VOLUME", RT_RCDATA, file.data(), DWORD(file.size()));
  EXPECT_EQ(D3DXLoadVolumeFromResourceA(volume, nullptr, nullptr, nullptr, "VOLUME", &front, D3DX_FILTER_NONE,
                                        0, nullptr),
            D3D_OK);
  EXPECT_EQ(Channels(texture, 0)[0], 0);
  SkyvaleRegisterResource(nullptr, "VOLUME", RT_RCDATA, nullptr, 0);
  EXPECT_EQ(
      D3DXLoadVolumeFromFileA(volume, nullptr, nullptr, path.c_str(), nullptr, D3DX_DEFAULT, 0, nullptr),
      D3DXERR_INVALIDDATA);
}

}  // namespace
