// Where a window's client area lies on the screen, for clippers bound to windows.
#include "ddraw/ddraw_internal.h"

namespace {
bool (*Placer)(HWND, RECT&) = nullptr;
}  // namespace

void TestSetWindowPlacer(bool (*placer)(HWND window, RECT& clientOnScreen)) { Placer = placer; }

bool WindowClientOnScreen(HWND window, RECT& out) {
  if (Placer) return Placer(window, out);
  RECT client;
  if (!IsWindow(window) || !GetClientRect(window, &client)) return false;
  POINT topLeft{client.left, client.top}, bottomRight{client.right, client.bottom};
  if (!ClientToScreen(window, &topLeft) || !ClientToScreen(window, &bottomRight)) return false;
  out = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  return true;
}
