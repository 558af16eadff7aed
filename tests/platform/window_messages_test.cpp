// The messages a window gets, in order and with their parameters, from creation to
// destruction; the default procedure; subclassing.
#include "window_recorder.h"

#include <vector>

using velta_test::FindLogged;
using velta_test::Log;
using velta_test::LoggedMessages;
using velta_test::WindowTest;

namespace {

std::vector<UINT> Seq(std::initializer_list<UINT> l) { return std::vector<UINT>(l); }

LPARAM KeyData(bool alt) { return LPARAM(1 | (alt ? (KF_ALTDOWN << 16) : 0)); }

}  // namespace

TEST_F(WindowTest, CreationSendsItsMessagesInOrder) {
  HWND w = CreateMainWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(LoggedMessages(), Seq({WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE,
                                   WM_SIZE, WM_MOVE}));
  for (const auto& l : Log()) EXPECT_EQ(l.hwnd, w);
  const auto* create = FindLogged(WM_CREATE);
  EXPECT_EQ(create->cs.cx, 648);
  EXPECT_EQ(create->cs.cy, 526);
  EXPECT_STREQ(create->cs.lpszClass, "VeltaEngine");
  EXPECT_EQ(FindLogged(WM_NCCALCSIZE)->wParam, WPARAM(FALSE));
  const auto* size = FindLogged(WM_SIZE);
  EXPECT_EQ(size->wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(size->lParam, MAKELPARAM(640, 480));
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  EXPECT_EQ(FindLogged(WM_MOVE)->lParam, MAKELPARAM(origin.x, origin.y));
  EXPECT_FALSE(IsWindowVisible(w));
  char title[64];
  EXPECT_EQ(GetWindowTextA(w, title, sizeof title), 26);
  EXPECT_STREQ(title, "Velta Character Demo v.003");
}

TEST_F(WindowTest, FirstShowActivatesAndReportsSizeAndPlace) {
  HWND w = CreateMainWindow();
  Log().clear();
  EXPECT_FALSE(ShowWindow(w, SW_SHOWNORMAL));
  EXPECT_EQ(LoggedMessages(), Seq({WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_ACTIVATEAPP,
                                   WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_WINDOWPOSCHANGED,
                                   WM_MOVE, WM_SIZE}));
  EXPECT_EQ(FindLogged(WM_SHOWWINDOW)->wParam, WPARAM(TRUE));
  EXPECT_EQ(FindLogged(WM_ACTIVATEAPP)->wParam, WPARAM(TRUE));
  EXPECT_EQ(LOWORD(FindLogged(WM_ACTIVATE)->wParam), WA_ACTIVE);
  EXPECT_EQ(FindLogged(WM_SIZE)->lParam, MAKELPARAM(640, 480));
  EXPECT_EQ(GetActiveWindow(), w);
  EXPECT_EQ(GetFocus(), w);
  EXPECT_TRUE(IsWindowVisible(w));

  Log().clear();
  EXPECT_TRUE(UpdateWindow(w));
  EXPECT_EQ(LoggedMessages(), Seq({WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  Log().clear();
  EXPECT_TRUE(ShowWindow(w, SW_SHOWNORMAL));  // already shown: nothing to report
  EXPECT_EQ(LoggedMessages(), Seq({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
}

TEST_F(WindowTest, SetWindowPosReportsOnlyWhatChanged) {
  HWND w = CreateShownWindow();
  RECT r;
  GetWindowRect(w, &r);
  // The same place again, as the rebuild does with the saved rectangle.
  EXPECT_TRUE(SetWindowPos(w, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_SHOWWINDOW));
  EXPECT_EQ(LoggedMessages(), Seq({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));

  Log().clear();
  EXPECT_TRUE(SetWindowPos(w, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  EXPECT_EQ(LoggedMessages(), Seq({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
  EXPECT_EQ(FindLogged(WM_MOVE)->lParam, MAKELPARAM(14, 20 + 4 + 19 + 19));
  EXPECT_EQ(FindLogged(WM_WINDOWPOSCHANGED)->pos.x, 10);

  Log().clear();
  EXPECT_TRUE(MoveWindow(w, 10, 20, 808, 626, TRUE));
  EXPECT_EQ(LoggedMessages(), Seq({WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE,
                                   WM_WINDOWPOSCHANGED, WM_SIZE}));
  EXPECT_EQ(FindLogged(WM_SIZE)->lParam, MAKELPARAM(800, 580));
  EXPECT_EQ(FindLogged(WM_NCCALCSIZE)->wParam, WPARAM(TRUE));

  // Negative places arrive as signed 16-bit values.
  Log().clear();
  SetWindowPos(w, nullptr, -100, -50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  const LPARAM move = FindLogged(WM_MOVE)->lParam;
  EXPECT_EQ(SHORT(LOWORD(move)), -96);
  EXPECT_EQ(SHORT(HIWORD(move)), -50 + 42);
}

TEST_F(WindowTest, MinimiseAndRestoreReportTheSizeType) {
  HWND w = CreateShownWindow();
  ShowWindow(w, SW_MINIMIZE);
  const auto* size = FindLogged(WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->wParam, WPARAM(SIZE_MINIMIZED));
  EXPECT_EQ(size->lParam, 0);
  EXPECT_TRUE(IsIconic(w));
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 0);
  EXPECT_EQ(c.bottom, 0);

  Log().clear();
  ShowWindow(w, SW_RESTORE);
  size = FindLogged(WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->wParam, WPARAM(SIZE_RESTORED));
  EXPECT_EQ(size->lParam, MAKELPARAM(640, 480));
  EXPECT_FALSE(IsIconic(w));

  Log().clear();
  ShowWindow(w, SW_SHOWMAXIMIZED);
  size = FindLogged(WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->wParam, WPARAM(SIZE_MAXIMIZED));
  EXPECT_EQ(size->lParam, MAKELPARAM(1024, 768 - 19 - 19));
  EXPECT_TRUE(IsZoomed(w));
}

TEST_F(WindowTest, CloseDestroysTheWindowAndEndsTheLoop) {
  HWND w = CreateShownWindow();
  EXPECT_EQ(SendMessageA(w, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(LoggedMessages(), Seq({WM_CLOSE, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
                                   WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS,
                                   WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(LOWORD(FindLogged(WM_ACTIVATE)->wParam), WA_INACTIVE);
  EXPECT_EQ(FindLogged(WM_ACTIVATEAPP)->wParam, WPARAM(FALSE));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  // A dead handle is refused everywhere.
  EXPECT_FALSE(DestroyWindow(w));
  EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
  RECT r;
  EXPECT_FALSE(GetWindowRect(w, &r));
  EXPECT_FALSE(ShowWindow(w, SW_SHOW));
}

TEST_F(WindowTest, DestroyDropsMessagesPostedToTheWindow) {
  HWND w = CreateShownWindow();
  PostMessageA(w, WM_USER, 1, 2);
  PostMessageA(nullptr, WM_USER + 1, 0, 0);
  DestroyWindow(w);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, AltF4ClosesThroughTheDefaultProcedure) {
  HWND w = CreateShownWindow();
  PostMessageA(w, WM_SYSKEYDOWN, VK_F4, KeyData(false));  // F4 without Alt: nothing
  Pump();
  EXPECT_TRUE(IsWindow(w));
  EXPECT_EQ(FindLogged(WM_CLOSE), nullptr);

  PostMessageA(w, WM_SYSKEYDOWN, VK_F4, KeyData(true));
  Pump();
  EXPECT_FALSE(IsWindow(w));
  const auto* sys = FindLogged(WM_SYSCOMMAND);
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(sys->wParam & 0xFFF0, WPARAM(SC_CLOSE));
  EXPECT_EQ(LoggedMessages({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
                            WM_ACTIVATEAPP, WM_KILLFOCUS, WM_SYSKEYDOWN}),
            Seq({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(WindowTest, DefaultSetCursorShowsTheClassCursor) {
  HWND w = CreateShownWindow();
  SetCursor(nullptr);
  EXPECT_EQ(SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_NE(GetCursor(), nullptr);
  // The program hides the cursor itself in full screen.
  EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(GetCursor(), nullptr);
}

namespace {

WNDPROC g_previous = nullptr;
int g_filtered = 0;

LRESULT CALLBACK FilterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == 40012) ++g_filtered;
  return CallWindowProcA(g_previous, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK RefusingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return -1;
  return velta_test::RecordingProc(hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(WindowTest, SubclassingThroughTheWindowProcedureSlot) {
  HWND w = CreateShownWindow();
  g_filtered = 0;
  LONG_PTR old = SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterProc));
  g_previous = reinterpret_cast<WNDPROC>(old);
  EXPECT_EQ(g_previous, velta_test::RecordingProc);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(FilterProc));

  SendMessageA(w, WM_COMMAND, 40012, 0);
  PostMessageA(w, WM_COMMAND, 40016, 0);
  Pump();
  EXPECT_EQ(g_filtered, 1);
  EXPECT_EQ(LoggedMessages(), Seq({WM_COMMAND, WM_COMMAND}));  // both reached the old procedure
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_WNDPROC, 0), 0);             // a window keeps a procedure
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(FilterProc));
}

TEST_F(WindowTest, WindowLongSlots) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = velta_test::RecordingProc;
  wc.cbWndExtra = 8;
  wc.lpszClassName = "WithExtra";
  ASSERT_NE(RegisterClassA(&wc), 0);
  EXPECT_EQ(RegisterClassA(&wc), 0);  // a name is registered once
  HWND w = CreateWindowExA(0, "withextra", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SetWindowLongPtrA(w, 4, -7), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, 4), -7);
  EXPECT_EQ(SetWindowLongPtrA(w, 5, 1), 0);  // past the extra bytes
  EXPECT_EQ(GetWindowLongPtrA(w, 8), 0);
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 1234);
  EXPECT_EQ(GetWindowLongPtrA(w, GWL_STYLE) & WS_POPUP, WS_POPUP);
  EXPECT_EQ(GetWindowLongPtrA(nullptr, GWL_STYLE), 0);

  Log().clear();
  SetWindowLongPtrA(w, GWL_STYLE, WS_POPUP | WS_BORDER);
  EXPECT_EQ(LoggedMessages(), Seq({WM_STYLECHANGING, WM_STYLECHANGED}));
  EXPECT_FALSE(UnregisterClassA("WithExtra", nullptr));  // a window still uses it
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("WithExtra", nullptr));
}

TEST_F(WindowTest, CreationRefusals) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(CreateWindowExA(0, velta_test::kClassName, "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);  // a child needs a parent
  HWND stale = reinterpret_cast<HWND>(uintptr_t(0x7777770));
  EXPECT_EQ(CreateWindowExA(0, velta_test::kClassName, "", WS_POPUP, 0, 0, 10, 10, stale, nullptr,
                            nullptr, nullptr),
            nullptr);

  WNDCLASSA wc{};
  wc.lpfnWndProc = RefusingProc;
  wc.lpszClassName = "Refusing";
  ASSERT_NE(RegisterClassA(&wc), 0);
  Log().clear();
  EXPECT_EQ(CreateWindowExA(0, "Refusing", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  EXPECT_EQ(LoggedMessages(), Seq({WM_NCCREATE, WM_NCCALCSIZE, WM_DESTROY, WM_NCDESTROY}));
  WNDCLASSA bad{};
  bad.lpszClassName = "NoProcedure";
  EXPECT_EQ(RegisterClassA(&bad), 0);
  EXPECT_EQ(RegisterClassA(nullptr), 0);
}

TEST_F(WindowTest, ChildWindowsGoWithTheirParent) {
  HWND main = CreateShownWindow();
  HWND child = CreateWindowExA(0, velta_test::kClassName, "", WS_CHILD | WS_VISIBLE, 10, 20, 100, 50,
                               main, reinterpret_cast<HMENU>(7), nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), main);
  EXPECT_EQ(GetWindowLongPtrA(child, GWL_ID), 7);
  POINT p{0, 0}, q{0, 0};
  ClientToScreen(child, &p);
  ClientToScreen(main, &q);
  EXPECT_EQ(p.x, q.x + 10);
  EXPECT_EQ(p.y, q.y + 20);
  ScreenToClient(child, &p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  Log().clear();
  DestroyWindow(main);
  EXPECT_FALSE(IsWindow(child));
  std::vector<HWND> destroyed;
  for (const auto& l : Log())
    if (l.message == WM_DESTROY) destroyed.push_back(l.hwnd);
  EXPECT_EQ(destroyed, (std::vector<HWND>{main, child}));
}
