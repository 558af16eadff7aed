// The window layer's own records, shared by its files (windows, messages, painting).
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Flags of WM_WINDOWPOSCHANGED's WINDOWPOS that say what the client area did; the default
// procedure reports WM_MOVE and WM_SIZE from them.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;
constexpr UINT kSwpStateChanged = 0x8000;

struct WindowClassRecord {
  ATOM atom = 0;
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool hasMenu = false;  // lpszMenuName was given
  WORD menuNumber = 0;   // the class menu by number (MAKEINTRESOURCEA), else by menuName
  std::string menuName;
};

enum class ShowState { Normal, Minimized, Maximized };

struct WindowRecord {
  HWND handle = nullptr;
  ATOM classAtom = 0;
  UINT classStyle = 0;
  HCURSOR classCursor = nullptr;
  HBRUSH classBackground = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;   // top-level windows only
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;      // top-level: the menu; child: the identifier
  bool menuBar = false;      // the non-client area holds a menu bar
  LONG_PTR userData = 0;
  std::vector<uint8_t> extra;
  std::string text;

  // Rectangles in the parent's client coordinates (the screen's for a top-level window).
  RECT window{};
  RECT client{};
  RECT normal{};  // the outer rectangle to come back to from minimised or maximised
  ShowState state = ShowState::Normal;

  bool created = false;     // WM_NCCREATE was answered
  bool everShown = false;   // the first show also reports the size and the place
  bool destroying = false;
  bool wantsPlacement = false;
  bool hiddenByOwner = false;  // out of sight while its owner is minimised

  // What is left to paint, in client coordinates.
  bool updatePending = false;
  RECT update{};
  bool erasePending = false;
  bool internalPaint = false;
  bool framePending = false;  // the non-client area waits for WM_NCPAINT
};

struct WindowSystem {
  std::map<uintptr_t, std::unique_ptr<WindowRecord>> windows;  // by handle: creation order
  std::vector<WindowClassRecord> classes;
  uintptr_t nextHandle = 0x00020000;

  std::deque<MSG> posted;
  bool quitPending = false;
  int quitCode = 0;

  HWND active = nullptr;
  HWND focus = nullptr;
  HCURSOR cursor = nullptr;
  POINT cursorPos{};
  BYTE keys[256] = {};
  int sendDepth = 0;

  // Input as the hardware gives it (input.cpp): keys held now, the mouse capture, and
  // whether Alt went down and up with no other key between (its release opens the menu).
  BYTE asyncKeys[256] = {};
  HWND capture = nullptr;
  bool altAlone = false;
};

// The one instance; never destroyed, since exit routines may still use windows.
WindowSystem& Windows();
WindowRecord* FindWindowRecord(HWND window);
const WindowClassRecord* FindWindowClass(LPCSTR name);

// Screen position of the parent's client origin (0, 0 for a top-level window).
POINT ParentClientOrigin(const WindowRecord& w);
// The window's client rectangle on the screen.
RECT ClientRectOnScreen(const WindowRecord& w);
bool IsTopLevel(const WindowRecord& w);
// Whether a top-level window stacks with the topmost ones: its own style, or an owner's (an
// owned window always stands over its owner).
bool StacksTopmost(const WindowRecord& w);
// The top-level window a window belongs to (itself when it is one); null for no window.
HWND TopLevelAncestor(HWND window);

// The non-client widths of a style: left, top, right, bottom.
RECT NonClientMargins(DWORD style, DWORD exStyle, bool menuBar);

// Paint bookkeeping (painting file).
void InvalidateWhole(WindowRecord& w, bool erase);
// Something is there for GetMessageA: a posted message, a quit, or a window to paint.
bool MessageWaiting();
// Forgets messages posted to a window that goes away.
void DropPostedMessages(HWND window);
// The default MINMAXINFO of a window before WM_GETMINMAXINFO.
MINMAXINFO DefaultMinMaxInfo(const WindowRecord& w);
// Asks the window for its tracking sizes (WM_GETMINMAXINFO).
MINMAXINFO QueryMinMaxInfo(HWND window);
// Makes `window` (null: none) the active window with the activation messages.
void ActivateWindow(HWND window);
// Sends WM_SIZE and WM_MOVE for the window's current state and place.
void SendSizeAndMove(HWND window);
