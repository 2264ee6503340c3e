// render_model: loads an X file with its materials and textures on a headless device, draws it
// lit from three sides with a caption, and writes the picture as a PNG.
//
//   render_model MODEL.x OUT.png [--size WxH] [--yaw DEGREES] [--caption TEXT]
#include <d3dx9.h>
#include <skyvale_host.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string model, output, caption;
  UINT width = 640, height = 480;
  float yawDegrees = 35.0f;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%ux%u", &o.width, &o.height) != 2 || !o.width || !o.height) return false;
    } else if (a == "--yaw" && hasValue) {
      o.yawDegrees = std::strtof(argv[++i], nullptr);
    } else if (a == "--caption" && hasValue) {
      o.caption = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return false;
  o.model = positional[0];
  o.output = positional[1];
  if (o.caption.empty()) o.caption = o.model.substr(o.model.find_last_of('/') + 1);
  return true;
}

template <class T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// Everything the picture needs, released in reverse order of creation.
struct Viewer {
  HWND window = nullptr;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  ID3DXMesh* mesh = nullptr;
  ID3DXFont* font = nullptr;
  std::vector<D3DMATERIAL9> materials;
  std::vector<IDirect3DTexture9*> textures;

  ~Viewer() {
    for (IDirect3DTexture9*& t : textures) Release(t);
    Release(font);
    Release(mesh);
    Release(device);
    Release(d3d);
    if (window) DestroyWindow(window);
  }

  bool CreateDevice(UINT width, UINT height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "render_model";
    RegisterClassA(&wc);
    window = CreateWindowExA(0, "render_model", "render_model", 0, 0, 0, (int)width, (int)height, nullptr,
                             nullptr, nullptr, nullptr);
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window || !d3d) return false;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    return SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device));
  }

  // The mesh and, per material, its colour and texture (file names are relative to the model).
  bool LoadModel(const std::string& path) {
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, device, nullptr, &materialBuffer, nullptr,
                                  &count, &mesh)))
      return false;
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    const D3DXMATERIAL* m =
        materialBuffer ? (const D3DXMATERIAL*)materialBuffer->GetBufferPointer() : nullptr;
    for (DWORD i = 0; i < count && m; ++i) {
      D3DMATERIAL9 mat = m[i].MatD3D;
      mat.Ambient = mat.Diffuse;  // files leave ambient unset
      materials.push_back(mat);
      IDirect3DTexture9* tex = nullptr;
      if (m[i].pTextureFilename && m[i].pTextureFilename[0] &&
          FAILED(D3DXCreateTextureFromFileA(device, (folder + m[i].pTextureFilename).c_str(), &tex)))
        std::fprintf(stderr, "render_model: texture %s not loaded\n", m[i].pTextureFilename);
      textures.push_back(tex);
    }
    Release(materialBuffer);
    return true;
  }

  // Centre and radius of the positions, read from the vertex buffer.
  void Bounds(D3DXVECTOR3& centre, float& radius) {
    D3DXVECTOR3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    DWORD stride = mesh->GetNumBytesPerVertex(), n = mesh->GetNumVertices();
    void* data = nullptr;
    if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
      for (DWORD i = 0; i < n; ++i) {
        const float* p = (const float*)((const BYTE*)data + size_t(i) * stride);
        lo = D3DXVECTOR3(std::min(lo.x, p[0]), std::min(lo.y, p[1]), std::min(lo.z, p[2]));
        hi = D3DXVECTOR3(std::max(hi.x, p[0]), std::max(hi.y, p[1]), std::max(hi.z, p[2]));
      }
      mesh->UnlockVertexBuffer();
    }
    centre = (lo + hi) * 0.5f;
    D3DXVECTOR3 half = hi - centre;
    radius = std::max(D3DXVec3Length(&half), 1e-3f);
  }

  void SetLights() {
    // Key light from the upper left front, a cool fill from the right, a rim light from behind.
    const D3DXVECTOR3 directions[3] = {{0.6f, -0.7f, 0.4f}, {-0.8f, -0.2f, 0.3f}, {0.0f, -0.3f, -1.0f}};
    const D3DXCOLOR colours[3] = {{0.9f, 0.85f, 0.8f, 1}, {0.3f, 0.35f, 0.5f, 1}, {0.4f, 0.4f, 0.4f, 1}};
    for (DWORD i = 0; i < 3; ++i) {
      D3DLIGHT9 light = {};
      light.Type = D3DLIGHT_DIRECTIONAL;
      light.Diffuse = colours[i];
      D3DXVec3Normalize((D3DXVECTOR3*)&light.Direction, &directions[i]);
      device->SetLight(i, &light);
      device->LightEnable(i, TRUE);
    }
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(40, 40, 40));
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  }

  bool Draw(const Options& o) {
    D3DXVECTOR3 centre;
    float radius;
    Bounds(centre, radius);
    float yaw = D3DXToRadian(o.yawDegrees);
    D3DXVECTOR3 eye = centre + D3DXVECTOR3(std::sin(yaw), 0.45f, -std::cos(yaw)) * (2.6f * radius);
    D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIX view, proj, world;
    D3DXMatrixLookAtLH(&view, &eye, &centre, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, float(o.width) / float(o.height), radius * 0.1f,
                               radius * 10);
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    SetLights();
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(70, 90, 120), 1.0f, 0);
    if (FAILED(device->BeginScene())) return false;
    for (DWORD i = 0; i < materials.size(); ++i) {
      device->SetMaterial(&materials[i]);
      device->SetTexture(0, textures[i]);
      mesh->DrawSubset(i);
    }
    if (materials.empty()) {
      D3DMATERIAL9 grey = {};
      grey.Diffuse = grey.Ambient = D3DXCOLOR(0.7f, 0.7f, 0.7f, 1);
      device->SetMaterial(&grey);
      mesh->DrawSubset(0);
    }
    device->SetTexture(0, nullptr);
    RECT caption = {12, 10, (LONG)o.width - 12, 40};
    font->DrawTextA(o.caption.c_str(), -1, &caption, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP,
                    D3DCOLOR_XRGB(255, 255, 255));
    device->EndScene();
    return true;
  }

  bool WritePng(const std::string& path, UINT width, UINT height) {
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DLOCKED_RECT lr;
    bool ok = SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
              SUCCEEDED(device->CreateOffscreenPlainSurface(width, height, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                            &copy, nullptr)) &&
              SUCCEEDED(device->GetRenderTargetData(back, copy)) &&
              SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY));
    if (ok) {
      ok = SkyvaleWritePng(path.c_str(), (const uint32_t*)lr.pBits, (int)width, (int)height, lr.Pitch);
      copy->UnlockRect();
    }
    Release(copy);
    Release(back);
    return ok;
  }
};

int Run(const Options& o) {
  Viewer v;
  if (!v.CreateDevice(o.width, o.height)) {
    std::fprintf(stderr, "render_model: no device\n");
    return 1;
  }
  if (!v.LoadModel(o.model)) {
    std::fprintf(stderr, "render_model: cannot load %s\n", o.model.c_str());
    return 1;
  }
  LOGFONTA face = {};
  face.lfHeight = 22;
  if (FAILED(D3DXCreateFontIndirect(v.device, &face, &v.font))) {
    std::fprintf(stderr, "render_model: no font\n");
    return 1;
  }
  if (!v.Draw(o) || !v.WritePng(o.output, o.width, o.height)) {
    std::fprintf(stderr, "render_model: cannot write %s\n", o.output.c_str());
    return 1;
  }
  std::printf("%s: %lu faces, %lu vertices, %zu materials -> %s\n", o.model.c_str(),
              (unsigned long)v.mesh->GetNumFaces(), (unsigned long)v.mesh->GetNumVertices(),
              v.materials.size(), o.output.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: render_model MODEL.x OUT.png [--size WxH] [--yaw DEGREES] [--caption TEXT]\n");
    return 2;
  }
  SkyvaleOptions platform;
  platform.headless = true;
  std::string error;
  if (!SkyvaleStartPlatform(platform, error)) {
    std::fprintf(stderr, "render_model: %s\n", error.c_str());
    return 1;
  }
  int result = Run(o);
  SkyvaleStopPlatform();
  return result;
}
