// Inside the platform layer: device contexts that draw on the screen at a window's place, and
// the default painting of windows (frame, caption, background) done through them.
#pragma once

#include <windows.h>

#include <vector>

enum class WindowDcArea { Client, Window };

// A device context for the window's client area or whole window, with that area's top-left
// corner as (0, 0), clipped as GetDC describes and, when `limit` is given, to that rectangle
// in the area's own coordinates. Null for a window that is not one, or no memory. ReleaseDC
// gives it back.
HDC OpenWindowDC(HWND window, WindowDcArea area, const RECT* limit);

// The parts of a window's client area on the screen that no window above it covers: where a
// clipper bound to the window lets a blit draw. Empty for a window that is not one or hidden.
std::vector<RECT> ClientVisibleParts(HWND window);

// WM_NCPAINT's default: the frame and caption of the style, and the menu bar through
// DrawMenuBar. `active` chooses the caption's colours.
void PaintDefaultFrame(HWND window, bool active);
// The close box of a window's caption (WS_SYSMENU), in window coordinates; false when the
// window shows none.
bool CaptionCloseBox(HWND window, RECT& box);
// The close box drawn pushed in while the user holds the mouse on it.
void SetCloseBoxPushed(HWND window, bool pushed);
// WM_ERASEBKGND's default: the client area in the class background brush; false without one.
bool EraseWithClassBrush(HWND window, HDC dc);

// A window that was visible at `oldWindow` (its parent's client coordinates; the screen's for
// a top-level window) was hidden, moved or sized. What it uncovered is drawn again: for a
// top-level window the desktop there is cleared and the windows below are invalidated, their
// frames and backgrounds drawn at once; for a child its parent is invalidated there. A window
// still shown at a new place paints itself whole.
void RepaintAfterPlaceChange(HWND window, const RECT& oldWindow);
