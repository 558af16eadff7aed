// What tests change in the machine the platform offers and see of DirectDraw's objects. Only
// tests include this.
#pragma once

#include <windows.h>

#include "machine/profile.h"

// The profile in force, to change (drivers, modes, failures) before the calls under test.
MachineProfile& TestMachine();
// Back to the "default" profile, whatever VELTA_PROFILE says.
void TestResetMachine();

// DirectDraw objects alive now: leaks show as counts that stay above zero.
struct DdLiveObjects {
  int directDraws = 0;
  int surfaces = 0;  // flip-chain members included
  int clippers = 0;
  int palettes = 0;
  // Surfaces whose DirectDraw object or primary went first while the program still held
  // them: kept, without pixels and answering "lost", until their last Release.
  int orphans = 0;
};
DdLiveObjects TestLiveDirectDrawObjects();

// Direct3D objects alive now; a viewport holds nothing else, so only its own count shows a leak.
struct D3dLiveObjects {
  int devices = 0;
  int viewports = 0;
  int textures = 0;
};
D3dLiveObjects TestLiveDirect3DObjects();

// The flags of the last SetDisplayMode that changed the display mode.
DWORD TestLastDisplayModeFlags();

// Replaces how clippers find a window's client area on the screen; null: the window layer.
void TestSetWindowPlacer(bool (*placer)(HWND window, RECT& clientOnScreen));
