// Processor services of the math library used by the image and texture code.
#pragma once
#include <windef.h>

// 1 when MMX image paths may be used, else 0. The "DisableMMX" switch is read on every call;
// the processor is asked once.
LONG IsMmxAvailable();

// 1/sqrt(x) from a 512-entry table of chords, for the bit pattern of a positive normal float x; the
// relative error stays within 1.5e-6.
FLOAT ApproxInvSqrt(DWORD bits);

// The table: (slope, intercept) pairs; entries 0-255 cover [0.5, 1), 256-511 cover [1, 2).
struct InvSqrtEntry {
  float slope, intercept;
};
extern const InvSqrtEntry kInvSqrtTable[512];

// Test hook: forgets the MMX answer so the processor is asked again.
void MathResetMmxState();
