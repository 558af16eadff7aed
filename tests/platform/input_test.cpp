// Host input into the window layer: which window gets keys and mouse events, the message
// each becomes with its parameters, key state, capture, disabled windows and activation.
#include "window_recorder.h"

#include "win32/input.h"

#include <vector>

using velta_test::FindLogged;
using velta_test::Log;
using velta_test::RecordingProc;
using velta_test::WindowTest;

namespace {

constexpr char kPlainClass[] = "InputTestWindow";
constexpr LPARAM kBit29 = LPARAM(1) << 29, kBit30 = LPARAM(1) << 30, kBit31 = LPARAM(1) << 31;

// What a window procedure answers to WM_NCHITTEST and WM_MOUSEACTIVATE, per test.
LRESULT g_hitAnswer = HTCLIENT;
LRESULT g_activateAnswer = MA_ACTIVATE;

LRESULT CALLBACK AnsweringProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  RecordingProc(hwnd, message, wParam, lParam);
  if (message == WM_NCHITTEST) return g_hitAnswer;
  if (message == WM_MOUSEACTIVATE) return g_activateAnswer;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Input : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kPlainClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = AnsweringProc;
    wc.lpszClassName = "InputAnswering";
    ASSERT_NE(RegisterClassA(&wc), 0);
    g_hitAnswer = HTCLIENT;
    g_activateAnswer = MA_ACTIVATE;
  }

  // A shown overlapped window (no menu) at a place of the screen.
  static HWND TopWindow(int x, int y, int w, int h, DWORD style = WS_OVERLAPPEDWINDOW,
                        HWND owner = nullptr, DWORD exStyle = 0) {
    HWND hwnd = CreateWindowExA(exStyle, kPlainClass, "t", style, x, y, w, h, owner, nullptr,
                                nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
  }
  static HWND Child(HWND parent, int x, int y, int w, int h, DWORD extra = 0,
                    const char* cls = kPlainClass) {
    return CreateWindowExA(0, cls, "c", WS_CHILD | WS_VISIBLE | extra, x, y, w, h, parent,
                           nullptr, nullptr, nullptr);
  }
  static POINT ClientPoint(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    return p;
  }

  // Input messages waiting in the queue, taken in order (key state follows them).
  static std::vector<MSG> TakeInput() {
    std::vector<MSG> out;
    MSG m;
    while (out.size() < 100 && PeekMessageA(&m, nullptr, WM_NCMOUSEMOVE, WM_MOUSELAST, PM_REMOVE))
      out.push_back(m);
    return out;
  }
  static void Click(POINT p) {
    InputMouseButton(MouseButton::Left, true, p.x, p.y);
    InputMouseButton(MouseButton::Left, false, p.x, p.y);
  }
};

struct KeyCase {
  const char* name;
  std::vector<std::pair<UINT, bool>> events;  // key, down
  std::vector<UINT> messages;
  std::vector<LPARAM> lParams;
};

TEST_F(Input, KeyMessagesAndTheirParameters) {
  const LPARAM scanA = 0x1E << 16, scanAlt = 0x38 << 16, scanF10 = 0x44 << 16;
  const LPARAM scanX = 0x2D << 16, scanUp = 0x48 << 16 | LPARAM(1) << 24;
  const KeyCase cases[] = {
      {"plain key", {{'A', true}, {'A', false}}, {WM_KEYDOWN, WM_KEYUP},
       {1 | scanA, 1 | scanA | kBit30 | kBit31}},
      {"held key repeats", {{'A', true}, {'A', true}}, {WM_KEYDOWN, WM_KEYDOWN},
       {1 | scanA, 1 | scanA | kBit30}},
      {"extended key", {{VK_UP, true}}, {WM_KEYDOWN}, {1 | scanUp}},
      {"Alt with a key",
       {{VK_MENU, true}, {'X', true}, {'X', false}, {VK_MENU, false}},
       {WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP},
       {1 | scanAlt | kBit29, 1 | scanX | kBit29, 1 | scanX | kBit29 | kBit30 | kBit31,
        1 | scanAlt | kBit30 | kBit31}},
      {"Alt alone", {{VK_MENU, true}, {VK_MENU, false}}, {WM_SYSKEYDOWN, WM_SYSKEYUP},
       {1 | scanAlt | kBit29, 1 | scanAlt | kBit29 | kBit30 | kBit31}},
      {"F10", {{VK_F10, true}, {VK_F10, false}}, {WM_SYSKEYDOWN, WM_SYSKEYUP},
       {1 | scanF10, 1 | scanF10 | kBit30 | kBit31}},
  };
  HWND main = TopWindow(100, 100, 300, 200);
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto [vk, down] : c.events) InputKey(vk, down);
    const std::vector<MSG> got = TakeInput();
    ASSERT_EQ(got.size(), c.messages.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].hwnd, main);
      EXPECT_EQ(got[i].message, c.messages[i]) << i;
      EXPECT_EQ(got[i].lParam, c.lParams[i]) << i;
    }
    for (auto [vk, down] : c.events) InputKey(vk, false);
    TakeInput();
  }
}

TEST_F(Input, KeysGoToTheFocusElseTheActiveWindow) {
  HWND main = TopWindow(100, 100, 300, 200);
  HWND child = Child(main, 10, 10, 50, 20);
  SetFocus(child);
  InputKey(VK_RETURN, true);
  SetFocus(nullptr);
  InputKey(VK_RETURN, false);
  std::vector<MSG> got = TakeInput();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, child);
  EXPECT_EQ(got[1].hwnd, main);

  // Nobody to take keys: the state changes at once all the same.
  ShowWindow(main, SW_HIDE);
  ASSERT_EQ(GetActiveWindow(), nullptr);
  InputKey(VK_SHIFT, true);
  EXPECT_TRUE(TakeInput().empty());
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(Input, KeyStateFollowsTheQueueAsyncStateTheHardware) {
  TopWindow(100, 100, 300, 200);
  InputKey(VK_LCONTROL, true);
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL), 0);  // the message is not taken yet
  TakeInput();
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  EXPECT_LT(GetKeyState(VK_LCONTROL), 0);
  InputKey(VK_LCONTROL, false);
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  TakeInput();
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 1, 1);  // toggled by the press
}

struct HitCase {
  const char* name;
  int dx, dy;  // from the window's outer top-left; negative: from the right or bottom
  UINT message;
  LRESULT code;  // the hit test for a non-client message
};

TEST_F(Input, TheDefaultHitTestPicksClientOrNonClientMessages) {
  HWND main = TopWindow(100, 100, 300, 200);
  RECT r;
  GetWindowRect(main, &r);
  const int frame = GetSystemMetrics(SM_CXFRAME), caption = GetSystemMetrics(SM_CYCAPTION);
  const HitCase cases[] = {
      {"client", 150, 100, WM_LBUTTONDOWN, HTCLIENT},
      {"caption", 150, frame + caption / 2, WM_NCLBUTTONDOWN, HTCAPTION},
      {"left border", 1, 100, WM_NCLBUTTONDOWN, HTLEFT},
      {"right border", -2, 100, WM_NCLBUTTONDOWN, HTRIGHT},
      {"top border", 150, 1, WM_NCLBUTTONDOWN, HTTOP},
      {"bottom border", 150, -2, WM_NCLBUTTONDOWN, HTBOTTOM},
      {"top-left corner", 2, 2, WM_NCLBUTTONDOWN, HTTOPLEFT},
      {"bottom-right corner", -2, -2, WM_NCLBUTTONDOWN, HTBOTTOMRIGHT},
  };
  for (const HitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const POINT p{c.dx >= 0 ? r.left + c.dx : r.right + c.dx, c.dy >= 0 ? r.top + c.dy : r.bottom + c.dy};
    Log().clear();
    InputMouseButton(MouseButton::Left, true, p.x, p.y);
    const std::vector<MSG> got = TakeInput();
    ASSERT_GE(got.size(), 1u);
    const MSG& m = got.back();
    EXPECT_EQ(m.hwnd, main);
    EXPECT_EQ(m.message, c.message);
    if (c.code == HTCLIENT) {
      EXPECT_EQ(m.wParam, WPARAM(MK_LBUTTON));
      const POINT cp = ClientPoint(main, 0, 0);
      EXPECT_EQ(m.lParam, MAKELPARAM(p.x - cp.x, p.y - cp.y));
    } else {
      EXPECT_EQ(m.wParam, WPARAM(c.code));
      EXPECT_EQ(m.lParam, MAKELPARAM(p.x, p.y));
    }
    const velta_test::Logged* cursor = FindLogged(WM_SETCURSOR);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(LOWORD(cursor->lParam), WORD(c.code));
    InputMouseButton(MouseButton::Left, false, p.x, p.y);
    TakeInput();
  }
  // Outside every window: nothing.
  InputMouseMove(r.right + 50, r.bottom + 50);
  EXPECT_TRUE(TakeInput().empty());
}

TEST_F(Input, ChildrenBeforeParentsAndDisabledOrTransparentOnesLetThrough) {
  HWND main = TopWindow(100, 100, 300, 200);
  HWND first = Child(main, 10, 10, 100, 50);
  HWND under = Child(main, 10, 10, 100, 50);  // made later: lies beneath `first`
  HWND grand = Child(first, 5, 5, 20, 20);
  HWND off = Child(main, 150, 10, 50, 50, WS_DISABLED);
  HWND glass = Child(main, 150, 100, 50, 50, 0, "InputAnswering");

  EXPECT_EQ(WindowFromPoint(ClientPoint(main, 20, 20)), grand);
  EXPECT_EQ(WindowFromPoint(ClientPoint(main, 60, 40)), first);
  EXPECT_EQ(WindowFromPoint(ClientPoint(main, 160, 20)), main);

  Click(ClientPoint(main, 60, 40));
  Click(ClientPoint(main, 160, 20));
  g_hitAnswer = HTTRANSPARENT;
  Click(ClientPoint(main, 160, 110));
  std::vector<MSG> got = TakeInput();
  std::vector<std::pair<HWND, LPARAM>> downs;
  for (const MSG& m : got)
    if (m.message == WM_LBUTTONDOWN) downs.push_back({m.hwnd, m.lParam});
  ASSERT_EQ(downs.size(), 3u);
  EXPECT_EQ(downs[0].first, first);
  EXPECT_EQ(downs[0].second, MAKELPARAM(50, 30));
  EXPECT_EQ(downs[1].first, main);
  EXPECT_EQ(downs[2].first, main);
  (void)under, (void)off, (void)glass;
}

TEST_F(Input, TheCaptureTakesEveryMouseMessageAsAClientMessage) {
  HWND main = TopWindow(100, 100, 300, 200);
  HWND child = Child(main, 10, 10, 50, 50);
  EXPECT_EQ(SetCapture(child), nullptr);
  EXPECT_EQ(GetCapture(), child);
  const POINT far{5, 5};  // off every window
  InputMouseButton(MouseButton::Right, true, far.x, far.y);
  std::vector<MSG> got = TakeInput();
  ASSERT_EQ(got.size(), 2u);
  const POINT origin = ClientPoint(child, 0, 0);
  EXPECT_EQ(got[0].message, UINT(WM_MOUSEMOVE));
  EXPECT_EQ(got[1].message, UINT(WM_RBUTTONDOWN));
  EXPECT_EQ(got[1].hwnd, child);
  EXPECT_EQ(got[1].wParam, WPARAM(MK_RBUTTON));
  EXPECT_EQ(got[1].lParam, MAKELPARAM(far.x - origin.x, far.y - origin.y));

  Log().clear();
  EXPECT_EQ(SetCapture(main), child);
  const velta_test::Logged* changed = FindLogged(WM_CAPTURECHANGED);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->hwnd, child);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  SetCapture(child);
  DestroyWindow(child);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, AWindowDisabledByAModalOneGetsNothingAndRaisesTheModalOne) {
  HWND main = TopWindow(100, 100, 300, 200);
  HWND modal = TopWindow(500, 400, 100, 80, WS_POPUP | WS_CAPTION, main);
  SetWindowLongPtrA(main, GWL_STYLE, GetWindowLongPtrA(main, GWL_STYLE) | WS_DISABLED);
  SetActiveWindow(main);
  Log().clear();
  Click(ClientPoint(main, 50, 50));
  EXPECT_TRUE(TakeInput().empty());
  for (const velta_test::Logged& l : Log()) {
    if (l.hwnd != main) continue;
    EXPECT_NE(l.message, UINT(WM_NCHITTEST));
    EXPECT_NE(l.message, UINT(WM_SETCURSOR));
    EXPECT_NE(l.message, UINT(WM_MOUSEACTIVATE));
  }
  EXPECT_EQ(GetActiveWindow(), modal);
  EXPECT_EQ(WindowFromPoint(ClientPoint(main, 50, 50)), nullptr);
}

TEST_F(Input, ADisabledOwnerIsNeverActiveAndBringsItsModalPopupBackWithIt) {
  HWND main = TopWindow(100, 100, 300, 200);
  HWND modal = TopWindow(150, 150, 120, 80, WS_POPUP | WS_CAPTION, main);
  HWND control = Child(modal, 10, 10, 40, 20);
  EnableWindow(main, FALSE);
  ASSERT_EQ(GetActiveWindow(), modal);
  auto keyTarget = [&]() {
    InputKey('A', true);
    InputKey('A', false);
    MSG m{};
    const bool got = PeekMessageA(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
    while (PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {}
    return got && (m.hwnd == control || m.hwnd == modal) ? modal : got ? m.hwnd : nullptr;
  };
  // Activation meant for the owner goes to the popup, whichever way it comes.
  SetActiveWindow(main);
  EXPECT_EQ(GetActiveWindow(), modal);
  ShowWindow(main, SW_RESTORE);
  EXPECT_EQ(GetActiveWindow(), modal);
  EXPECT_EQ(keyTarget(), modal);

  // Minimised, the owner takes its popup out of sight; restored, both come back, the popup
  // active and painted whole, controls and all.
  ShowWindow(main, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(modal));
  EXPECT_NE(GetActiveWindow(), main);
  ValidateRect(control, nullptr);
  ShowWindow(main, SW_RESTORE);
  EXPECT_TRUE(IsWindowVisible(modal));
  EXPECT_EQ(GetActiveWindow(), modal);
  EXPECT_TRUE(GetUpdateRect(modal, nullptr, FALSE));
  EXPECT_TRUE(GetUpdateRect(control, nullptr, FALSE));
  EXPECT_EQ(keyTarget(), modal);

  // Enabled again, the owner is activated as any window.
  EnableWindow(main, TRUE);
  SetActiveWindow(main);
  EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(Input, AClickActivatesUnlessTheWindowDeclines) {
  HWND a = TopWindow(10, 10, 200, 150);
  HWND b = TopWindow(400, 300, 200, 150);
  ASSERT_EQ(GetActiveWindow(), b);
  Click(ClientPoint(a, 20, 20));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  TakeInput();

  HWND c = CreateWindowExA(0, "InputAnswering", "c", WS_OVERLAPPEDWINDOW, 10, 400, 200, 150,
                           nullptr, nullptr, nullptr, nullptr);
  ShowWindow(c, SW_SHOWNOACTIVATE);
  g_activateAnswer = MA_NOACTIVATEANDEAT;
  Click(ClientPoint(c, 20, 20));
  EXPECT_EQ(GetActiveWindow(), a);
  for (const MSG& m : TakeInput()) EXPECT_NE(m.message, UINT(WM_LBUTTONDOWN));
}

TEST_F(Input, TheTopmostAndNewestTopLevelWindowLiesOnTop) {
  HWND pinned = TopWindow(0, 0, 300, 300, WS_POPUP, nullptr, WS_EX_TOPMOST);
  HWND older = TopWindow(100, 100, 300, 300, WS_POPUP);
  HWND newer = TopWindow(150, 150, 300, 300, WS_POPUP);
  EXPECT_EQ(WindowFromPoint(POINT{200, 200}), pinned);
  EXPECT_EQ(WindowFromPoint(POINT{350, 350}), newer);
  EXPECT_EQ(WindowFromPoint(POINT{120, 390}), older);
  ShowWindow(newer, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{350, 350}), older);
}

}  // namespace
