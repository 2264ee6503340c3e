// The demo shell: program entry, window and device, message loop, set-up, frame.
#pragma once
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>

#include "camera.h"
#include "d3d_utility.h"
#include "skybox.h"
#include "terrain.h"

// The window caption "Skyvale（演示）—Dravik" in the ANSI code page 936.
inline constexpr char kWindowCaption[] =
    "Skyvale\xA3\xA8\xD1\xDD\xCA\xBE\xA3\xA9\xA1\xAA"
    "Dravik";
inline constexpr char kWindowClass[] = "Direct3D9App";

// The help lines in the ANSI code page 936: " W 进 S 退 A 左 D 右 - 移动；↑仰 ↓俯 →右 ←左 - 旋转"
// (walk and turn keys) and " 1 关闭立体模式\n 2 开启立体模式\n 3 左眼视图\n 4 右眼视图\n" (view keys).
inline constexpr char kMoveHelpText[] =
    " W \xBD\xF8 S \xCD\xCB A \xD7\xF3 D \xD3\xD2 - \xD2\xC6\xB6\xAF\xA3\xBB\xA1\xFC\xD1\xF6 "
    "\xA1\xFD\xB8\xA9 "
    "\xA1\xFA\xD3\xD2 \xA1\xFB\xD7\xF3 - \xD0\xFD\xD7\xAA";
inline constexpr char kViewHelpText[] =
    " 1 \xB9\xD8\xB1\xD5\xC1\xA2\xCC\xE5\xC4\xA3\xCA\xBD\n 2 "
    "\xBF\xAA\xC6\xF4\xC1\xA2\xCC\xE5\xC4\xA3\xCA\xBD\n"
    " 3 \xD7\xF3\xD1\xDB\xCA\xD3\xCD\xBC\n 4 \xD3\xD2\xD1\xDB\xCA\xD3\xCD\xBC\n";

extern IDirect3DDevice9* gDevice;
extern Camera gCamera;

// Made by Setup, released by Shutdown.
extern ID3DXFont* gFont;
extern SkyBox* gSky;
extern Terrain* gTerrain;
extern IDirect3DTexture9* gLeftEyeTexture;
extern IDirect3DTexture9* gRightEyeTexture;
extern IDirect3DVertexBuffer9* gQuadBuffer;
extern D3DLIGHT9 gWhiteLight, gLeftEyeLight, gRightEyeLight;

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
// Forgets the previous frame's time, so that the next RunMessageLoop starts its clock afresh.
void ResetMessageLoop();
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
