// The message loop's calls: posting, peeking, waiting, translating, dispatching and quitting;
// paint messages; the clock.
#include "window_recorder.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using velta_test::FindLogged;
using velta_test::Log;
using velta_test::LoggedMessages;
using velta_test::WindowTest;

TEST_F(WindowTest, PostedMessagesComeOutInOrderThroughTheFilters) {
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  PostMessageA(w, WM_USER + 1, 11, 12);
  PostMessageA(nullptr, WM_USER + 2, 0, 0);
  PostMessageA(w, WM_USER + 3, 0, 0);
  MSG msg;
  // Looking does not take.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  // A range skips what lies outside it; a window filter skips thread messages.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 3));
  ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.wParam, WPARAM(11));
  EXPECT_EQ(msg.lParam, 12);
  EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, UINT(WM_USER + 2));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(DispatchMessageA(&msg), 0);  // a thread message goes to no procedure
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, QuitEndsTheLoopWithItsCodeAfterPostedMessages) {
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  PostMessageA(w, WM_USER, 0, 0);
  PostQuitMessage(7);
  MSG msg;
  EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, UINT(WM_USER));
  // A window filter does not see the quit request.
  EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_NOREMOVE));
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(7));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // taken once
}

namespace {

LRESULT CALLBACK QuitOnDestroyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_USER) return 42;
  return velta_test::RecordingProc(hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(WindowTest, TheViewersLoopRunsUntilTheWindowCloses) {
  HWND w = CreateShownWindow();
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(QuitOnDestroyProc));
  EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 42);
  PostMessageA(w, WM_CLOSE, 0, 0);
  MSG msg{};
  int idle = 0, taken = 0;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  while (msg.message != WM_QUIT && taken < 100) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ++taken;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      ++idle;
    }
  }
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(0));
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowTest, WaitingWithNothingToComeDoesNotHang) {
  MSG msg;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, UINT(WM_NULL));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(uintptr_t(0x4444440)), 0, 0), -1);
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST_F(WindowTest, TheQueueHasALimit) {
  int accepted = 0;
  for (int i = 0; i < 10005; ++i) accepted += PostMessageA(nullptr, WM_USER, 0, 0) ? 1 : 0;
  EXPECT_EQ(accepted, 10000);
}

TEST_F(WindowTest, KeysTranslateToCharacters) {
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  const struct {
    UINT message;
    UINT key;
    std::initializer_list<UINT> held;
    UINT charMessage;  // 0: no character
    WPARAM character;
  } cases[] = {
      {WM_KEYDOWN, 'A', {}, WM_CHAR, 'a'},
      {WM_KEYDOWN, 'A', {VK_SHIFT}, WM_CHAR, 'A'},
      {WM_KEYDOWN, 'O', {VK_CONTROL}, WM_CHAR, 0x0F},
      {WM_KEYDOWN, '1', {}, WM_CHAR, '1'},
      {WM_KEYDOWN, '1', {VK_LSHIFT}, WM_CHAR, '!'},
      {WM_KEYDOWN, VK_SPACE, {}, WM_CHAR, ' '},
      {WM_KEYDOWN, VK_RETURN, {}, WM_CHAR, '\r'},
      {WM_KEYDOWN, VK_ESCAPE, {}, WM_CHAR, 0x1B},
      {WM_KEYDOWN, VK_OEM_2, {VK_SHIFT}, WM_CHAR, '?'},
      {WM_KEYDOWN, VK_NUMPAD0 + 5, {}, WM_CHAR, '5'},
      {WM_KEYDOWN, VK_F1, {}, 0, 0},
      {WM_KEYDOWN, VK_LEFT, {}, 0, 0},
      {WM_SYSKEYDOWN, 'X', {VK_MENU}, WM_SYSCHAR, 'x'},
      {WM_KEYUP, 'A', {}, 0, 0},
  };
  for (const auto& c : cases) {
    MSG msg;
    for (UINT k : c.held) PostMessageA(w, WM_KEYDOWN, k, 1);
    PostMessageA(w, c.message, c.key, 1);
    for (size_t i = 0; i <= c.held.size(); ++i) ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&msg));
    if (c.charMessage) {
      ASSERT_TRUE(PeekMessageA(&msg, w, 0, 0, PM_REMOVE)) << c.key;
      EXPECT_EQ(msg.message, c.charMessage) << c.key;
      EXPECT_EQ(msg.wParam, c.character) << c.key;
    }
    EXPECT_FALSE(PeekMessageA(&msg, w, 0, 0, PM_NOREMOVE)) << c.key;
    for (UINT k : c.held) PostMessageA(w, WM_KEYUP, k, 1);
    while (PeekMessageA(&msg, w, 0, 0, PM_REMOVE)) {
    }
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  }
  MSG other{w, WM_USER, 0, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&other));
  EXPECT_FALSE(TranslateMessage(nullptr));
}

namespace {

int g_paints = 0;

// A procedure that answers paint without validating, as a careless one would.
LRESULT CALLBACK NeverValidatesProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    ++g_paints;
    return 0;
  }
  return velta_test::RecordingProc(hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(WindowTest, PaintComesLastAndUntilTheWindowIsValid) {
  HWND w = CreateMainWindow();
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));  // hidden: nothing to paint
  ShowWindow(w, SW_SHOWNORMAL);
  PostMessageA(w, WM_USER, 0, 0);
  PostQuitMessage(3);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  EXPECT_EQ(msg.hwnd, w);

  // Left invalid, the window is asked again; the default procedure validates it.
  g_paints = 0;
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NeverValidatesProc));
  DispatchMessageA(&msg);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  EXPECT_EQ(g_paints, 1);
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(velta_test::RecordingProc));
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, InvalidAreasGatherUntilBeginPaint) {
  HWND w = CreateShownWindow();
  ASSERT_FALSE(GetUpdateRect(w, nullptr, FALSE));
  RECT a{10, 10, 20, 20}, b{100, 50, 700, 60};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, TRUE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.left, 10);
  EXPECT_EQ(u.top, 10);
  EXPECT_EQ(u.right, 640);  // kept inside the client area
  EXPECT_EQ(u.bottom, 60);
  PAINTSTRUCT ps;
  Log().clear();
  HDC dc = BeginPaint(w, &ps);
  EXPECT_NE(dc, nullptr);
  EXPECT_EQ(ps.hdc, dc);
  EXPECT_EQ(ps.rcPaint.right, 640);
  EXPECT_FALSE(ps.fErase);  // the class brush answered WM_ERASEBKGND
  EXPECT_EQ(LoggedMessages(), std::vector<UINT>{WM_ERASEBKGND});
  EXPECT_TRUE(EndPaint(w, &ps));
  EXPECT_FALSE(GetUpdateRect(w, &u, FALSE));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

  // Resizing a class with CS_HREDRAW | CS_VREDRAW repaints the whole client area.
  SetWindowPos(w, nullptr, 0, 0, 700, 600, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.right, 692);
  ValidateRect(w, nullptr);
  EXPECT_FALSE(InvalidateRect(reinterpret_cast<HWND>(uintptr_t(0x99990)), nullptr, TRUE));
  EXPECT_FALSE(BeginPaint(w, nullptr));
}

TEST_F(WindowTest, RedrawWindowFlags) {
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  // What the viewer asks after FlipToGDISurface: the frame only, nothing for the client area.
  EXPECT_TRUE(RedrawWindow(w, nullptr, nullptr, RDW_FRAME));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

  Log().clear();
  EXPECT_TRUE(RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));
  EXPECT_EQ(LoggedMessages(), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));

  RedrawWindow(w, nullptr, nullptr, RDW_INTERNALPAINT);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  RedrawWindow(w, nullptr, nullptr, RDW_VALIDATE | RDW_NOINTERNALPAINT);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  RECT part{0, 0, 640, 100};
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE);
  RedrawWindow(w, &part, nullptr, RDW_VALIDATE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(w, &u, FALSE));
  EXPECT_EQ(u.top, 100);
  EXPECT_FALSE(RedrawWindow(reinterpret_cast<HWND>(uintptr_t(0x99990)), nullptr, nullptr, 0));
}

TEST(Clock, MillisecondsFromAMonotonicClock) {
  unsetenv("VELTA_CLOCK_MS");
  TestReloadClock();
  const DWORD a = timeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const DWORD b = timeGetTime();
  EXPECT_GE(DWORD(b - a), 25u);  // unsigned difference: right across a wrap too
  EXPECT_LT(DWORD(b - a), 5000u);
}

TEST(Clock, FixedByTheEnvironment) {
  const struct {
    const char* value;
    bool fixed;
    DWORD expected;
  } cases[] = {
      {"12345", true, 12345},     {"0", true, 0},         {"4294967295", true, 4294967295u},
      {"4294967296", false, 0},   {"-1", false, 0},       {"12ms", false, 0},
      {"", false, 0},             {" 5", false, 0},
  };
  for (const auto& c : cases) {
    setenv("VELTA_CLOCK_MS", c.value, 1);
    TestReloadClock();
    const DWORD a = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    const DWORD b = timeGetTime();
    if (c.fixed) {
      EXPECT_EQ(a, c.expected) << c.value;
      EXPECT_EQ(b, c.expected) << c.value;
    } else {
      EXPECT_NE(a, b) << c.value;  // the running clock
    }
  }
  unsetenv("VELTA_CLOCK_MS");
  TestReloadClock();
}
