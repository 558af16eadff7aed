// System metrics and the look of windows: frame, caption and menu bar sizes of the classic
// Windows look, the screen's size from the display, system cursors and icons, stock objects.
#include "win32/window_internal.h"

#include "display/display.h"
#include "win32/gdi_icon.h"
#include "win32/module_resources.h"

#include <iterator>

namespace {

struct Metric {
  int index;
  int value;
};

// The fixed metrics; those that follow the screen are computed below.
constexpr Metric kMetrics[] = {
    {SM_CXVSCROLL, 16},    {SM_CYHSCROLL, 16},    {SM_CYCAPTION, 19},    {SM_CXBORDER, 1},
    {SM_CYBORDER, 1},      {SM_CXDLGFRAME, 3},    {SM_CYDLGFRAME, 3},    {SM_CXICON, 32},
    {SM_CYICON, 32},       {SM_CXCURSOR, 32},     {SM_CYCURSOR, 32},     {SM_CYMENU, 19},
    {SM_MOUSEPRESENT, 1},  {SM_CYVSCROLL, 16},    {SM_CXHSCROLL, 16},    {SM_CXMIN, 112},
    {SM_CYMIN, 27},        {SM_CXSIZE, 18},       {SM_CYSIZE, 18},       {SM_CXFRAME, 4},
    {SM_CYFRAME, 4},       {SM_CXMINTRACK, 112},  {SM_CYMINTRACK, 27},   {SM_CXDOUBLECLK, 4},
    {SM_CYDOUBLECLK, 4},   {SM_CMOUSEBUTTONS, 3}, {SM_CXEDGE, 2},        {SM_CYEDGE, 2},
    {SM_CXSMICON, 16},     {SM_CYSMICON, 16},     {SM_CYSMCAPTION, 15},  {SM_CXMINIMIZED, 160},
    {SM_CYMINIMIZED, 24},
};

// Handles of system cursors: fixed values in a range no other handle uses.
constexpr uintptr_t kCursorBase = 0x00C00000;

bool IsSystemCursor(WORD id) {
  return (id >= 32512 && id <= 32516) || (id >= 32642 && id <= 32646) || id == 32648 ||
         id == 32650;
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return int(TheDisplay().Screen().width);
    case SM_CYSCREEN: return int(TheDisplay().Screen().height);
    case SM_CXFULLSCREEN: return GetSystemMetrics(SM_CXSCREEN);
    case SM_CYFULLSCREEN: return GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION);
    case SM_CXMAXTRACK: return GetSystemMetrics(SM_CXSCREEN) + 12;
    case SM_CYMAXTRACK: return GetSystemMetrics(SM_CYSCREEN) + 12;
    case SM_CXMAXIMIZED: return GetSystemMetrics(SM_CXSCREEN) + 2 * GetSystemMetrics(SM_CXFRAME);
    case SM_CYMAXIMIZED: return GetSystemMetrics(SM_CYSCREEN) + 2 * GetSystemMetrics(SM_CYFRAME);
  }
  for (const Metric& m : kMetrics)
    if (m.index == index) return m.value;
  return 0;
}

RECT NonClientMargins(DWORD style, DWORD exStyle, bool menuBar) {
  LONG fx = 0, fy = 0;
  if (style & WS_THICKFRAME) {
    fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
  } else if (style & WS_BORDER) {
    fx = GetSystemMetrics(SM_CXBORDER), fy = GetSystemMetrics(SM_CYBORDER);
  }
  RECT m{fx, fy, fx, fy};
  if ((style & WS_CAPTION) == WS_CAPTION)
    m.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (menuBar && !(style & WS_CHILD)) m.top += GetSystemMetrics(SM_CYMENU);
  if (exStyle & WS_EX_CLIENTEDGE) {
    m.left += GetSystemMetrics(SM_CXEDGE), m.right += GetSystemMetrics(SM_CXEDGE);
    m.top += GetSystemMetrics(SM_CYEDGE), m.bottom += GetSystemMetrics(SM_CYEDGE);
  }
  return m;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  const RECT m = NonClientMargins(style, exStyle, menu);
  rect->left -= m.left;
  rect->top -= m.top;
  rect->right += m.right;
  rect->bottom += m.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
  return AdjustWindowRectEx(rect, style, menu, 0);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // The program carries no cursor resources; the system's are there by number.
  if (instance || !IS_INTRESOURCE(name)) return nullptr;
  const WORD id = WORD(reinterpret_cast<ULONG_PTR>(name));
  return IsSystemCursor(id) ? reinterpret_cast<HCURSOR>(kCursorBase + id) : nullptr;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  if (instance) return LoadModuleIcon(instance, name);
  if (!IS_INTRESOURCE(name)) return nullptr;
  return GdiStandardIcon(WORD(reinterpret_cast<ULONG_PTR>(name)));
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = Windows().cursor;
  Windows().cursor = cursor;
  return old;
}

HCURSOR GetCursor() { return Windows().cursor; }
