// A window procedure that writes down every message it gets, for the window and display tests.
#pragma once

#include <windows.h>

#include "testing/window_hooks.h"

#include <gtest/gtest.h>

#include <vector>

namespace velta_test {

struct Logged {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  WINDOWPOS pos;      // WM_WINDOWPOSCHANGING / CHANGED: the record as given
  CREATESTRUCTA cs;   // WM_NCCREATE / WM_CREATE: the record as given
};

inline std::vector<Logged>& Log() {
  static std::vector<Logged> log;
  return log;
}

// The messages alone, in order, leaving out those in `skip`.
inline std::vector<UINT> LoggedMessages(std::initializer_list<UINT> skip = {}) {
  std::vector<UINT> out;
  for (const Logged& l : Log()) {
    bool skipped = false;
    for (UINT s : skip) skipped |= l.message == s;
    if (!skipped) out.push_back(l.message);
  }
  return out;
}

// The first logged message of a kind, or null.
inline const Logged* FindLogged(UINT message) {
  for (const Logged& l : Log())
    if (l.message == message) return &l;
  return nullptr;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Logged l{hwnd, message, wParam, lParam, {}, {}};
  if ((message == WM_WINDOWPOSCHANGING || message == WM_WINDOWPOSCHANGED) && lParam)
    l.pos = *reinterpret_cast<WINDOWPOS*>(lParam);
  if ((message == WM_NCCREATE || message == WM_CREATE) && lParam)
    l.cs = *reinterpret_cast<CREATESTRUCTA*>(lParam);
  Log().push_back(l);
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

constexpr char kClassName[] = "VeltaEngine";

// Every test starts with no windows, no classes, a fresh display and an empty log.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetWindows();
    TestResetDisplay();
    Log().clear();
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = MAKEINTRESOURCEA(141);
    wc.lpszClassName = kClassName;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    TestResetWindows();
    TestResetDisplay();
  }

  // The viewer's own window: 640 x 480 client area from the metrics, placed by the display.
  static HWND CreateMainWindow() {
    return CreateWindowExA(0, kClassName, "Velta Character Demo v.003", WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, CW_USEDEFAULT,
                           640 + 2 * GetSystemMetrics(SM_CXFRAME),
                           480 + 2 * GetSystemMetrics(SM_CYFRAME) +
                               GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU),
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }

  static HWND CreateShownWindow() {
    HWND w = CreateMainWindow();
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
    Log().clear();
    return w;
  }

  // Takes and dispatches every message waiting, as the message loop does.
  static int Pump() {
    MSG msg;
    int n = 0;
    while (n < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      ++n;
    }
    return n;
  }
};

}  // namespace velta_test
