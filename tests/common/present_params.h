// Windowed present parameters for tests and benchmarks that make their own devices.
#pragma once
#include <d3d9.h>

// One back buffer, discarded swaps, no wait for the display, and an automatic depth buffer
// unless `depth` is D3DFMT_UNKNOWN.
inline D3DPRESENT_PARAMETERS WindowedPresentParameters(HWND window, D3DFORMAT backBuffer, D3DFORMAT depth,
                                                       UINT width, UINT height) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = backBuffer;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = window;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
  pp.AutoDepthStencilFormat = depth;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}
