// Menus. The menu bar is drawn with the window's frame; redrawing it has nothing to do until
// windows carry menus.
#include <windows.h>

BOOL DrawMenuBar(HWND window) { return IsWindow(window); }
