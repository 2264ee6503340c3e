// The host side of the platform layer, beyond the Win32 subset: the options the process entry
// reads, presentation of finished frames to a window or the headless frame sink, and hooks
// that tests use to drive the platform deterministically.
#pragma once
#pragma GCC visibility push(default)
#include <cstdint>
#include <string>
#include <vector>

#include "windef.h"

struct SkyvaleOptions {
  bool headless = false;   // no window even when a display exists
  int frames = -1;         // post the quit message after this many presented frames
  int stepMs = -1;         // timeGetTime advances by exactly this per presented frame
  DWORD clockStartMs = 0;  // the stepped clock's first value
  std::string keys;        // scripted keyboard, e.g. "W@0-60,ESC@90"
  std::string capture;     // PNG of the last presented frame, written at exit
  std::string captureDir;  // with captureEvery: DIR/frame-NNNNN.png
  int captureEvery = 0;
  int memoryEvery = 0;  // print the resident set size after every Nth presented frame
  bool fps = false;     // print the frame-rate figures of the run when the platform stops
};

// Parses the platform's options from argv; anything it does not know is left for WinMain in
// `rest` (space-joined). Returns false with a message in `error` on a malformed option.
bool SkyvaleParseOptions(int argc, char** argv, SkyvaleOptions& options, std::string& rest,
                         std::string& error);
const char* SkyvaleUsage();

// Starts the platform with these options: picks the window backend (SDL when a display exists
// and not headless, else headless), resets the message queue, key states, clock and counters.
// Returns false when the scripted keyboard cannot be parsed.
bool SkyvaleStartPlatform(const SkyvaleOptions& options, std::string& error);
// Ends the platform: prints the frame-rate figures (--fps), writes the final capture (if asked),
// closes windows. Returns the path of
// the capture written, or an empty string.
std::string SkyvaleStopPlatform();
bool SkyvaleIsHeadless();

// Called by the device's Present: shows an X8R8G8B8/A8R8G8B8 image in the window (or the
// headless sink), counts the frame, writes periodic captures and applies --frames.
void SkyvalePresent(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes);
// The same for an image whose storage the host may keep: `frame` (width * height pixels, rows
// packed) becomes the last frame and gets back storage of the same size, contents undefined. A
// back buffer that need not survive Present is handed over this way instead of copied.
void SkyvalePresentFrame(HWND window, std::vector<uint8_t>& frame, int width, int height);
int SkyvalePresentedFrames();

// The last presented image, 0xAARRGGBB per pixel (tests and the final capture read it).
bool SkyvaleLastFrame(const uint32_t** pixels, int* width, int* height);

// Writes 0xAARRGGBB pixels as an opaque RGB PNG. Returns false on any I/O failure.
bool SkyvaleWritePng(const char* path, const uint32_t* pixels, int width, int height, int pitchBytes);

// Text in the ANSI code page (936, GBK) converted to UTF-8; invalid bytes become U+FFFD.
std::string SkyvaleAnsiToUtf8(const char* text);
#pragma GCC visibility pop
