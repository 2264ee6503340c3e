// The main window and the Direct3D device, with a 16-bit depth buffer as the fallback.
#include "d3d_app.h"

bool InitD3D(HINSTANCE instance, int width, int height, bool windowed, D3DDEVTYPE deviceType,
             IDirect3DDevice9** device) {
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc)) {
    ShowFailure("RegisterClass() - FAILED");
    return false;
  }

  HWND window = CreateWindowExA(0, kWindowClass, kWindowCaption, 8, 0, 0, width, height, nullptr, nullptr,
                                instance, nullptr);
  if (!window) {
    ShowFailure("CreateWindow() - FAILED");
    return false;
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  IDirect3D9* d3d9 = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d9) {
    ShowFailure("Direct3DCreate9() - FAILED");
    return false;
  }

  D3DCAPS9 caps{};
  d3d9->GetDeviceCaps(D3DADAPTER_DEFAULT, deviceType, &caps);
  DWORD vertexProcessing = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                               ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                               : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = (UINT)width;
  pp.BackBufferHeight = (UINT)height;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = D3DMULTISAMPLE_NONE;
  pp.MultiSampleQuality = 0;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = windowed;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.Flags = 0;
  pp.FullScreen_RefreshRateInHz = 0;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

  HRESULT hr = d3d9->CreateDevice(D3DADAPTER_DEFAULT, deviceType, window, vertexProcessing, &pp, device);
  if (FAILED(hr)) {
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    hr = d3d9->CreateDevice(D3DADAPTER_DEFAULT, deviceType, window, vertexProcessing, &pp, device);
    if (FAILED(hr)) {
      d3d9->Release();
      ShowFailure("CreateDevice() - FAILED");
      return false;
    }
  }
  d3d9->Release();
  return true;
}
