// KERNEL32 and ADVAPI32 services: debug output, module handles, registry.
#pragma once

#include "wintypes.h"

// Writes the text to the debugger output (standard error here).
void OutputDebugStringA(LPCSTR text);
