// The program's resources as its module carries them: the menus, the accelerator table, the
// About dialog and the icon, handed to the module before the entry point runs.
#pragma once

#include <windows.h>

#include "resources/resource.h"

constexpr int IconSize = 32;

// Draws the program's icon: IconSize x IconSize pixels 0xAARRGGBB, rows top first, alpha 0
// (transparent) or 0xFF.
void DrawProgramIcon(DWORD* pixels);

// Hands every resource to the program's module; TRUE when the module took them. Runs once on
// its own before the entry point; calling it again changes nothing.
BOOL RegisterProgramResources();
