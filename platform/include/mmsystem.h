// WINMM: the millisecond clock.
#pragma once

#include "wintypes.h"

// Milliseconds since the machine started, from a monotonic clock, wrapping at 2^32 (about
// 49.7 days). VELTA_CLOCK_MS=N (decimal, 0 to 4294967295) makes it return N every time, so
// that a picture that depends on the clock can be reproduced.
DWORD timeGetTime();
