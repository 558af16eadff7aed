// Inside the platform layer: menu objects as the menu files share them (objects, bar, drop-downs
// and the modal loop).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct MenuItem {
  UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_DEFAULT
  UINT id = 0;
  HMENU popup = nullptr;
  std::string text;  // ANSI code page; "\t" parts the accelerator text from the label
};

struct MenuRecord {
  std::vector<MenuItem> items;
  HMENU parent = nullptr;  // the menu holding this one as a popup
};

MenuRecord* FindMenuRecord(HMENU menu);
// Items that can be chosen or opened: not separators, not grayed or disabled.
bool MenuItemSelectable(const MenuItem& item);
// The mnemonic of a label: the character after a single '&', lower case; 0 when none.
char MenuMnemonic(const std::string& text);

// The class menu of a new top-level window, or null when the class has none or it cannot be
// loaded.
HMENU LoadClassMenu(LPCSTR menuName, HINSTANCE classInstance, HINSTANCE windowInstance);
// Forgets every menu, without regard to windows (tests' clean slate).
void ResetMenus();

// ---- The menu bar (menu_bar.cpp) ----

// The bar's rectangle on the screen, empty for a window without a bar.
RECT MenuBarRect(HWND window);
// The screen rectangles of the bar's items, one per item (empty for items that do not fit).
std::vector<RECT> MenuBarItemRects(HWND window);
// The bar item under a screen point, or -1.
int MenuBarItemAt(HWND window, POINT screen);
// How a bar item is drawn while the menu loop runs: raised (selected from the keyboard) or
// sunken (its drop-down is open). -1: none.
void SetMenuBarHighlight(HWND window, int item, bool sunken);

// ---- Drop-downs (menu_popup.cpp) ----

// A drop-down window showing a popup menu; its selection is drawn in the highlight colours.
HWND CreateMenuPopupWindow(HMENU menu, HWND owner);
// Size the drop-down needs for its menu.
SIZE MenuPopupSize(HMENU menu);
// The item under a screen point, or -1 (separators included: the caller decides).
int MenuPopupItemAt(HWND popup, POINT screen);
// The screen rectangle of one item of a drop-down.
RECT MenuPopupItemRect(HWND popup, int item);
void SetMenuPopupSelection(HWND popup, int item);
int MenuPopupSelection(HWND popup);
HMENU MenuPopupMenu(HWND popup);

// ---- The menu loop (menu_loop.cpp) ----

// What DefWindowProcA does for menus: a click on the bar, Alt alone, F10 or Alt and a mnemonic
// (WM_SYSCOMMAND with SC_KEYMENU) run the bar's loop; a right-button release in the client area
// sends WM_CONTEXTMENU. False for messages that are not the menus' to handle.
bool MenuDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
