// The multimedia timer.
#pragma once
#pragma GCC visibility push(default)
#include "windef.h"

// Milliseconds since an arbitrary start, wrapping at 2^32. Under --step-ms it advances by
// exactly that step per presented frame instead of following the clock.
DWORD timeGetTime();
#pragma GCC visibility pop
