// Direct3D utility routines shared by the framework, the enumeration and the textures, and the
// developer trace through which they report failures.
#pragma once

#include <windows.h>

// Writes "FILE(LINE): MESSAGE" to the debugger output, then "(hr=XXXXXXXX)" and a line break
// when the code is non-zero, then a line break. Returns the code unchanged.
HRESULT DebugTrace(const char* sourceFile, LONG line, HRESULT code, const char* message);
