// Where a window's client area lies on the screen, and what of it shows, for clippers bound to
// windows.
#include "ddraw/ddraw_internal.h"
#include "win32/window_dc.h"

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

std::vector<RECT> WindowClipList(HWND window) {
  // A window out of sight keeps its whole client area, as it always has here.
  if (!Placer && IsWindowVisible(window)) return ClientVisibleParts(window);
  RECT r;
  if (!WindowClientOnScreen(window, r)) return {};
  return {r};
}
