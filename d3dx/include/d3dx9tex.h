// The texture library's public interface: filters, image files, texture creation and loading.
#pragma once
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
