// The menu's modal loop: popup menus driven by queued keys and by the mouse, the menu bar from
// Alt, F10, Alt and a mnemonic and a click, what the owner hears, and the loop's end when the
// owner goes away or the program quits; the bar and the drop-down as drawn on the screen.
#include "window_recorder.h"

#include "display/display.h"
#include "win32/input.h"
#include "win32/menu_internal.h"

#include <functional>
#include <vector>

using velta_test::FindLogged;
using velta_test::Log;
using velta_test::LoggedMessages;
using velta_test::WindowTest;

namespace {

constexpr COLORREF kGrey = 0xC0C0C0;
constexpr COLORREF kNavy = 0x000080;

// A screen pixel as 0xRRGGBB (the headless desktop is 32 bits deep).
COLORREF ScreenAt(int x, int y) {
  const ScreenBuffer& s = TheDisplay().Screen();
  if (s.bitsPerPixel != 32 || x < 0 || y < 0 || DWORD(x) >= s.width || DWORD(y) >= s.height)
    return CLR_INVALID;
  const uint8_t* p = s.pixels.data() + size_t(y) * s.pitch + size_t(x) * 4;
  return COLORREF(p[0] | p[1] << 8 | p[2] << 16);
}

int CountColour(const RECT& r, COLORREF c) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += ScreenAt(x, y) == c;
  return n;
}

void PostKeys(HWND w, std::initializer_list<UINT> keys) {
  for (UINT vk : keys) PostMessageA(w, WM_KEYDOWN, vk, 1);
}

// Something to do once the loop runs and its first drop-down is on the screen: the owner is
// asked for it with a message the loop dispatches.
constexpr UINT kDuringLoop = WM_USER + 7;
std::function<void(HWND)>& DuringLoop() {
  static std::function<void(HWND)> action;
  return action;
}

LRESULT CALLBACK OwnerProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP && DuringLoop()) PostMessageA(w, kDuringLoop, 0, 0);
  if (message == kDuringLoop && DuringLoop()) {
    auto action = std::move(DuringLoop());
    DuringLoop() = nullptr;
    action(w);
    return 0;
  }
  return velta_test::RecordingProc(w, message, wParam, lParam);
}

// The drop-down on the screen just below a point of its owner's bar, found as the window there.
HWND DropDownBelow(const RECT& item) {
  return WindowFromPoint(POINT{item.left + 4, item.bottom + 6});
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class MenuLoopTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    DuringLoop() = nullptr;
    window = CreateShownWindow();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerProc));
    popupMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(145));
    Log().clear();
  }
  void TearDown() override {
    DuringLoop() = nullptr;
    DestroyMenu(popupMenu);
    WindowTest::TearDown();
  }

  BOOL Track(UINT flags = TPM_VERTICAL) {
    return TrackPopupMenuEx(GetSubMenu(popupMenu, 0), flags, 200, 150, window, nullptr);
  }

  // Commands that reach the window once the queue is taken.
  std::vector<WPARAM> Commands() {
    Pump();
    std::vector<WPARAM> out;
    for (const auto& l : Log())
      if (l.message == WM_COMMAND) out.push_back(l.wParam);
    return out;
  }

  HWND window = nullptr;
  HMENU popupMenu = nullptr;
};

TEST_F(MenuLoopTest, KeysChooseFromAPopupMenuWhichPostsTheCommandAfterClosing) {
  PostKeys(window, {VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(Track());
  const auto* enter = FindLogged(WM_ENTERMENULOOP);
  ASSERT_NE(enter, nullptr);
  EXPECT_EQ(enter->wParam, WPARAM(TRUE));
  const auto* init = FindLogged(WM_INITMENUPOPUP);
  ASSERT_NE(init, nullptr);
  EXPECT_EQ(init->wParam, reinterpret_cast<WPARAM>(GetSubMenu(popupMenu, 0)));
  const auto* exit = FindLogged(WM_EXITMENULOOP);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->wParam, WPARAM(TRUE));
  EXPECT_LT(enter, init);
  EXPECT_LT(init, exit);
  EXPECT_EQ(FindLogged(WM_COMMAND), nullptr);  // posted, not sent
  EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(40017, 0)});
}

TEST_F(MenuLoopTest, NavigationSkipsSeparatorsAndWraps) {
  struct Case {
    std::vector<UINT> keys;
    UINT command;
  };
  const Case cases[] = {
      {{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, 40015},  // past the separator to About
      {{VK_UP, VK_RETURN}, 40001},                      // from nothing up to the last item
      {{VK_DOWN, VK_UP, VK_RETURN}, 40001},             // wraps from the first to the last
      {{'C'}, 40010},                                   // a mnemonic chooses at once
      {{VK_F9}, 0},                                     // not a menu key: Esc ends it
      {{VK_RETURN}, 0},                                 // nothing selected
  };
  for (const Case& c : cases) {
    Log().clear();
    for (UINT k : c.keys) PostKeys(window, {k});
    PostKeys(window, {VK_ESCAPE});
    const UINT got = TrackPopupMenuEx(GetSubMenu(popupMenu, 0), TPM_RETURNCMD, 10, 10, window,
                                      nullptr);
    EXPECT_EQ(got, c.command) << c.keys.size();
    Pump();
  }
}

TEST_F(MenuLoopTest, ReturnCommandGivesTheChoiceInsteadOfPostingIt) {
  PostKeys(window, {VK_DOWN, VK_RETURN});
  EXPECT_EQ(Track(TPM_RETURNCMD), 40016);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuLoopTest, EscapeChoosesNothing) {
  PostKeys(window, {VK_DOWN, VK_ESCAPE});
  EXPECT_TRUE(Track());
  EXPECT_NE(FindLogged(WM_EXITMENULOOP), nullptr);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(Track(TPM_RETURNCMD), 0);  // and with no input at all the menu is dismissed
}

TEST_F(MenuLoopTest, OtherMessagesAreDispatchedMeanwhile) {
  PostMessageA(window, WM_USER + 1, 5, 6);
  PostKeys(window, {VK_ESCAPE});
  Track();
  const auto* user = FindLogged(WM_USER + 1);
  ASSERT_NE(user, nullptr);
  EXPECT_LT(user, FindLogged(WM_EXITMENULOOP));
}

TEST_F(MenuLoopTest, LoopEndsWhenTheOwnerIsDestroyed) {
  PostKeys(window, {VK_DOWN});
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostKeys(window, {VK_RETURN});
  EXPECT_TRUE(Track());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(FindLogged(WM_EXITMENULOOP), nullptr);
  EXPECT_EQ(LoggedMessages({WM_COMMAND}).size(), LoggedMessages().size());
}

TEST_F(MenuLoopTest, QuitEndsTheLoopAndIsPostedAgain) {
  PostKeys(window, {VK_DOWN});
  PostQuitMessage(7);
  EXPECT_TRUE(Track());
  EXPECT_NE(FindLogged(WM_EXITMENULOOP), nullptr);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(MenuLoopTest, RefusedWithoutAMenuOrAnOwnerAndWhileAnotherRuns) {
  EXPECT_FALSE(TrackPopupMenuEx(nullptr, 0, 0, 0, window, nullptr));
  EXPECT_FALSE(TrackPopupMenuEx(GetSubMenu(popupMenu, 0), 0, 0, 0, nullptr, nullptr));
  EXPECT_EQ(FindLogged(WM_ENTERMENULOOP), nullptr);
  BOOL nested = TRUE;
  DuringLoop() = [&](HWND w) {
    nested = TrackPopupMenuEx(GetSubMenu(popupMenu, 0), 0, 0, 0, w, nullptr);
    PostKeys(w, {VK_ESCAPE});
  };
  Track();
  EXPECT_FALSE(nested);
}

TEST_F(MenuLoopTest, MouseClickOnAnItemChoosesAndOutsideCloses) {
  DuringLoop() = [](HWND w) {
    HWND dropDown = WindowFromPoint(POINT{205, 155});
    ASSERT_NE(dropDown, w);
    const POINT at = Centre(MenuPopupItemRect(dropDown, 3));  // About
    InputMouseButton(MouseButton::Left, true, at.x, at.y);
    InputMouseButton(MouseButton::Left, false, at.x, at.y);
  };
  Track();
  EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(40015, 0)});

  Log().clear();
  DuringLoop() = [](HWND) {
    InputMouseButton(MouseButton::Left, true, 5, 5);
    InputMouseButton(MouseButton::Left, false, 5, 5);
  };
  Track();
  EXPECT_NE(FindLogged(WM_EXITMENULOOP), nullptr);
  EXPECT_TRUE(Commands().empty());
  // The click that closed the menu is not passed on.
  EXPECT_EQ(FindLogged(WM_LBUTTONDOWN), nullptr);
}

TEST_F(MenuLoopTest, DropDownIsDrawnWithItsSelectionAndUncoversWhenItGoes) {
  int navyDuring = 0, greyDuring = 0;
  RECT box{};
  DuringLoop() = [&](HWND w) {
    HWND dropDown = WindowFromPoint(POINT{205, 155});
    GetWindowRect(dropDown, &box);
    PostKeys(w, {VK_DOWN});
    PostMessageA(w, kDuringLoop, 0, 0);
    DuringLoop() = [&navyDuring, &greyDuring, &box, dropDown](HWND w2) {
      navyDuring = CountColour(MenuPopupItemRect(dropDown, 0), kNavy);
      greyDuring = CountColour(box, kGrey);
      PostKeys(w2, {VK_ESCAPE});
    };
  };
  Track();
  EXPECT_GT(navyDuring, 100);
  EXPECT_GT(greyDuring, 100);
  // Gone from the screen: the owner under it has that place to paint again.
  RECT update{};
  EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
  EXPECT_EQ(CountColour(box, kNavy), 0);
}

TEST_F(MenuLoopTest, MenuBarIsDrawnGreyWithItsText) {
  const std::vector<RECT> items = MenuBarItemRects(window);
  ASSERT_EQ(items.size(), 1u);
  const RECT bar = MenuBarRect(window);
  EXPECT_EQ(bar.bottom - bar.top, GetSystemMetrics(SM_CYMENU));
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  EXPECT_EQ(bar.bottom, origin.y);
  DrawMenuBar(window);
  const RECT& file = items[0];
  const int area = (file.right - file.left) * (file.bottom - file.top);
  const int grey = CountColour(file, kGrey);
  const int ink = CountColour(file, 0x000000);
  EXPECT_GT(grey, area / 2);
  EXPECT_GT(ink, 10);  // "File" and its underlined F
}

struct BarCase {
  const char* name;
  std::vector<MSG> messages;  // posted to the window in order (hwnd filled in)
  UINT command;
};

std::vector<BarCase> BarCases() {
  const LPARAM alt = LPARAM(1 | (KF_ALTDOWN << 16));
  return {
      {"AltDownEnter",
       {{nullptr, WM_SYSKEYDOWN, VK_MENU, alt, 0, {}},
        {nullptr, WM_SYSKEYUP, VK_MENU, alt, 0, {}},
        {nullptr, WM_KEYDOWN, VK_DOWN, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_DOWN, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_RETURN, 1, 0, {}}},
       40016},
      {"F10EnterUp",
       {{nullptr, WM_SYSKEYDOWN, VK_F10, 1, 0, {}},
        {nullptr, WM_SYSKEYUP, VK_F10, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_RETURN, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_UP, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_RETURN, 1, 0, {}}},
       40001},
      {"AltFMnemonic",
       {{nullptr, WM_SYSCHAR, 'f', alt, 0, {}}, {nullptr, WM_KEYDOWN, 'A', 1, 0, {}}},
       40015},
      {"EscapeTwice",
       {{nullptr, WM_SYSKEYUP, VK_MENU, alt, 0, {}},
        {nullptr, WM_KEYDOWN, VK_DOWN, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_ESCAPE, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_ESCAPE, 1, 0, {}},
        {nullptr, WM_KEYDOWN, VK_RETURN, 1, 0, {}}},
       40016},  // the Enter after the menu closed is the window's own (Go/stop's key)
      {"AltAgainCloses",
       {{nullptr, WM_SYSKEYUP, VK_MENU, alt, 0, {}},
        {nullptr, WM_SYSKEYDOWN, VK_MENU, alt, 0, {}},
        {nullptr, WM_SYSKEYUP, VK_MENU, alt, 0, {}},  // does not open it again
        {nullptr, WM_KEYDOWN, 'X', 1, 0, {}}},
       0},
  };
}

class MenuBarKeys : public MenuLoopTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(MenuBarKeys, OpenTheBarAndChoose) {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(113));
  for (MSG m : GetParam().messages) {
    m.hwnd = window;
    PostMessageA(window, m.message, m.wParam, m.lParam);
  }
  // The program's loop: accelerators first, then translation and dispatch.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (TranslateAcceleratorA(window, table, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DestroyAcceleratorTable(table);
  const auto* enter = FindLogged(WM_ENTERMENULOOP);
  ASSERT_NE(enter, nullptr);
  EXPECT_EQ(enter->wParam, WPARAM(FALSE));
  EXPECT_NE(FindLogged(WM_EXITMENULOOP), nullptr);
  std::vector<UINT> commands;
  for (const auto& l : Log())
    if (l.message == WM_COMMAND) commands.push_back(LOWORD(l.wParam));
  if (GetParam().command)
    EXPECT_EQ(commands, std::vector<UINT>{GetParam().command});
  else
    EXPECT_TRUE(commands.empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, MenuBarKeys, ::testing::ValuesIn(BarCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuLoopTest, ClickOnTheBarDropsItsMenuDownAndAClickChooses) {
  const RECT file = MenuBarItemRects(window)[0];
  int sunkenChecked = 0;
  DuringLoop() = [&](HWND) {
    HWND dropDown = DropDownBelow(file);
    ASSERT_NE(dropDown, window);
    sunkenChecked = 1;
    const POINT at = Centre(MenuPopupItemRect(dropDown, 8));  // Exit
    InputMouseMove(at.x, at.y);
    InputMouseButton(MouseButton::Left, true, at.x, at.y);
    InputMouseButton(MouseButton::Left, false, at.x, at.y);
  };
  const POINT at = Centre(file);
  InputMouseButton(MouseButton::Left, true, at.x, at.y);
  InputMouseButton(MouseButton::Left, false, at.x, at.y);
  Pump();
  EXPECT_EQ(sunkenChecked, 1);
  const auto* enter = FindLogged(WM_ENTERMENULOOP);
  ASSERT_NE(enter, nullptr);
  EXPECT_EQ(enter->wParam, WPARAM(FALSE));
  std::vector<UINT> commands;
  for (const auto& l : Log())
    if (l.message == WM_COMMAND) commands.push_back(LOWORD(l.wParam));
  EXPECT_EQ(commands, std::vector<UINT>{40001});
}

TEST_F(MenuLoopTest, RightButtonUpInTheClientAreaAsksForTheContextMenu) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
  const auto* context = FindLogged(WM_CONTEXTMENU);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->wParam, reinterpret_cast<WPARAM>(window));
  EXPECT_EQ(LOWORD(context->lParam), origin.x + 30);
  EXPECT_EQ(HIWORD(context->lParam), origin.y + 40);
}

TEST_F(WindowTest, ProgramIconLoadsAsADrawableSharedIcon) {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)), icon);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), icon);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102)), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  std::vector<COLORREF> before;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) before.push_back(ScreenAt(100 + x, 100 + y));
  HDC dc = GetDC(nullptr);
  ASSERT_TRUE(DrawIconEx(dc, 100, 100, icon, 0, 0, 0, nullptr, DI_NORMAL));
  ReleaseDC(nullptr, dc);
  int changed = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) changed += ScreenAt(100 + x, 100 + y) != before[size_t(y * 32 + x)];
  // The disc is drawn; the corners around it are left as they were.
  EXPECT_GT(changed, 32 * 32 / 2);
  EXPECT_EQ(ScreenAt(100, 100), before[0]);
}

}  // namespace
