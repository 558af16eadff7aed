// Inside the platform layer: a module's resource bytes in one call, for the loaders of menus,
// accelerators, icons and dialogs.
#pragma once

#include <windows.h>

// The bytes of a module's resource (null module: the program) and their count, or null (and 0)
// when there is none. Valid for the program's life.
const BYTE* FindModuleResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD* size);

// The shared icon of a module's group icon resource, made once (again if it was destroyed);
// null when there is none or its image cannot be read.
HICON LoadModuleIcon(HINSTANCE module, LPCSTR name);

// Hands a compiled resource file (.res), as the build embeds it, to a module: every resource in
// it, as the Windows linker would have put them in the image. FALSE, with nothing added, when
// the file is broken.
BOOL RegisterResourceFile(HMODULE module, const BYTE* bytes, size_t size);
