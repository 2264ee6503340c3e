// Direct3DCreate9, the IDirect3D9 object and the module entry points.
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include <windows.h>

#include "device.h"

namespace d3d9rt {
namespace {

BOOL gMuted = FALSE;

FARPROC lookupExport(LPCSTR name) {
  if (!name) return nullptr;
  if (std::strcmp(name, "Direct3DCreate9") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Direct3DCreate9));
  if (std::strcmp(name, "DebugSetMute") == 0)
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DebugSetMute));
  return nullptr;
}

bool isDisplayFormat(D3DFORMAT f) { return f == D3DFMT_X8R8G8B8; }
bool isBackBufferFormat(D3DFORMAT f) { return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8; }

// A depth format the adapter offers (the refusal list can take some away).
bool depthFormatAvailable(D3DFORMAT f) {
  const FormatInfo* info = formatInfo(f);
  if (!info || !info->depth) return false;
  if (f == D3DFMT_D24S8 && refused("D24S8")) return false;
  if (f == D3DFMT_D16 && refused("D16")) return false;
  if (f == D3DFMT_D24X8 && refused("D24X8")) return false;
  if (f == D3DFMT_D32 && refused("D32")) return false;
  return true;
}

}  // namespace

bool refused(const char* word) {
  const char* list = std::getenv("SKYVALE_D3D9_REFUSE");
  if (!list) return false;
  std::string s(list);
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(',', start);
    if (end == std::string::npos) end = s.size();
    std::string item = s.substr(start, end - start);
    size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
    if (a != std::string::npos && strcasecmp(item.substr(a, b - a + 1).c_str(), word) == 0) return true;
    start = end + 1;
  }
  return false;
}

void windowClientSize(HWND window, UINT* width, UINT* height) {
  RECT r = {0, 0, 0, 0};
  if (window && GetClientRect(window, &r) && r.right > r.left && r.bottom > r.top) {
    *width = (UINT)(r.right - r.left);
    *height = (UINT)(r.bottom - r.top);
  } else {
    *width = 640;
    *height = 480;
  }
}

HRESULT Direct3D::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3D9) {
    *object = static_cast<IDirect3D9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Direct3D::Release() {
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) {
  if (adapter != 0 || !id || (flags & ~2u)) return D3DERR_INVALIDCALL;
  std::memset(id, 0, sizeof *id);
  std::strcpy(id->Driver, "skyvale_d3d9");
  std::strcpy(id->Description, "Skyvale software renderer");
  std::strcpy(id->DeviceName, "\\\\.\\DISPLAY1");
  id->DriverVersion.QuadPart = 0x0001000000000000LL;
  id->DeviceIdentifier = {0x5b7a1e31, 0x2c4d, 0x4f60, {0x9a, 0x17, 0x53, 0x6b, 0x79, 0x76, 0x61, 0x6c}};
  return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  return adapter == 0 && isDisplayFormat(format) ? 1 : 0;
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
  if (adapter != 0 || !out || mode != 0 || !isDisplayFormat(format)) return D3DERR_INVALIDCALL;
  *out = {640, 480, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
  *mode = {640, 480, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBuffer, BOOL windowed) {
  if (adapter != 0 || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  if (!isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (backBuffer == D3DFMT_UNKNOWN && windowed) backBuffer = adapterFormat;
  return isBackBufferFormat(backBuffer) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE rType, D3DFORMAT format) {
  if (adapter != 0 || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  if (!isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (rType == D3DRTYPE_VERTEXBUFFER) return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (rType == D3DRTYPE_INDEXBUFFER)
    return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
  const FormatInfo* f = formatInfo(format);
  if (!f) return D3DERR_NOTAVAILABLE;
  // What no format offers here: sRGB, vertex textures, displacement maps, legacy bump maps.
  const DWORD never = D3DUSAGE_QUERY_SRGBREAD | D3DUSAGE_QUERY_SRGBWRITE | D3DUSAGE_QUERY_VERTEXTEXTURE |
                      D3DUSAGE_DMAP | D3DUSAGE_QUERY_LEGACYBUMPMAP;
  if (usage & never) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_DEPTHSTENCIL) {
    if (rType != D3DRTYPE_SURFACE || !depthFormatAvailable(format) || (usage & D3DUSAGE_RENDERTARGET))
      return D3DERR_NOTAVAILABLE;
    return D3D_OK;
  }
  if (f->depth) return D3DERR_NOTAVAILABLE;
  bool rt = (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)) != 0;
  if (rt && !f->renderTarget) return D3DERR_NOTAVAILABLE;
  if ((usage & D3DUSAGE_RENDERTARGET) && (usage & D3DUSAGE_DYNAMIC)) return D3DERR_NOTAVAILABLE;
  switch (rType) {
    case D3DRTYPE_SURFACE:
      break;
    case D3DRTYPE_TEXTURE:
    case D3DRTYPE_CUBETEXTURE:
      if (!f->texture) return D3DERR_NOTAVAILABLE;
      break;
    case D3DRTYPE_VOLUMETEXTURE:
      if (!f->texture || (usage & D3DUSAGE_RENDERTARGET)) return D3DERR_NOTAVAILABLE;
      break;
    default:
      return D3DERR_NOTAVAILABLE;
  }
  if ((usage & D3DUSAGE_AUTOGENMIPMAP) && rType != D3DRTYPE_SURFACE) return D3DOK_NOAUTOGEN;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL,
                                             D3DMULTISAMPLE_TYPE multiSample, DWORD* quality) {
  if (adapter != 0 || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  const FormatInfo* f = formatInfo(format);
  if (!f || (!f->renderTarget && !f->depth) || multiSample != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (quality) *quality = 1;
  return D3D_OK;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTarget, D3DFORMAT depthStencil) {
  if (adapter != 0 || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  if (!isDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
  if (!isBackBufferFormat(renderTarget) || !depthFormatAvailable(depthStencil)) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source,
                                              D3DFORMAT target) {
  if (adapter != 0 || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  const FormatInfo* s = formatInfo(source);
  const FormatInfo* t = formatInfo(target);
  if (!s || !t || s->depth || s->block || !t->renderTarget) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (adapter != 0 || !caps || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  fillCaps(caps);
  caps->DeviceType = type;
  return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT adapter) { return adapter == 0 ? (HMONITOR)1 : nullptr; }

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** out) {
  if (adapter != 0 || !pp || !out || !knownDeviceType(type)) return D3DERR_INVALIDCALL;
  if (refused("DEVICE")) return D3DERR_NOTAVAILABLE;
  DWORD vp = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                              D3DCREATE_MIXED_VERTEXPROCESSING);
  if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      vp != D3DCREATE_MIXED_VERTEXPROCESSING)
    return D3DERR_INVALIDCALL;
  if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && refused("HWTL")) return D3DERR_NOTAVAILABLE;
  HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : focusWindow;
  if (!window) return D3DERR_INVALIDCALL;
  if (pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY)
    return D3DERR_INVALIDCALL;
  if (pp->BackBufferCount > 1 || pp->MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  D3DPRESENT_PARAMETERS p = *pp;
  if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = D3DFMT_X8R8G8B8;
  if (!isBackBufferFormat(p.BackBufferFormat)) return D3DERR_NOTAVAILABLE;
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
    if (!p.Windowed) return D3DERR_INVALIDCALL;
    UINT w, h;
    windowClientSize(window, &w, &h);
    if (p.BackBufferWidth == 0) p.BackBufferWidth = w;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = h;
  }
  if (p.BackBufferWidth > 4096 || p.BackBufferHeight > 4096) return D3DERR_NOTAVAILABLE;
  if (p.EnableAutoDepthStencil && !depthFormatAvailable(p.AutoDepthStencilFormat)) return D3DERR_NOTAVAILABLE;
  D3DDEVICE_CREATION_PARAMETERS creation = {adapter, type, focusWindow, behaviorFlags};
  Device* device = nullptr;
  try {
    device = new Device(this, creation, p);
    if (!device->initialise()) {
      device->Release();
      return E_OUTOFMEMORY;
    }
  } catch (const std::bad_alloc&) {
    if (device) device->Release();
    return E_OUTOFMEMORY;
  }
  *pp = p;
  *out = device;
  return D3D_OK;
}

}  // namespace d3d9rt

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    SkyvaleRegisterModule("d3d9.dll", &d3d9rt::lookupExport);
  }
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new (std::nothrow) d3d9rt::Direct3D();
}

int WINAPI DebugSetMute(BOOL mute) {
  BOOL previous = d3d9rt::gMuted;
  d3d9rt::gMuted = mute ? TRUE : FALSE;
  return previous;
}
