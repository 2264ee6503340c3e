// convert_image: reads any image the library decodes (BMP, PPM, DDS, JPEG, PNG, TGA, DIB),
// converts it to a texture format with a full or limited mip chain, and writes the result as a
// DDS file; with --png-dir it also writes every mip level as a PNG to look at.
//
//   convert_image IN OUT.dds [--format DXT1] [--levels N] [--size WxH] [--png-dir DIR]
#include <d3dx9.h>
#include <skyvale_host.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FormatName {
  const char* name;
  D3DFORMAT format;
  // DDS pixel format: flags, four-character code, bit count and masks.
  uint32_t flags, fourCC, bits, r, g, b, a;
};

constexpr uint32_t kDdpfAlpha = 0x1, kDdpfFourCC = 0x4, kDdpfRgb = 0x40, kDdpfLuminance = 0x20000;

const FormatName kFormats[] = {
    {"A8R8G8B8", D3DFMT_A8R8G8B8, kDdpfRgb | kDdpfAlpha, 0, 32, 0xff0000, 0xff00, 0xff, 0xff000000},
    {"X8R8G8B8", D3DFMT_X8R8G8B8, kDdpfRgb, 0, 32, 0xff0000, 0xff00, 0xff, 0},
    {"R8G8B8", D3DFMT_R8G8B8, kDdpfRgb, 0, 24, 0xff0000, 0xff00, 0xff, 0},
    {"R5G6B5", D3DFMT_R5G6B5, kDdpfRgb, 0, 16, 0xf800, 0x07e0, 0x001f, 0},
    {"A1R5G5B5", D3DFMT_A1R5G5B5, kDdpfRgb | kDdpfAlpha, 0, 16, 0x7c00, 0x03e0, 0x001f, 0x8000},
    {"A4R4G4B4", D3DFMT_A4R4G4B4, kDdpfRgb | kDdpfAlpha, 0, 16, 0x0f00, 0x00f0, 0x000f, 0xf000},
    {"L8", D3DFMT_L8, kDdpfLuminance, 0, 8, 0xff, 0, 0, 0},
    {"DXT1", D3DFMT_DXT1, kDdpfFourCC, D3DFMT_DXT1, 0, 0, 0, 0, 0},
    {"DXT3", D3DFMT_DXT3, kDdpfFourCC, D3DFMT_DXT3, 0, 0, 0, 0, 0},
    {"DXT5", D3DFMT_DXT5, kDdpfFourCC, D3DFMT_DXT5, 0, 0, 0, 0, 0},
};

const FormatName* FindFormat(const char* name) {
  for (const FormatName& f : kFormats)
    if (std::strcmp(f.name, name) == 0) return &f;
  return nullptr;
}

bool IsBlockFormat(D3DFORMAT f) { return f == D3DFMT_DXT1 || f == D3DFMT_DXT3 || f == D3DFMT_DXT5; }

struct Options {
  std::string input, output, pngDir;
  const FormatName* format = &kFormats[0];
  UINT levels = 0;  // 0: the full chain
  UINT width = D3DX_DEFAULT, height = D3DX_DEFAULT;
};

int Usage() {
  std::fprintf(stderr,
               "usage: convert_image IN OUT.dds [--format F] [--levels N] [--size WxH] [--png-dir DIR]\n"
               "formats:");
  for (const FormatName& f : kFormats) std::fprintf(stderr, " %s", f.name);
  std::fprintf(stderr, "\n");
  return 2;
}

bool ParseArgs(int argc, char** argv, Options& o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--format" && hasValue) {
      o.format = FindFormat(argv[++i]);
      if (!o.format) return false;
    } else if (a == "--levels" && hasValue) {
      o.levels = (UINT)std::strtoul(argv[++i], nullptr, 10);
    } else if (a == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%ux%u", &o.width, &o.height) != 2 || !o.width || !o.height) return false;
    } else if (a == "--png-dir" && hasValue) {
      o.pngDir = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return false;
  o.input = positional[0];
  o.output = positional[1];
  return true;
}

// A hidden window and a device to create textures on; the headless platform needs no display.
struct Device {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;

  bool Create() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "convert_image";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "convert_image", "convert_image", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                             nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) return false;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    return SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device));
  }
  ~Device() {
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (window) DestroyWindow(window);
  }
};

// DDS header for a plain texture of this format, size and level count.
std::vector<uint8_t> DdsHeader(const FormatName& f, UINT width, UINT height, UINT levels,
                               UINT topLevelBytes) {
  uint32_t h[31] = {};
  h[0] = 124;                                          // header size
  h[1] = 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 |          // caps, height, width, pixel format, mips
         (IsBlockFormat(f.format) ? 0x80000u : 0x8u);  // linear size or pitch
  h[2] = height;
  h[3] = width;
  h[4] = topLevelBytes;
  h[6] = levels;
  uint32_t* pf = h + 18;  // after 11 reserved words
  pf[0] = 32;
  pf[1] = f.flags;
  pf[2] = f.fourCC;
  pf[3] = f.bits;
  pf[4] = f.r;
  pf[5] = f.g;
  pf[6] = f.b;
  pf[7] = f.a;
  h[26] = 0x1000 | (levels > 1 ? 0x400000u | 0x8u : 0u);  // texture, mipmap, complex
  std::vector<uint8_t> out(4 + sizeof(h));
  std::memcpy(out.data(), "DDS ", 4);
  std::memcpy(out.data() + 4, h, sizeof(h));
  return out;
}

// The bytes of one level, rows packed without the lock's pitch.
bool LevelBytes(IDirect3DTexture9* tex, UINT level, const FormatName& f, std::vector<uint8_t>& out) {
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT lr;
  if (FAILED(tex->GetLevelDesc(level, &desc)) || FAILED(tex->LockRect(level, &lr, nullptr, D3DLOCK_READONLY)))
    return false;
  UINT rows = desc.Height, rowBytes = desc.Width * (f.bits / 8);
  if (IsBlockFormat(f.format)) {
    rows = (desc.Height + 3) / 4;
    rowBytes = (desc.Width + 3) / 4 * (f.format == D3DFMT_DXT1 ? 8 : 16);
  }
  out.resize(size_t(rows) * rowBytes);
  for (UINT y = 0; y < rows; ++y)
    std::memcpy(out.data() + size_t(y) * rowBytes, (const uint8_t*)lr.pBits + size_t(y) * lr.Pitch, rowBytes);
  tex->UnlockRect(level);
  return true;
}

// One level converted to 32-bit colour and written as a PNG.
bool WriteLevelPng(IDirect3DDevice9* device, IDirect3DTexture9* tex, UINT level, const std::string& path) {
  IDirect3DSurface9* src = nullptr;
  IDirect3DSurface9* rgba = nullptr;
  D3DSURFACE_DESC desc;
  bool ok = SUCCEEDED(tex->GetSurfaceLevel(level, &src)) && SUCCEEDED(src->GetDesc(&desc)) &&
            SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, D3DFMT_A8R8G8B8,
                                                          D3DPOOL_SYSTEMMEM, &rgba, nullptr)) &&
            SUCCEEDED(D3DXLoadSurfaceFromSurface(rgba, nullptr, nullptr, src, nullptr, nullptr,
                                                 D3DX_FILTER_NONE, 0));
  D3DLOCKED_RECT lr;
  if (ok && SUCCEEDED(rgba->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
    ok =
        SkyvaleWritePng(path.c_str(), (const uint32_t*)lr.pBits, (int)desc.Width, (int)desc.Height, lr.Pitch);
    rgba->UnlockRect();
  } else {
    ok = false;
  }
  if (rgba) rgba->Release();
  if (src) src->Release();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return Usage();

  SkyvaleOptions platform;
  platform.headless = true;
  std::string error;
  if (!SkyvaleStartPlatform(platform, error)) {
    std::fprintf(stderr, "convert_image: %s\n", error.c_str());
    return 1;
  }
  int result = 1;
  {
    Device d;
    D3DXIMAGE_INFO info;
    IDirect3DTexture9* tex = nullptr;
    if (!d.Create()) {
      std::fprintf(stderr, "convert_image: no device\n");
    } else if (FAILED(D3DXCreateTextureFromFileExA(d.device, o.input.c_str(), o.width, o.height,
                                                   o.levels ? o.levels : D3DX_DEFAULT, 0, o.format->format,
                                                   D3DPOOL_SYSTEMMEM, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info,
                                                   nullptr, &tex))) {
      std::fprintf(stderr, "convert_image: cannot read %s as an image\n", o.input.c_str());
    } else {
      D3DSURFACE_DESC top;
      tex->GetLevelDesc(0, &top);
      UINT levels = tex->GetLevelCount();
      std::vector<uint8_t> file, level;
      bool ok = LevelBytes(tex, 0, *o.format, level);
      file = DdsHeader(*o.format, top.Width, top.Height, levels, (UINT)level.size());
      for (UINT i = 0; ok && i < levels; ++i) {
        ok = LevelBytes(tex, i, *o.format, level);
        file.insert(file.end(), level.begin(), level.end());
        std::string png = o.pngDir + "/level" + std::to_string(i) + ".png";
        if (ok && !o.pngDir.empty() && !WriteLevelPng(d.device, tex, i, png)) {
          std::fprintf(stderr, "convert_image: cannot write %s\n", png.c_str());
          ok = false;
        }
      }
      if (ok) {
        FILE* out = std::fopen(o.output.c_str(), "wb");
        bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
        if (out && std::fclose(out) != 0) written = false;
        if (written) {
          std::printf("%s: %ux%u -> %s %ux%u, %u levels, %zu bytes\n", o.input.c_str(), info.Width,
                      info.Height, o.format->name, top.Width, top.Height, levels, file.size());
          result = 0;
        } else {
          std::fprintf(stderr, "convert_image: cannot write %s\n", o.output.c_str());
        }
      }
      tex->Release();
    }
  }
  SkyvaleStopPlatform();
  return result;
}
