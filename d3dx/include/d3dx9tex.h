// The texture library's public interface: filters, image files, texture creation and loading.
#pragma once
#pragma GCC visibility push(default)
#include "d3dx9.h"

// Filter words: the type in the low 16 bits, flags above; no bit at or above 0x400000.
#define D3DX_FILTER_NONE 1
#define D3DX_FILTER_POINT 2
#define D3DX_FILTER_LINEAR 3
#define D3DX_FILTER_TRIANGLE 4
#define D3DX_FILTER_BOX 5

#define D3DX_FILTER_MIRROR_U 0x00010000
#define D3DX_FILTER_MIRROR_V 0x00020000
#define D3DX_FILTER_MIRROR_W 0x00040000
#define D3DX_FILTER_MIRROR 0x00070000
#define D3DX_FILTER_DITHER 0x00080000
#define D3DX_FILTER_SRGB_IN 0x00100000
#define D3DX_FILTER_SRGB_OUT 0x00200000
#define D3DX_FILTER_SRGB 0x00300000

// Pixel transfer between memory, surfaces and volumes of any formats and sizes. `Filter` is a
// filter word (D3DX_DEFAULT: triangle with dithering); a null destination rectangle or box is
// the whole surface or volume, a null source one in the surface forms the whole source.
HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                         const RECT* pDestRect, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                         UINT SrcPitch, const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey);
HRESULT WINAPI D3DXLoadVolumeFromMemory(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                        const D3DBOX* pDestBox, LPCVOID pSrcMemory, D3DFORMAT SrcFormat,
                                        UINT SrcRowPitch, UINT SrcSlicePitch, const PALETTEENTRY* pSrcPalette,
                                        const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey);
HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                          const RECT* pDestRect, LPDIRECT3DSURFACE9 pSrcSurface,
                                          const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey);
HRESULT WINAPI D3DXLoadVolumeFromVolume(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                        const D3DBOX* pDestBox, LPDIRECT3DVOLUME9 pSrcVolume,
                                        const PALETTEENTRY* pSrcPalette, const D3DBOX* pSrcBox, DWORD Filter,
                                        D3DCOLOR ColorKey);

// Fills the levels below `SrcLevel` (D3DX_DEFAULT: 0) of a texture, cube texture or volume
// texture from that level. `Filter` D3DX_DEFAULT: box for power-of-two sizes, else triangle with
// dithering.
HRESULT WINAPI D3DXFilterTexture(LPDIRECT3DBASETEXTURE9 pBaseTexture, const PALETTEENTRY* pPalette,
                                 UINT SrcLevel, DWORD Filter);
#define D3DXFilterCubeTexture D3DXFilterTexture
#define D3DXFilterVolumeTexture D3DXFilterTexture

// Image files: the container a decoder recognised, and what a file holds.
typedef enum _D3DXIMAGE_FILEFORMAT {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

HRESULT WINAPI D3DXGetImageInfoFromFileA(LPCSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXGetImageInfoFromFileW(LPCWSTR pSrcFile, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXGetImageInfoFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource,
                                             D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXGetImageInfoFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource,
                                             D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo);
#define D3DXGetImageInfoFromFile D3DXGetImageInfoFromFileA
#define D3DXGetImageInfoFromResource D3DXGetImageInfoFromResourceA

// Texture sizes, levels and formats that a device accepts: every non-null argument is adjusted
// in place (D3DX_DEFAULT sizes are 256, D3DX_DEFAULT or 0 levels the full chain).
HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pWidth, UINT* pHeight,
                                            UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                            D3DPOOL Pool);
HRESULT WINAPI D3DXCheckCubeTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pSize, UINT* pNumMipLevels,
                                                DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool);
HRESULT WINAPI D3DXCheckVolumeTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pWidth, UINT* pHeight,
                                                  UINT* pDepth, UINT* pNumMipLevels, DWORD Usage,
                                                  D3DFORMAT* pFormat, D3DPOOL Pool);

// Empty textures, their arguments adjusted as the requirement checks do.
HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels,
                                 DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateCubeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Size, UINT MipLevels, DWORD Usage,
                                     D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateVolumeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT Depth,
                                       UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);

// Textures from image files on disk, in module resources (RT_BITMAP before RT_RCDATA) or in
// memory. Sizes 0 or D3DX_DEFAULT round the image size up to powers of two, D3DX_DEFAULT_NONPOW2
// keeps it; Format D3DFMT_UNKNOWN follows the image; ColorKey (ARGB, 0 for none) becomes
// transparent black. The short forms take the defaults and D3DPOOL_MANAGED.
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                   UINT SrcDataSize, UINT Width, UINT Height, UINT MipLevels,
                                                   DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                   DWORD MipFilter, D3DCOLOR ColorKey,
                                                   D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                            D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                LPCWSTR pSrcResource, UINT Width, UINT Height, UINT MipLevels,
                                                DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                          LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                              LPCWSTR pSrcResource, LPDIRECT3DTEXTURE9* ppTexture);
#define D3DXCreateTextureFromFile D3DXCreateTextureFromFileA
#define D3DXCreateTextureFromFileEx D3DXCreateTextureFromFileExA
#define D3DXCreateTextureFromResource D3DXCreateTextureFromResourceA
#define D3DXCreateTextureFromResourceEx D3DXCreateTextureFromResourceExA

// Cube textures need an image of six faces (+X, -X, +Y, -Y, +Z, -Z); volume textures take the
// image's slices.
HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize, UINT Size, UINT MipLevels,
                                                       DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                       DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                         UINT SrcDataSize, UINT Width, UINT Height,
                                                         UINT Depth, UINT MipLevels, DWORD Usage,
                                                         D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                         DWORD MipFilter, D3DCOLOR ColorKey,
                                                         D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                         LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);

HRESULT WINAPI D3DXCreateCubeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Size,
                                                UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Size,
                                                UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCSTR pSrcResource, UINT Size, UINT MipLevels,
                                                    DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                    DWORD MipFilter, D3DCOLOR ColorKey,
                                                    D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                    LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCWSTR pSrcResource, UINT Size, UINT MipLevels,
                                                    DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                    DWORD MipFilter, D3DCOLOR ColorKey,
                                                    D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                    LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                     UINT SrcDataSize, LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                              LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                              LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                  LPCSTR pSrcResource, LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                  LPCWSTR pSrcResource,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
#define D3DXCreateCubeTextureFromFile D3DXCreateCubeTextureFromFileA
#define D3DXCreateCubeTextureFromFileEx D3DXCreateCubeTextureFromFileExA
#define D3DXCreateCubeTextureFromResource D3DXCreateCubeTextureFromResourceA
#define D3DXCreateCubeTextureFromResourceEx D3DXCreateCubeTextureFromResourceExA

HRESULT WINAPI D3DXCreateVolumeTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                                  UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  DWORD MipFilter, D3DCOLOR ColorKey,
                                                  D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                  LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromFileExW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile, UINT Width,
                                                  UINT Height, UINT Depth, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  DWORD MipFilter, D3DCOLOR ColorKey,
                                                  D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                  LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                      LPCSTR pSrcResource, UINT Width, UINT Height,
                                                      UINT Depth, UINT MipLevels, DWORD Usage,
                                                      D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                      DWORD MipFilter, D3DCOLOR ColorKey,
                                                      D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                      LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromResourceExW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                      LPCWSTR pSrcResource, UINT Width, UINT Height,
                                                      UINT Depth, UINT MipLevels, DWORD Usage,
                                                      D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                      DWORD MipFilter, D3DCOLOR ColorKey,
                                                      D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                      LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize,
                                                       LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile,
                                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromFileW(LPDIRECT3DDEVICE9 pDevice, LPCWSTR pSrcFile,
                                                LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCSTR pSrcResource,
                                                    LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
HRESULT WINAPI D3DXCreateVolumeTextureFromResourceW(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule,
                                                    LPCWSTR pSrcResource,
                                                    LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture);
#define D3DXCreateVolumeTextureFromFile D3DXCreateVolumeTextureFromFileA
#define D3DXCreateVolumeTextureFromFileEx D3DXCreateVolumeTextureFromFileExA
#define D3DXCreateVolumeTextureFromResource D3DXCreateVolumeTextureFromResourceA
#define D3DXCreateVolumeTextureFromResourceEx D3DXCreateVolumeTextureFromResourceExA

// Every texel of every level from a callback: the texel centre's coordinate (a direction for cube
// faces) and the texel size in, the colour (x, y, z, w as r, g, b, a) out.
typedef VOID(WINAPI* LPD3DXFILL2D)(D3DXVECTOR4* pOut, const D3DXVECTOR2* pTexCoord,
                                   const D3DXVECTOR2* pTexelSize, LPVOID pData);
typedef VOID(WINAPI* LPD3DXFILL3D)(D3DXVECTOR4* pOut, const D3DXVECTOR3* pTexCoord,
                                   const D3DXVECTOR3* pTexelSize, LPVOID pData);
HRESULT WINAPI D3DXFillTexture(LPDIRECT3DTEXTURE9 pTexture, LPD3DXFILL2D pFunction, LPVOID pData);
HRESULT WINAPI D3DXFillCubeTexture(LPDIRECT3DCUBETEXTURE9 pCubeTexture, LPD3DXFILL3D pFunction, LPVOID pData);
HRESULT WINAPI D3DXFillVolumeTexture(LPDIRECT3DVOLUMETEXTURE9 pVolumeTexture, LPD3DXFILL3D pFunction,
                                     LPVOID pData);

// A surface or volume loaded from an image file's first level; a given source rectangle or box
// must lie inside it.
HRESULT WINAPI D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE9 pDestSurface,
                                               const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                               LPCVOID pSrcData, UINT SrcDataSize, const RECT* pSrcRect,
                                               DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadSurfaceFromFileA(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                        const RECT* pDestRect, LPCSTR pSrcFile, const RECT* pSrcRect,
                                        DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadSurfaceFromFileW(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                        const RECT* pDestRect, LPCWSTR pSrcFile, const RECT* pSrcRect,
                                        DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadSurfaceFromResourceA(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                            const RECT* pDestRect, HMODULE hSrcModule, LPCSTR pSrcResource,
                                            const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadSurfaceFromResourceW(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                            const RECT* pDestRect, HMODULE hSrcModule, LPCWSTR pSrcResource,
                                            const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadVolumeFromFileInMemory(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                              const D3DBOX* pDestBox, LPCVOID pSrcData, UINT SrcDataSize,
                                              const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                              D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadVolumeFromFileA(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                       const D3DBOX* pDestBox, LPCSTR pSrcFile, const D3DBOX* pSrcBox,
                                       DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadVolumeFromFileW(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                       const D3DBOX* pDestBox, LPCWSTR pSrcFile, const D3DBOX* pSrcBox,
                                       DWORD Filter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadVolumeFromResourceA(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                           const D3DBOX* pDestBox, HMODULE hSrcModule, LPCSTR pSrcResource,
                                           const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                           D3DXIMAGE_INFO* pSrcInfo);
HRESULT WINAPI D3DXLoadVolumeFromResourceW(LPDIRECT3DVOLUME9 pDestVolume, const PALETTEENTRY* pDestPalette,
                                           const D3DBOX* pDestBox, HMODULE hSrcModule, LPCWSTR pSrcResource,
                                           const D3DBOX* pSrcBox, DWORD Filter, D3DCOLOR ColorKey,
                                           D3DXIMAGE_INFO* pSrcInfo);
#define D3DXLoadSurfaceFromFile D3DXLoadSurfaceFromFileA
#define D3DXLoadSurfaceFromResource D3DXLoadSurfaceFromResourceA
#define D3DXLoadVolumeFromFile D3DXLoadVolumeFromFileA
#define D3DXLoadVolumeFromResource D3DXLoadVolumeFromResourceA
#pragma GCC visibility pop
