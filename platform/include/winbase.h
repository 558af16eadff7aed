// KERNEL32 and ADVAPI32 services: debug output, module handles, registry.
#pragma once

#include "wintypes.h"

// Writes the text to the debugger output (standard error here).
void OutputDebugStringA(LPCSTR text);

#include <cstdio>

// Opens a file named the way the system's original platform names files: '\' separates
// folders and letter case does not matter ("MAPS\Skin.BMP" finds maps/skin.bmp). The model
// loader and the media search both open files through this one door.
FILE* PlatformOpenFile(LPCSTR name, LPCSTR mode);

// Resolves such a name to the host path of an existing file or folder; FALSE when none exists.
BOOL PlatformResolvePath(LPCSTR name, char* out, size_t outSize);
