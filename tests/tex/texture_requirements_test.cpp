// Requirement checks and empty-texture creation: defaults, refused arguments, level counts, and
// the limits of devices that report restrictions.
#include "../common/forwarding_device.h"
#include "blit_device_fixture.h"

namespace {

// A device that reports other texture capabilities than the software device's.
class CapsDevice : public ForwardingDevice {
 public:
  CapsDevice(IDirect3DDevice9* inner, DWORD textureCaps)
      : ForwardingDevice(inner), textureCaps_(textureCaps) {}
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
    HRESULT hr = ForwardingDevice::GetDeviceCaps(caps);
    if (SUCCEEDED(hr)) {
      caps->TextureCaps = textureCaps_;
      caps->MaxTextureWidth = maxWidth;
      caps->MaxTextureAspectRatio = aspect;
      caps->MaxVolumeExtent = maxVolume;
    }
    return hr;
  }
  UINT maxWidth = 4096, aspect = 0, maxVolume = 256;

 private:
  DWORD textureCaps_;
};

constexpr DWORD kAllMips = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_MIPCUBEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP;

struct Shape {
  UINT width, height, levels;
  D3DFORMAT format;
};

class TextureRequirements : public TransferTest {
 protected:
  // The texture requirements of `device` for the request; the shape is what comes back.
  static Shape Check(IDirect3DDevice9* device, UINT w, UINT h, UINT levels, DWORD usage = 0,
                     D3DFORMAT format = D3DFMT_A8R8G8B8, D3DPOOL pool = D3DPOOL_MANAGED) {
    Shape s = {w, h, levels, format};
    EXPECT_EQ(D3DXCheckTextureRequirements(device, &s.width, &s.height, &s.levels, usage, &s.format, pool),
              D3D_OK);
    return s;
  }
  void ExpectShape(const Shape& s, UINT w, UINT h, UINT levels) {
    EXPECT_EQ(s.width, w);
    EXPECT_EQ(s.height, h);
    EXPECT_EQ(s.levels, levels);
  }
};

TEST_F(TextureRequirements, DefaultsAndNullPointers) {
  D3DFORMAT format = D3DFMT_A8R8G8B8;
  EXPECT_EQ(D3DXCheckTextureRequirements(device, nullptr, nullptr, nullptr, 0, &format, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(format, D3DFMT_A8R8G8B8);

  // A single given size serves for both; 0 becomes 1.
  UINT width = 0;
  EXPECT_EQ(D3DXCheckTextureRequirements(device, &width, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(width, 1u);
  UINT w = D3DX_DEFAULT, h = 0;
  EXPECT_EQ(D3DXCheckTextureRequirements(device, &w, &h, nullptr, 0, nullptr, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(w, 1u);
  EXPECT_EQ(h, 1u);
  ExpectShape(Check(device, D3DX_DEFAULT, D3DX_DEFAULT, 0), 256, 256, 9);
  ExpectShape(Check(device, D3DX_DEFAULT, 40, D3DX_DEFAULT), 40, 40, 6);

  // Unknown formats match what the device has; the scratch pool asks no device.
  EXPECT_EQ(Check(device, 4, 4, 1, 0, D3DFMT_UNKNOWN).format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(Check(device, 4, 4, 1, 0, D3DFMT_R8G8B8).format, D3DFMT_X8R8G8B8);
  const Shape scratch = Check(device, 10000, 3, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_SCRATCH);
  EXPECT_EQ(scratch.format, D3DFMT_A8R8G8B8);
  ExpectShape(scratch, 10000, 3, 14);
  ExpectShape(Check(device, 10000, 3, 0), 4096, 3, 13);
}

TEST_F(TextureRequirements, RefusedArgumentsLeaveEverythingAlone) {
  UINT w = 7, h = 9, levels = 2;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  EXPECT_EQ(D3DXCheckTextureRequirements(nullptr, &w, &h, &levels, 0, &format, D3DPOOL_MANAGED),
            D3DERR_INVALIDCALL);
  for (DWORD usage : {DWORD(D3DUSAGE_WRITEONLY), DWORD(D3DUSAGE_QUERY_WRAPANDMIP), 0x80000000u})
    EXPECT_EQ(D3DXCheckTextureRequirements(device, &w, &h, &levels, usage, &format, D3DPOOL_MANAGED),
              D3DERR_INVALIDCALL)
        << usage;
  EXPECT_EQ(D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, &format, D3DPOOL(4)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(w, 7u);
  EXPECT_EQ(h, 9u);
  EXPECT_EQ(levels, 2u);
  EXPECT_EQ(format, D3DFMT_UNKNOWN);
  // D3DX_DEFAULT usage is none; the query bits are accepted.
  EXPECT_EQ(D3DXCheckTextureRequirements(device, &w, &h, &levels, D3DX_DEFAULT, &format, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(
      D3DXCheckTextureRequirements(device, &w, &h, &levels, D3DUSAGE_QUERY_FILTER, &format, D3DPOOL_MANAGED),
      D3D_OK);
  // A format no device texture can be: nothing acceptable.
  format = D3DFMT_D24S8;
  EXPECT_EQ(D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, &format, D3DPOOL_MANAGED),
            D3DERR_NOTAVAILABLE);
}

TEST_F(TextureRequirements, LevelCounts) {
  ExpectShape(Check(device, 100, 30, 0), 100, 30, 7);
  ExpectShape(Check(device, 256, 1, 0), 256, 1, 9);
  ExpectShape(Check(device, 100, 30, 3), 100, 30, 3);
  ExpectShape(Check(device, 100, 30, 8), 100, 30, 7);
  ExpectShape(Check(device, 100, 30, 0, D3DUSAGE_AUTOGENMIPMAP), 100, 30, 0);
  ExpectShape(Check(device, 1, 1, 0, D3DUSAGE_AUTOGENMIPMAP), 1, 1, 1);
  // Block formats are whole blocks.
  ExpectShape(Check(device, 5, 7, 1, 0, D3DFMT_DXT1), 8, 8, 1);
  ExpectShape(Check(device, 1, 1, 0, 0, D3DFMT_DXT5), 4, 4, 3);
}

TEST_F(TextureRequirements, RestrictedDevices) {
  auto restricted = [&](DWORD caps) { return new CapsDevice(device, caps); };
  CapsDevice* pow2 = restricted(kAllMips | D3DPTEXTURECAPS_POW2);
  ExpectShape(Check(pow2, 300, 200, 0), 512, 256, 10);
  pow2->Release();

  // Conditional support: any size for a single level, but one level for other sizes.
  CapsDevice* conditional = restricted(kAllMips | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
  ExpectShape(Check(conditional, 300, 200, 1), 300, 200, 1);
  ExpectShape(Check(conditional, 300, 200, 0), 512, 256, 10);
  conditional->Release();
  CapsDevice* nonPow2 = restricted(kAllMips | D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
  ExpectShape(Check(nonPow2, 300, 200, 0), 300, 200, 1);
  ExpectShape(Check(nonPow2, 256, 64, 0), 256, 64, 9);
  nonPow2->Release();

  CapsDevice* square = restricted(kAllMips | D3DPTEXTURECAPS_SQUAREONLY);
  ExpectShape(Check(square, 300, 200, 1), 200, 200, 1);
  square->Release();
  CapsDevice* aspect = restricted(kAllMips);
  aspect->aspect = 2;
  aspect->maxWidth = 1024;
  ExpectShape(Check(aspect, 1000, 100, 1), 200, 100, 1);
  ExpectShape(Check(aspect, 100, 1000, 1), 100, 200, 1);
  ExpectShape(Check(aspect, 3000, 2000, 1), 1024, 2000, 1);
  aspect->Release();

  CapsDevice* noMips = restricted(D3DPTEXTURECAPS_MIPCUBEMAP);
  ExpectShape(Check(noMips, 64, 64, 0), 64, 64, 1);
  UINT size = 64, levels = 0;
  EXPECT_EQ(D3DXCheckCubeTextureRequirements(noMips, &size, &levels, 0, nullptr, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(levels, 7u);
  noMips->Release();

  // Each resource type has its own power-of-two bit.
  CapsDevice* cubePow2 = restricted(kAllMips | D3DPTEXTURECAPS_CUBEMAP_POW2);
  ExpectShape(Check(cubePow2, 300, 200, 0), 300, 200, 9);
  size = 300, levels = 0;
  EXPECT_EQ(D3DXCheckCubeTextureRequirements(cubePow2, &size, &levels, 0, nullptr, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(size, 512u);
  EXPECT_EQ(levels, 10u);
  cubePow2->Release();

  CapsDevice* volumes = restricted(kAllMips | D3DPTEXTURECAPS_VOLUMEMAP_POW2);
  volumes->maxVolume = 64;
  UINT w = 100, h = 3, d = 40;
  levels = 0;
  EXPECT_EQ(D3DXCheckVolumeTextureRequirements(volumes, &w, &h, &d, &levels, 0, nullptr, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(w, 64u);
  EXPECT_EQ(h, 4u);
  EXPECT_EQ(d, 64u);
  EXPECT_EQ(levels, 7u);
  volumes->Release();
}

TEST_F(TextureRequirements, CubeAndVolumeShapes) {
  UINT size = 100, levels = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  EXPECT_EQ(D3DXCheckCubeTextureRequirements(device, &size, &levels, 0, &format, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(size, 100u);
  EXPECT_EQ(levels, 7u);
  EXPECT_EQ(format, D3DFMT_A8R8G8B8);

  // Depth counts towards the levels of a volume; D3DX_DEFAULT depth is 1; the extent is limited.
  UINT w = 8, h = 4, d = 300;
  levels = 0;
  EXPECT_EQ(D3DXCheckVolumeTextureRequirements(device, &w, &h, &d, &levels, 0, nullptr, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(d, 256u);
  EXPECT_EQ(levels, 9u);
  d = D3DX_DEFAULT, levels = 0;
  EXPECT_EQ(D3DXCheckVolumeTextureRequirements(device, &w, &h, &d, &levels, 0, nullptr, D3DPOOL_MANAGED),
            D3D_OK);
  EXPECT_EQ(d, 1u);
  EXPECT_EQ(levels, 4u);
}

TEST_F(TextureRequirements, EmptyTexturesTakeTheAdjustedValues) {
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(
      D3DXCreateTexture(device, 100, 0, 0, D3DUSAGE_QUERY_FILTER, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &texture),
      D3D_OK);
  ASSERT_NE(Keep(texture), nullptr);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 100u);
  EXPECT_EQ(desc.Height, 1u);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(desc.Usage, 0u);
  EXPECT_EQ(texture->GetLevelCount(), 7u);
  EXPECT_EQ(D3DXCreateTexture(device, 1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTexture(nullptr, 1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
            D3DERR_INVALIDCALL);

  IDirect3DCubeTexture9* cube = nullptr;
  EXPECT_EQ(
      D3DXCreateCubeTexture(device, D3DX_DEFAULT, 1, D3DX_DEFAULT, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &cube),
      D3D_OK);
  ASSERT_NE(Keep(cube), nullptr);
  cube->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 256u);
  EXPECT_EQ(cube->GetLevelCount(), 1u);

  IDirect3DVolumeTexture9* volume = nullptr;
  EXPECT_EQ(D3DXCreateVolumeTexture(device, 4, 2, 8, 0, 0, D3DFMT_L8, D3DPOOL_MANAGED, &volume), D3D_OK);
  ASSERT_NE(Keep(volume), nullptr);
  D3DVOLUME_DESC vdesc;
  volume->GetLevelDesc(0, &vdesc);
  EXPECT_EQ(vdesc.Depth, 8u);
  EXPECT_EQ(vdesc.Format, D3DFMT_L8);
  EXPECT_EQ(volume->GetLevelCount(), 4u);
}

}  // namespace
