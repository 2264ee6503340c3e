// The Direct3D 9 runtime: the object that creates devices, the device, and its resources.
// Interfaces are abstract classes with reference counts that start at 1.
#pragma once
#pragma GCC visibility push(default)
#include <windows.h>

#include "d3d9caps.h"
#include "d3d9types.h"

#define D3D_SDK_VERSION 31
#define D3DADAPTER_DEFAULT 0

#define _FACD3D 0x876
#define MAKE_D3DHRESULT(code) MAKE_HRESULT(1, _FACD3D, code)
#define MAKE_D3DSTATUS(code) MAKE_HRESULT(0, _FACD3D, code)
#define D3D_OK S_OK
#define D3DERR_WRONGTEXTUREFORMAT MAKE_D3DHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION MAKE_D3DHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG MAKE_D3DHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION MAKE_D3DHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG MAKE_D3DHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS MAKE_D3DHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER MAKE_D3DHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE MAKE_D3DHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE MAKE_D3DHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER MAKE_D3DHRESULT(2082)
#define D3DERR_CONFLICTINGTEXTUREPALETTE MAKE_D3DHRESULT(2086)
#define D3DERR_DRIVERINTERNALERROR MAKE_D3DHRESULT(2087)
#define D3DERR_NOTFOUND MAKE_D3DHRESULT(2150)
#define D3DERR_MOREDATA MAKE_D3DHRESULT(2151)
#define D3DERR_DEVICELOST MAKE_D3DHRESULT(2152)
#define D3DERR_DEVICENOTRESET MAKE_D3DHRESULT(2153)
#define D3DERR_NOTAVAILABLE MAKE_D3DHRESULT(2154)
#define D3DERR_OUTOFVIDEOMEMORY MAKE_D3DHRESULT(380)
#define D3DERR_INVALIDDEVICE MAKE_D3DHRESULT(2155)
#define D3DERR_INVALIDCALL MAKE_D3DHRESULT(2156)
#define D3DERR_DRIVERINVALIDCALL MAKE_D3DHRESULT(2157)
#define D3DERR_WASSTILLDRAWING MAKE_D3DHRESULT(540)
#define D3DOK_NOAUTOGEN MAKE_D3DSTATUS(2159)

#define D3DCREATE_FPU_PRESERVE 0x00000002L
#define D3DCREATE_MULTITHREADED 0x00000004L
#define D3DCREATE_PUREDEVICE 0x00000010L
#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x00000020L
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040L
#define D3DCREATE_MIXED_VERTEXPROCESSING 0x00000080L
#define D3DCREATE_DISABLE_DRIVER_MANAGEMENT 0x00000100L
#define D3DCREATE_ADAPTERGROUP_DEVICE 0x00000200L
#define D3DCREATE_NOWINDOWCHANGES 0x00000800L

#define D3DSGR_NO_CALIBRATION 0x00000000L
#define D3DSGR_CALIBRATE 0x00000001L

// clang-format off
DEFINE_GUID(IID_IDirect3D9, 0x81bdcbca, 0x64d4, 0x426d, 0xae, 0x8d, 0xad, 0x1, 0x47, 0xf4, 0x27, 0x5c);
DEFINE_GUID(IID_IDirect3DDevice9, 0xd0223b96, 0xbf7a, 0x43fd, 0x92, 0xbd, 0xa4, 0x3b, 0xd, 0x82, 0xb9, 0xeb);
DEFINE_GUID(IID_IDirect3DResource9, 0x5eec05d, 0x8f7d, 0x4362, 0xb9, 0x99, 0xd1, 0xba, 0xf3, 0x57, 0xc7, 0x4);
DEFINE_GUID(IID_IDirect3DBaseTexture9, 0x580ca87e, 0x1d3c, 0x4d54, 0x99, 0x1d, 0xb7, 0xd3, 0xe3, 0xc2, 0x98, 0xce);
DEFINE_GUID(IID_IDirect3DTexture9, 0x85c31227, 0x3de5, 0x4f00, 0x9b, 0x3a, 0xf1, 0x1a, 0xc3, 0x8c, 0x18, 0xb5);
DEFINE_GUID(IID_IDirect3DCubeTexture9, 0xfff32f81, 0xd953, 0x473a, 0x92, 0x23, 0x93, 0xd6, 0x52, 0xab, 0xa9, 0x3f);
DEFINE_GUID(IID_IDirect3DVolumeTexture9, 0x2518526c, 0xe789, 0x4111, 0xa7, 0xb9, 0x47, 0xef, 0x32, 0x8d, 0x13, 0xe6);
DEFINE_GUID(IID_IDirect3DVertexBuffer9, 0xb64bb1b5, 0xfd70, 0x4df6, 0xbf, 0x91, 0x19, 0xd0, 0xa1, 0x24, 0x55, 0xe3);
DEFINE_GUID(IID_IDirect3DIndexBuffer9, 0x7c9dd65e, 0xd3f7, 0x4529, 0xac, 0xee, 0x78, 0x58, 0x30, 0xac, 0xde, 0x35);
DEFINE_GUID(IID_IDirect3DSurface9, 0xcfbaf3a, 0x9ff6, 0x429a, 0x99, 0xb3, 0xa2, 0x79, 0x6a, 0xf8, 0xb8, 0x9b);
DEFINE_GUID(IID_IDirect3DVolume9, 0x24f416e6, 0x1f67, 0x4aa7, 0xb8, 0x8e, 0xd3, 0x3f, 0x6f, 0x31, 0x28, 0xa1);
DEFINE_GUID(IID_IDirect3DSwapChain9, 0x794950f2, 0xadfc, 0x458a, 0x90, 0x5e, 0x10, 0xa1, 0xb, 0xb, 0x50, 0x3b);
DEFINE_GUID(IID_IDirect3DVertexDeclaration9, 0xdd13c59c, 0x36fa, 0x4098, 0xa8, 0xfb, 0xc7, 0xed, 0x39, 0xdc, 0x85, 0x46);
DEFINE_GUID(IID_IDirect3DVertexShader9, 0xefc5557e, 0x6265, 0x4613, 0x8a, 0x94, 0x43, 0x85, 0x78, 0x89, 0xeb, 0x36);
DEFINE_GUID(IID_IDirect3DPixelShader9, 0x6d3bdbdc, 0x5b02, 0x4415, 0xb8, 0x52, 0xce, 0x5e, 0x8b, 0xcc, 0xb2, 0x89);
DEFINE_GUID(IID_IDirect3DStateBlock9, 0xb07c4fe5, 0x310d, 0x4ba8, 0xa2, 0x3c, 0x4f, 0xf, 0x20, 0x6f, 0x21, 0x8b);
DEFINE_GUID(IID_IDirect3DQuery9, 0xd9771460, 0xa695, 0x4f26, 0xbb, 0xd3, 0x27, 0xb8, 0x40, 0xb5, 0x41, 0xcc);
// clang-format on

struct IDirect3D9;
struct IDirect3DDevice9;
struct IDirect3DStateBlock9;
struct IDirect3DSwapChain9;
struct IDirect3DResource9;
struct IDirect3DVertexDeclaration9;
struct IDirect3DVertexShader9;
struct IDirect3DPixelShader9;
struct IDirect3DBaseTexture9;
struct IDirect3DTexture9;
struct IDirect3DVolumeTexture9;
struct IDirect3DCubeTexture9;
struct IDirect3DVertexBuffer9;
struct IDirect3DIndexBuffer9;
struct IDirect3DSurface9;
struct IDirect3DVolume9;
struct IDirect3DQuery9;

struct IDirect3D9 : public IUnknown {
  virtual HRESULT RegisterSoftwareDevice(void* initializeFunction) = 0;
  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) = 0;
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                   D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE devType, D3DFORMAT adapterFormat,
                                  D3DFORMAT backBufferFormat, BOOL windowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                    D3DRESOURCETYPE rType, D3DFORMAT checkFormat) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                             BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType,
                                             DWORD* qualityLevels) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                         D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) = 0;
  virtual HRESULT CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT sourceFormat,
                                              D3DFORMAT targetFormat) = 0;
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) = 0;
  virtual HMONITOR GetAdapterMonitor(UINT adapter) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* presentationParameters,
                               IDirect3DDevice9** returnedDeviceInterface) = 0;
};

struct IDirect3DDevice9 : public IUnknown {
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual UINT GetAvailableTextureMem() = 0;
  virtual HRESULT EvictManagedResources() = 0;
  virtual HRESULT GetDirect3D(IDirect3D9** d3d9) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS9* caps) = 0;
  virtual HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) = 0;
  virtual HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) = 0;
  virtual void SetCursorPosition(int x, int y, DWORD flags) = 0;
  virtual BOOL ShowCursor(BOOL show) = 0;
  virtual HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                            IDirect3DSwapChain9** swapChain) = 0;
  virtual HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) = 0;
  virtual UINT GetNumberOfSwapChains() = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                          const RGNDATA* dirtyRegion) = 0;
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** result) = 0;
  virtual HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) = 0;
  virtual HRESULT SetDialogBoxMode(BOOL enableDialogs) = 0;
  virtual void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) = 0;
  virtual void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) = 0;
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                      D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture,
                                      HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                     D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL lockable,
                                     IDirect3DSurface9** surface, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality,
                                            BOOL discard, IDirect3DSurface9** surface,
                                            HANDLE* sharedHandle) = 0;
  virtual HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                                IDirect3DSurface9* destinationSurface, const POINT* destPoint) = 0;
  virtual HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture,
                                IDirect3DBaseTexture9* destinationTexture) = 0;
  virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) = 0;
  virtual HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) = 0;
  virtual HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                              IDirect3DSurface9* destSurface, const RECT* destRect,
                              D3DTEXTUREFILTERTYPE filter) = 0;
  virtual HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) = 0;
  virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                              IDirect3DSurface9** surface, HANDLE* sharedHandle) = 0;
  virtual HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) = 0;
  virtual HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) = 0;
  virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
  virtual HRESULT SetClipPlane(DWORD index, const float* plane) = 0;
  virtual HRESULT GetClipPlane(DWORD index, float* plane) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) = 0;
  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) = 0;
  virtual HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) = 0;
  virtual HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT ValidateDevice(DWORD* numPasses) = 0;
  virtual HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) = 0;
  virtual HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) = 0;
  virtual HRESULT SetCurrentTexturePalette(UINT paletteNumber) = 0;
  virtual HRESULT GetCurrentTexturePalette(UINT* paletteNumber) = 0;
  virtual HRESULT SetScissorRect(const RECT* rect) = 0;
  virtual HRESULT GetScissorRect(RECT* rect) = 0;
  virtual HRESULT SetSoftwareVertexProcessing(BOOL software) = 0;
  virtual BOOL GetSoftwareVertexProcessing() = 0;
  virtual HRESULT SetNPatchMode(float nSegments) = 0;
  virtual float GetNPatchMode() = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                       UINT primCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                  const void* vertexStreamZeroData, UINT vertexStreamZeroStride) = 0;
  virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                         UINT numVertices, UINT primitiveCount, const void* indexData,
                                         D3DFORMAT indexDataFormat, const void* vertexStreamZeroData,
                                         UINT vertexStreamZeroStride) = 0;
  virtual HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount,
                                  IDirect3DVertexBuffer9* destBuffer, IDirect3DVertexDeclaration9* vertexDecl,
                                  DWORD flags) = 0;
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                          IDirect3DVertexDeclaration9** decl) = 0;
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) = 0;
  virtual HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) = 0;
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* fvf) = 0;
  virtual HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) = 0;
  virtual HRESULT SetVertexShader(IDirect3DVertexShader9* shader) = 0;
  virtual HRESULT GetVertexShader(IDirect3DVertexShader9** shader) = 0;
  virtual HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                           UINT vector4fCount) = 0;
  virtual HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData,
                                           UINT vector4iCount) = 0;
  virtual HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                  UINT stride) = 0;
  virtual HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                                  UINT* stride) = 0;
  virtual HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) = 0;
  virtual HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) = 0;
  virtual HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) = 0;
  virtual HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) = 0;
  virtual HRESULT SetPixelShader(IDirect3DPixelShader9* shader) = 0;
  virtual HRESULT GetPixelShader(IDirect3DPixelShader9** shader) = 0;
  virtual HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData,
                                          UINT vector4fCount) = 0;
  virtual HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) = 0;
  virtual HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData,
                                          UINT vector4iCount) = 0;
  virtual HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) = 0;
  virtual HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) = 0;
  virtual HRESULT DrawRectPatch(UINT handle, const float* numSegs,
                                const D3DRECTPATCH_INFO* rectPatchInfo) = 0;
  virtual HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) = 0;
  virtual HRESULT DeletePatch(UINT handle) = 0;
  virtual HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) = 0;
};

struct IDirect3DStateBlock9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT Capture() = 0;
  virtual HRESULT Apply() = 0;
};

struct IDirect3DSwapChain9 : public IUnknown {
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                          const RGNDATA* dirtyRegion, DWORD flags) = 0;
  virtual HRESULT GetFrontBufferData(IDirect3DSurface9* destSurface) = 0;
  virtual HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** result) = 0;
  virtual HRESULT GetRasterStatus(D3DRASTER_STATUS* rasterStatus) = 0;
  virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetPresentParameters(D3DPRESENT_PARAMETERS* presentationParameters) = 0;
};

struct IDirect3DResource9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT SetPrivateData(REFGUID refguid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
  virtual HRESULT GetPrivateData(REFGUID refguid, void* data, DWORD* sizeOfData) = 0;
  virtual HRESULT FreePrivateData(REFGUID refguid) = 0;
  virtual DWORD SetPriority(DWORD priorityNew) = 0;
  virtual DWORD GetPriority() = 0;
  virtual void PreLoad() = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DVertexDeclaration9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) = 0;
};

struct IDirect3DVertexShader9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetFunction(void* data, UINT* sizeOfData) = 0;
};

struct IDirect3DPixelShader9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetFunction(void* data, UINT* sizeOfData) = 0;
};

struct IDirect3DBaseTexture9 : public IDirect3DResource9 {
  virtual DWORD SetLOD(DWORD lodNew) = 0;
  virtual DWORD GetLOD() = 0;
  virtual DWORD GetLevelCount() = 0;
  virtual HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filterType) = 0;
  virtual D3DTEXTUREFILTERTYPE GetAutoGenFilterType() = 0;
  virtual void GenerateMipSubLevels() = 0;
};

struct IDirect3DTexture9 : public IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surfaceLevel) = 0;
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
  virtual HRESULT AddDirtyRect(const RECT* dirtyRect) = 0;
};

struct IDirect3DVolumeTexture9 : public IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) = 0;
  virtual HRESULT GetVolumeLevel(UINT level, IDirect3DVolume9** volumeLevel) = 0;
  virtual HRESULT LockBox(UINT level, D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
  virtual HRESULT UnlockBox(UINT level) = 0;
  virtual HRESULT AddDirtyBox(const D3DBOX* dirtyBox) = 0;
};

struct IDirect3DCubeTexture9 : public IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES faceType, UINT level,
                                    IDirect3DSurface9** cubeMapSurface) = 0;
  virtual HRESULT LockRect(D3DCUBEMAP_FACES faceType, UINT level, D3DLOCKED_RECT* lockedRect,
                           const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(D3DCUBEMAP_FACES faceType, UINT level) = 0;
  virtual HRESULT AddDirtyRect(D3DCUBEMAP_FACES faceType, const RECT* dirtyRect) = 0;
};

struct IDirect3DVertexBuffer9 : public IDirect3DResource9 {
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DIndexBuffer9 : public IDirect3DResource9 {
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DSurface9 : public IDirect3DResource9 {
  virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect() = 0;
  virtual HRESULT GetDC(HDC* hdc) = 0;
  virtual HRESULT ReleaseDC(HDC hdc) = 0;
};

struct IDirect3DVolume9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT SetPrivateData(REFGUID refguid, const void* data, DWORD sizeOfData, DWORD flags) = 0;
  virtual HRESULT GetPrivateData(REFGUID refguid, void* data, DWORD* sizeOfData) = 0;
  virtual HRESULT FreePrivateData(REFGUID refguid) = 0;
  virtual HRESULT GetContainer(REFIID riid, void** container) = 0;
  virtual HRESULT GetDesc(D3DVOLUME_DESC* desc) = 0;
  virtual HRESULT LockBox(D3DLOCKED_BOX* lockedVolume, const D3DBOX* box, DWORD flags) = 0;
  virtual HRESULT UnlockBox() = 0;
};

struct IDirect3DQuery9 : public IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual D3DQUERYTYPE GetType() = 0;
  virtual DWORD GetDataSize() = 0;
  virtual HRESULT Issue(DWORD issueFlags) = 0;
  virtual HRESULT GetData(void* data, DWORD size, DWORD getDataFlags) = 0;
};

typedef IDirect3D9* LPDIRECT3D9;
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;
typedef IDirect3DBaseTexture9* LPDIRECT3DBASETEXTURE9;
typedef IDirect3DCubeTexture9* LPDIRECT3DCUBETEXTURE9;
typedef IDirect3DVolumeTexture9* LPDIRECT3DVOLUMETEXTURE9;
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;
typedef IDirect3DIndexBuffer9* LPDIRECT3DINDEXBUFFER9;
typedef IDirect3DSurface9* LPDIRECT3DSURFACE9;
typedef IDirect3DVolume9* LPDIRECT3DVOLUME9;
typedef IDirect3DStateBlock9* LPDIRECT3DSTATEBLOCK9;
typedef IDirect3DVertexDeclaration9* LPDIRECT3DVERTEXDECLARATION9;
typedef IDirect3DQuery9* LPDIRECT3DQUERY9;

// Creates the runtime object. Any version other than D3D_SDK_VERSION gives no object.
IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion);

// Debug-runtime mute switch; this runtime has no debug output, so it only records the flag.
int WINAPI DebugSetMute(BOOL mute);
#pragma GCC visibility pop
