// The device: states, bindings, resources, draws and presentation.
#pragma once
#include <d3d9.h>

#include <cstring>

#include <map>
#include <memory>
#include <vector>

#include "objects.h"
#include "pipeline/pipeline.h"

namespace d3d9rt {

class Direct3D;
class StateBlock;
struct StateEntry;
struct StateKey;

// Render states the device knows with their defaults; `valid` for the others is false.
bool renderStateDefault(DWORD state, bool autoDepth, DWORD* value);
bool isVertexRenderState(DWORD state);
bool isPixelRenderState(DWORD state);
void fillCaps(D3DCAPS9* caps);

class Device final : public IDirect3DDevice9 {
 public:
  Device(Direct3D* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DPRESENT_PARAMETERS& pp);
  ~Device();
  // Builds the back buffer and the automatic depth buffer; false when out of memory.
  bool initialise();

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;

  // Device, adapter and presentation
  HRESULT TestCooperativeLevel() override { return D3D_OK; }
  UINT GetAvailableTextureMem() override { return 512u << 20; }
  HRESULT EvictManagedResources() override { return D3D_OK; }
  HRESULT GetDirect3D(IDirect3D9** d3d9) override;
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
  HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface9*) override { return D3D_OK; }
  void SetCursorPosition(int, int, DWORD) override {}
  BOOL ShowCursor(BOOL show) override;
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**) override {
    return D3DERR_NOTAVAILABLE;
  }
  HRESULT GetSwapChain(UINT, IDirect3DSwapChain9**) override { return D3DERR_NOTAVAILABLE; }
  UINT GetNumberOfSwapChains() override { return 1; }
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** result) override;
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override;
  HRESULT SetDialogBoxMode(BOOL) override { return D3D_OK; }
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override;
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override;

  // Resources
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture,
                              HANDLE* sharedHandle) override;
  HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                             HANDLE* sharedHandle) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                    D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL discard,
                                    IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                        IDirect3DSurface9* destinationSurface, const POINT* destPoint) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture,
                        IDirect3DBaseTexture9* destinationTexture) override;
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override;
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override;
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                      IDirect3DSurface9* destSurface, const RECT* destRect,
                      D3DTEXTUREFILTERTYPE filter) override;
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override;

  // Targets and scenes
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override;
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;

  // Fixed-function state
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT GetMaterial(D3DMATERIAL9* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetClipPlane(DWORD index, const float* plane) override;
  HRESULT GetClipPlane(DWORD index, float* plane) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override;
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override;
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT ValidateDevice(DWORD* numPasses) override;
  HRESULT SetPaletteEntries(UINT, const PALETTEENTRY*) override { return D3DERR_INVALIDCALL; }
  HRESULT GetPaletteEntries(UINT, PALETTEENTRY*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetCurrentTexturePalette(UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetCurrentTexturePalette(UINT*) override { return D3DERR_INVALIDCALL; }
  HRESULT SetScissorRect(const RECT* rect) override;
  HRESULT GetScissorRect(RECT* rect) override;
  HRESULT SetSoftwareVertexProcessing(BOOL software) override;
  BOOL GetSoftwareVertexProcessing() override { return softwareVP_; }
  HRESULT SetNPatchMode(float nSegments) override;
  float GetNPatchMode() override { return nPatch_; }

  // Drawing
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                          const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override;
  HRESULT ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*,
                          DWORD) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                  IDirect3DVertexDeclaration9** decl) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override;
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;

  // Shaders are not supported: only the null shader may be set.
  HRESULT CreateVertexShader(const DWORD*, IDirect3DVertexShader9**) override { return D3DERR_INVALIDCALL; }
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
  HRESULT SetVertexShaderConstantF(UINT, const float*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetVertexShaderConstantF(UINT, float*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetVertexShaderConstantI(UINT, const int*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetVertexShaderConstantI(UINT, int*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetVertexShaderConstantB(UINT, const BOOL*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetVertexShaderConstantB(UINT, BOOL*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override;
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                          UINT* stride) override;
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override;
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override;
  HRESULT CreatePixelShader(const DWORD*, IDirect3DPixelShader9**) override { return D3DERR_INVALIDCALL; }
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;
  HRESULT SetPixelShaderConstantF(UINT, const float*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetPixelShaderConstantF(UINT, float*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetPixelShaderConstantI(UINT, const int*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetPixelShaderConstantI(UINT, int*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT SetPixelShaderConstantB(UINT, const BOOL*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT GetPixelShaderConstantB(UINT, BOOL*, UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) override { return D3DERR_INVALIDCALL; }
  HRESULT DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) override { return D3DERR_INVALIDCALL; }
  HRESULT DeletePatch(UINT) override { return D3DERR_INVALIDCALL; }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;

  // For the runtime's objects.
  // Completes the pipeline's deferred work when `epoch` says it may still use a resource.
  void flushIfUsing(uint64_t epoch) {
    if (epoch == epoch_) flush();
  }
  void flush();
  // A level locked with D3DLOCK_DISCARD while the pipeline may still sample it: its old bytes are
  // kept until the next flush and it gets other storage of the same size, so the lock need not
  // wait for the drawing (text uploads one tile after another through one dynamic texture).
  void renameStorage(std::vector<uint8_t>& bytes);
  uint64_t epoch() const { return epoch_; }
  swr::Pipeline& pipeline() { return *pipeline_; }
  // A texture's texels changed: when it is bound, the pixel state changed too.
  void textureChanged(TextureCore* texture);
  // State blocks read and write the device's state through these.
  void readState(const StateKey& key, StateEntry& entry);
  void writeState(const StateKey& key, const StateEntry& entry);
  void allStateKeys(D3DSTATEBLOCKTYPE type, std::vector<StateKey>* keys);
  bool recording() const { return recording_ != nullptr; }
  // The state the pipeline is given (tests check its versions).
  const swr::DrawState& drawState() const { return state_; }

 private:
  HRESULT createSurface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool, bool lockable,
                        bool depth, IDirect3DSurface9** out);
  void updateTargets();
  void rebuildLights();
  bool prepareDraw(UINT stride);
  // What the setters do when the value is new (or a state block is being recorded).
  [[gnu::noinline]] HRESULT changeTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  [[gnu::noinline]] HRESULT changeStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset,
                                               UINT stride);
  [[gnu::noinline]] HRESULT changeIndices(IDirect3DIndexBuffer9* data);
  [[gnu::noinline]] HRESULT changeVertexDeclaration(IDirect3DVertexDeclaration9* decl);
  HRESULT drawChecked(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t* vertices, UINT vertexCount,
                      const void* indices, bool index32, UINT minIndex, UINT numVertices, UINT stride);
  void resetViewportToTarget();
  void markTargetsUsed();
  void resetUserStreams(bool indexed);
  void releaseBindings();
  void setDefaults();

  ULONG refs_ = 1;
  Direct3D* d3d_;
  D3DDEVICE_CREATION_PARAMETERS creation_;
  D3DPRESENT_PARAMETERS pp_;
  std::unique_ptr<swr::Pipeline> pipeline_;
  uint64_t epoch_ = 1;
  std::vector<std::vector<uint8_t>> retired_;  // renamed storage the pipeline may still read
  std::vector<std::vector<uint8_t>> spare_;    // retired storage after a flush, for the next renames
  size_t retiredBytes_ = 0;

  swr::DrawState state_;
  D3DMATRIX worlds_[256];  // world matrices 1..255 (0 lives in state_.world)
  TextureCore* textures_[8] = {};
  IDirect3DBaseTexture9* boundInterfaces_[8] = {};  // what SetTexture was given for textures_
  unsigned boundStages_ = 0;                        // bit i: textures_[i] is set
  struct Stream {
    VertexBuffer* buffer = nullptr;
    UINT offset = 0, stride = 0, frequency = 1;
  } streams_[16];
  IndexBuffer* indices_ = nullptr;
  VertexDeclaration* declaration_ = nullptr;
  DWORD fvf_ = 0;
  swr::VertexLayout layout_;
  bool layoutValid_ = false;
  UINT layoutExtent_ = 0;
  bool layoutDirty_ = true;
  struct LightSlot {
    D3DLIGHT9 light;
    bool enabled;
  };
  std::map<DWORD, LightSlot> lights_;
  std::vector<D3DLIGHT9> enabledLights_;
  float nPatch_ = 0.0f;
  BOOL softwareVP_ = FALSE;
  D3DCLIPSTATUS9 clipStatus_ = {0, 0};
  D3DGAMMARAMP gamma_;
  uint64_t stateVersion_ = 1;

  // What the pipeline derives from a state: bumping a kind's version retires its cached records.
  enum class Feeds { Vertex = 1, Pixel = 2, Both = 3 };
  void bumpState(Feeds feeds) {
    const uint64_t v = ++stateVersion_;
    if (int(feeds) & int(Feeds::Vertex)) state_.vertexVersion = v;
    if (int(feeds) & int(Feeds::Pixel)) state_.pixelVersion = v;
  }
  // Every state setter ends here: a value already in force (bit for bit) changes nothing.
  template <typename T>
  void assignState(T& slot, const T& value, Feeds feeds) {
    if (std::memcmp(&slot, &value, sizeof(T)) == 0) return;
    std::memcpy(&slot, &value, sizeof(T));
    bumpState(feeds);
  }

  Surface* backBuffer_ = nullptr;
  Surface* autoDepth_ = nullptr;
  Surface* renderTarget_ = nullptr;
  Surface* depthStencil_ = nullptr;
  swr::RenderTargets targets_;
  bool inScene_ = false;
  StateBlock* recording_ = nullptr;
};

// The IDirect3D9 object.
class Direct3D final : public IDirect3D9 {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;
  HRESULT RegisterSoftwareDevice(void*) override { return D3DERR_INVALIDCALL; }
  UINT GetAdapterCount() override { return 1; }
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override;
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE devType, D3DFORMAT adapterFormat,
                          D3DFORMAT backBufferFormat, BOOL windowed) override;
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE rType, D3DFORMAT checkFormat) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                     BOOL windowed, D3DMULTISAMPLE_TYPE multiSampleType,
                                     DWORD* qualityLevels) override;
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                 D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override;
  HRESULT CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT sourceFormat,
                                      D3DFORMAT targetFormat) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* caps) override;
  HMONITOR GetAdapterMonitor(UINT adapter) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* presentationParameters,
                       IDirect3DDevice9** returnedDevice) override;

 private:
  ULONG refs_ = 1;
};

// The size of a window's client area, or 640 x 480 when it cannot be read.
void windowClientSize(HWND window, UINT* width, UINT* height);
// Whether the SKYVALE_D3D9_REFUSE list names `word`.
bool refused(const char* word);
// Device types this runtime answers for.
inline bool knownDeviceType(D3DDEVTYPE type) {
  return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF || type == D3DDEVTYPE_SW;
}

}  // namespace d3d9rt
