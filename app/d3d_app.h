// The demo shell: program entry, window and device, message loop, set-up, frame.
#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <windows.h>

#include "camera.h"
#include "mesh_model.h"

// The window caption "Skyvale（演示）—Dravik" in the ANSI code page 936.
inline constexpr char kWindowCaption[] =
    "Skyvale\xA3\xA8\xD1\xDD\xCA\xBE\xA3\xA9\xA1\xAA"
    "Dravik";
inline constexpr char kWindowClass[] = "Direct3D9App";

extern IDirect3DDevice9* gDevice;
extern Camera gCamera;

// Made by Setup, released by Shutdown.
extern IDirect3DTexture9* gLeftEyeTexture;
extern IDirect3DTexture9* gRightEyeTexture;
extern IDirect3DVertexBuffer9* gQuadBuffer;
extern D3DLIGHT9 gWhiteLight, gLeftEyeLight, gRightEyeLight;
extern MeshModel* gAirplane;  // null when its file could not be loaded

// Frame state, kept between frames.
extern bool gStereo;
extern bool gShowLeftEye;
extern bool gShowRightEye;
extern float gPlaneAngle;
extern char gFpsText[32];

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
bool InitD3D(HINSTANCE instance, int width, int height, bool windowed, D3DDEVTYPE deviceType,
             IDirect3DDevice9** device);
int RunMessageLoop();
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool Setup();
void Shutdown();
bool RenderFrame(float seconds);
bool DrawScene(float seconds, bool advance);

// The frame-rate line: counts frames and, once a second has gathered, sets gFpsText to "FPS:"
// and the first 8 characters of the rate printed with "%f".
void UpdateFrameRate(float seconds);
void ResetFrameState();
// The airplane's world matrix for its current angle on the circle.
D3DXMATRIX AirplaneWorld();

// Every message of the demo: no owner, no caption, an OK button.
void ShowFailure(const char* text);
