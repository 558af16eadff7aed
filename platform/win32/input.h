// Host input into the window layer. A display (headless script, SDL window) turns what the
// user does into these calls; the layer turns them into window messages the way the system
// would: key state, focus and capture, hit testing, the non-client area.
#pragma once

#include <windows.h>

// A key went down or up: WM_KEYDOWN/WM_KEYUP to the focus window (the active window when
// nothing has focus), WM_SYSKEYDOWN/WM_SYSKEYUP while Alt is held and for F10. Updates the
// state GetKeyState and GetAsyncKeyState report. `virtualKey` is a VK_ code.
void InputKey(UINT virtualKey, bool down);

// The mouse moved to a point on the screen (the desktop's coordinates).
void InputMouseMove(int x, int y);

// A mouse button went down or up at a point on the screen: the client and non-client
// button messages of the window under the point (or the capture window).
enum class MouseButton { Left, Right, Middle };
void InputMouseButton(MouseButton button, bool down, int x, int y);

// The wheel turned by `delta` (WHEEL_DELTA a notch, positive away from the user) with the
// mouse at a point on the screen: WM_MOUSEWHEEL to the focus window (the active window when
// nothing has focus); the default procedure hands it on to the parent.
void InputMouseWheel(int delta, int x, int y);
