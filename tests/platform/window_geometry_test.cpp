// Window geometry: the metrics arithmetic that yields the viewer's 640 x 480 client area, frames
// of each style, placement by the display, and the tracking sizes.
#include "window_recorder.h"

using velta_test::FindLogged;
using velta_test::Log;
using velta_test::WindowTest;

TEST_F(WindowTest, MetricsArithmeticYieldsA640By480ClientArea) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  HWND w = CreateMainWindow();
  ASSERT_NE(w, nullptr);
  RECT client, outer;
  ASSERT_TRUE(GetClientRect(w, &client));
  ASSERT_TRUE(GetWindowRect(w, &outer));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.top, 0);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(outer.right - outer.left, 648);
  EXPECT_EQ(outer.bottom - outer.top, 526);
  // The display centres a window given the default place.
  EXPECT_EQ(outer.left, (1024 - 648) / 2);
  EXPECT_EQ(outer.top, (768 - 526) / 2);
  POINT origin{0, 0};
  ASSERT_TRUE(ClientToScreen(w, &origin));
  EXPECT_EQ(origin.x, outer.left + GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(origin.y, outer.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                          GetSystemMetrics(SM_CYMENU));
}

TEST_F(WindowTest, FramesOfEachStyle) {
  const struct {
    DWORD style;
    DWORD exStyle;
    BOOL menu;
    RECT margins;  // left, top, right, bottom
  } cases[] = {
      {WS_OVERLAPPEDWINDOW, 0, TRUE, {4, 4 + 19 + 19, 4, 4}},
      {WS_OVERLAPPEDWINDOW, 0, FALSE, {4, 4 + 19, 4, 4}},
      {WS_POPUP, 0, FALSE, {0, 0, 0, 0}},
      {WS_POPUP | WS_BORDER, 0, FALSE, {1, 1, 1, 1}},
      {WS_POPUP | WS_CAPTION, 0, FALSE, {3, 3 + 19, 3, 3}},
      {WS_POPUP | WS_DLGFRAME, WS_EX_DLGMODALFRAME, FALSE, {3, 3, 3, 3}},
      {WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, FALSE, {3, 3 + 15, 3, 3}},
      {WS_POPUP, WS_EX_CLIENTEDGE, FALSE, {2, 2, 2, 2}},
  };
  for (const auto& c : cases) {
    RECT r{100, 100, 200, 200};
    ASSERT_TRUE(AdjustWindowRectEx(&r, c.style, c.menu, c.exStyle));
    EXPECT_EQ(100 - r.left, c.margins.left) << std::hex << c.style;
    EXPECT_EQ(100 - r.top, c.margins.top) << std::hex << c.style;
    EXPECT_EQ(r.right - 200, c.margins.right) << std::hex << c.style;
    EXPECT_EQ(r.bottom - 200, c.margins.bottom) << std::hex << c.style;
  }
  EXPECT_FALSE(AdjustWindowRect(nullptr, WS_OVERLAPPEDWINDOW, FALSE));
}

TEST_F(WindowTest, AMenuHandleAlsoGivesAMenuBar) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = velta_test::RecordingProc;
  wc.lpszClassName = "NoMenu";
  ASSERT_NE(RegisterClassA(&wc), 0);
  const struct {
    HMENU menu;
    LONG clientHeight;
  } cases[] = {{nullptr, 300 - 8 - 19}, {reinterpret_cast<HMENU>(uintptr_t(0x5151)), 300 - 8 - 38}};
  for (const auto& c : cases) {
    HWND w = CreateWindowExA(0, "NoMenu", "", WS_OVERLAPPEDWINDOW, 10, 10, 400, 300, nullptr,
                             c.menu, nullptr, nullptr);
    RECT r;
    GetClientRect(w, &r);
    EXPECT_EQ(r.bottom, c.clientHeight);
    RECT outer;
    GetWindowRect(w, &outer);
    EXPECT_EQ(outer.left, 10);  // an explicit place is kept
    DestroyWindow(w);
  }
}

namespace {

LRESULT CALLBACK MinimumSizeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETMINMAXINFO) {
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{100, 100};
  }
  return velta_test::RecordingProc(hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(WindowTest, SizesKeepWithinTheTrackingSizes) {
  HWND w = CreateShownWindow();
  SetWindowPos(w, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYMINTRACK));
  GetClientRect(w, &r);
  EXPECT_EQ(r.bottom, 0);  // the caption and menu bar fill it

  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MinimumSizeProc));
  SetWindowPos(w, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_EQ(r.bottom - r.top, 100);

  SetWindowPos(w, nullptr, 0, 0, 5000, 5000, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMAXTRACK));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYMAXTRACK));

  // Popup windows without a sizing frame take any size, and absurd values are held in range.
  HWND popup = CreateWindowExA(0, velta_test::kClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  SetWindowPos(popup, nullptr, 2147483647, -2147483647, -5, 2147483647, SWP_NOZORDER);
  GetWindowRect(popup, &r);
  EXPECT_EQ(r.left, 32767);
  EXPECT_EQ(r.top, -32768);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 32767);
}

TEST_F(WindowTest, GeometryCallsRefuseBadArguments) {
  HWND w = CreateMainWindow();
  EXPECT_FALSE(GetClientRect(w, nullptr));
  EXPECT_FALSE(GetWindowRect(w, nullptr));
  EXPECT_FALSE(ClientToScreen(w, nullptr));
  POINT p{1, 2};
  EXPECT_FALSE(ClientToScreen(nullptr, &p));
  EXPECT_EQ(p.x, 1);
  EXPECT_FALSE(SetWindowPos(nullptr, nullptr, 0, 0, 1, 1, 0));
  EXPECT_FALSE(ShowWindow(w, 99));
  EXPECT_EQ(GetSystemMetrics(-1), 0);
  EXPECT_EQ(GetSystemMetrics(10000), 0);
}

TEST_F(WindowTest, CursorsIconsAndStockObjects) {
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_WAIT));
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, "arrow"), nullptr);
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)), nullptr);
  EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), "icon"), nullptr);
  EXPECT_NE(GetStockObject(WHITE_BRUSH), nullptr);
  EXPECT_NE(GetStockObject(WHITE_BRUSH), GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT + 1), nullptr);
}
