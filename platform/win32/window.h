// Inside the platform layer: what the displays see of the window layer beyond the Win32 calls.
#pragma once

#include <windows.h>

// The program's main window: the oldest live top-level window without an owner, or null.
HWND MainTopLevelWindow();

// True while a top-level window created at CW_USEDEFAULT has not been given its place yet.
// The display answers WindowChanged for such a window with PlaceWindow.
bool WindowWantsPlacement(HWND window);

// Puts a top-level window's outer rectangle at (x, y) in screen coordinates, keeping its size.
// During creation (before WM_NCCREATE) this sends nothing; afterwards it is SetWindowPos
// without activation or restacking.
void PlaceWindow(HWND window, int x, int y);

// The innermost modal dialog or message box whose loop runs now, or null. Displays hand it the
// input meant for whatever waits: the main window may be active meanwhile when the box has no
// owner.
HWND WaitingModalDialog();
