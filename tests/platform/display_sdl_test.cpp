// The SDL display on SDL's dummy video driver: which display the environment picks, what the
// host window shows of the screen in each depth, full screen and back, and host input and
// window events turned into window messages.
#include "display/display.h"
#include "testing/sdl_hooks.h"
#include "window_recorder.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <cstring>

using namespace velta_test;

namespace {

// A window procedure that hides the cursor over the client area, as the viewer in full screen.
LRESULT CALLBACK NoCursorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
    SetCursor(nullptr);
    return TRUE;
  }
  return RecordingProc(hwnd, message, wParam, lParam);
}

struct Rgb {
  int r, g, b;
};

// Writes one colour into every pixel of a screen rectangle, in the screen's format.
void FillScreen(ScreenBuffer& s, RECT r, Rgb c) {
  for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, LONG(s.height)); ++y) {
    uint8_t* row = s.pixels.data() + size_t(y) * s.pitch;
    for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, LONG(s.width)); ++x) {
      switch (s.bitsPerPixel) {
        case 8:
          row[x] = 7;
          break;
        case 16: {
          const unsigned v =
              unsigned(c.r >> 3) << 11 | unsigned(c.g >> 2) << 5 | unsigned(c.b >> 3);
          row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
          break;
        }
        case 24:
          row[3 * x] = uint8_t(c.b), row[3 * x + 1] = uint8_t(c.g), row[3 * x + 2] = uint8_t(c.r);
          break;
        case 32:
          row[4 * x] = uint8_t(c.b), row[4 * x + 1] = uint8_t(c.g), row[4 * x + 2] = uint8_t(c.r);
          row[4 * x + 3] = 0;
          break;
      }
    }
  }
  if (s.bitsPerPixel == 8) s.palette[7] = PALETTEENTRY{BYTE(c.r), BYTE(c.g), BYTE(c.b), 0};
}

// The colour the host window shows at a point (window pixels).
Rgb ShownPixel(int x, int y) {
  SDL_Renderer* r = TestSdlRenderer();
  // Reading goes through the renderer's viewport; full screen scales it, so read unscaled.
  float sx = 1, sy = 1;
  SDL_RenderGetScale(r, &sx, &sy);
  SDL_Rect viewport;
  SDL_RenderGetViewport(r, &viewport);
  SDL_RenderSetScale(r, 1, 1);
  SDL_RenderSetViewport(r, nullptr);
  Uint32 pixel = 0;
  const SDL_Rect one{x, y, 1, 1};
  SDL_RenderReadPixels(r, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4);
  SDL_RenderSetViewport(r, &viewport);
  SDL_RenderSetScale(r, sx, sy);
  return Rgb{int(pixel >> 16 & 255), int(pixel >> 8 & 255), int(pixel & 255)};
}

void ExpectNear(Rgb got, Rgb want, const char* what) {
  EXPECT_NEAR(got.r, want.r, 8) << what;
  EXPECT_NEAR(got.g, want.g, 8) << what;
  EXPECT_NEAR(got.b, want.b, 8) << what;
}

void Push(const SDL_Event& e) {
  SDL_Event copy = e;
  ASSERT_EQ(SDL_PushEvent(&copy), 1) << SDL_GetError();
}

void PushWindowEvent(Uint8 event, int data1 = 0, int data2 = 0) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(TestSdlWindow());
  e.window.event = event;
  e.window.data1 = data1;
  e.window.data2 = data2;
  Push(e);
}

class SdlDisplayTest : public WindowTest {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("VELTA_VIDEO", "sdl", 1);
    WindowTest::SetUp();
    if (std::strcmp(TheDisplay().Name(), "sdl") != 0) GTEST_SKIP() << "SDL cannot start here";
  }
  void TearDown() override {
    WindowTest::TearDown();
    unsetenv("VELTA_VIDEO");
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
  }

  // Hands the host's events to the layer and dispatches what they became.
  static void Deliver() {
    TheDisplay().PumpEvents(false);
    Pump();
  }
};

TEST_F(SdlDisplayTest, TheEnvironmentChoosesTheDisplay) {
  const struct {
    const char* video;    // VELTA_VIDEO, null: unset
    const char* display;  // DISPLAY, null: unset
    const char* driver;   // SDL_VIDEODRIVER
    const char* name;
  } cases[] = {
      {"sdl", nullptr, "dummy", "sdl"},
      {"SDL", nullptr, "dummy", "sdl"},
      {nullptr, ":99", "dummy", "sdl"},
      {nullptr, nullptr, "dummy", "headless"},
      {nullptr, "", "dummy", "headless"},
      {"headless", ":99", "dummy", "headless"},
      {nullptr, ":99", "no-such-driver", "headless"},  // SDL fails: headless after one line
  };
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string keepWayland = wayland ? wayland : "";
  unsetenv("WAYLAND_DISPLAY");
  for (const auto& c : cases) {
    c.video ? setenv("VELTA_VIDEO", c.video, 1) : unsetenv("VELTA_VIDEO");
    c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
    setenv("SDL_VIDEODRIVER", c.driver, 1);
    TestResetDisplay();
    EXPECT_STREQ(TheDisplay().Name(), c.name)
        << (c.video ? c.video : "-") << " " << (c.display ? c.display : "-") << " " << c.driver;
  }
  // Asked for by name, a display that cannot open ends the program in one line.
  setenv("VELTA_VIDEO", "sdl", 1);
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  TestResetDisplay();
  EXPECT_EXIT(TheDisplay(), ::testing::ExitedWithCode(1),
              "velta: VELTA_VIDEO=sdl: the SDL window cannot open \\(");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  TestResetDisplay();
  if (wayland) setenv("WAYLAND_DISPLAY", keepWayland.c_str(), 1);
}

TEST_F(SdlDisplayTest, TheWindowShowsTheMenuBarAndClientArea) {
  SDL_Window* host = TestSdlWindow();
  ASSERT_NE(host, nullptr);
  EXPECT_FALSE(SDL_GetWindowFlags(host) & SDL_WINDOW_SHOWN);  // nothing to show yet
  HWND w = CreateShownWindow();
  EXPECT_TRUE(SDL_GetWindowFlags(host) & SDL_WINDOW_SHOWN);
  EXPECT_STREQ(SDL_GetWindowTitle(host), "Velta Character Demo v.003");

  RECT client;
  GetClientRect(w, &client);
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  const int menu = GetSystemMetrics(SM_CYMENU);
  const RECT shown = TestSdlShownRect();
  EXPECT_EQ(shown.left, origin.x);
  EXPECT_EQ(shown.top, origin.y - menu);
  EXPECT_EQ(shown.right, origin.x + 640);
  EXPECT_EQ(shown.bottom, origin.y + 480);
  int width = 0, height = 0;
  SDL_GetWindowSize(host, &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480 + menu);

  // The menu bar, the client area and what lies beside them on the screen.
  ScreenBuffer& s = TheDisplay().Screen();
  FillScreen(s, RECT{0, 0, LONG(s.width), LONG(s.height)}, Rgb{255, 0, 0});
  FillScreen(s, RECT{shown.left, shown.top, shown.right, origin.y}, Rgb{192, 192, 192});
  FillScreen(s, RECT{origin.x, origin.y, origin.x + 640, origin.y + 480}, Rgb{48, 48, 48});
  TheDisplay().FramePresented();
  ExpectNear(ShownPixel(0, 0), Rgb{192, 192, 192}, "menu bar, top left");
  ExpectNear(ShownPixel(639, menu - 1), Rgb{192, 192, 192}, "menu bar, bottom right");
  ExpectNear(ShownPixel(0, menu), Rgb{48, 48, 48}, "client, top left");
  ExpectNear(ShownPixel(639, menu + 479), Rgb{48, 48, 48}, "client, bottom right");
  EXPECT_EQ(TheDisplay().PresentedFrames(), 1u);
}

TEST_F(SdlDisplayTest, FullScreenShowsEachDepthScaledAndComesBack) {
  HWND w = CreateShownWindow();
  SDL_Window* host = TestSdlWindow();
  const struct {
    DWORD width, height, bpp;
    Rgb colour;
  } modes[] = {
      {640, 480, 16, {0, 128, 248}},
      {640, 480, 32, {10, 200, 30}},
      {800, 600, 24, {250, 100, 5}},
      {320, 200, 8, {60, 0, 120}},  // wider than the screen: bars above and below
  };
  for (const auto& m : modes) {
    ASSERT_TRUE(TheDisplay().SetMode(m.width, m.height, m.bpp)) << m.bpp;
    EXPECT_TRUE(SDL_GetWindowFlags(host) & SDL_WINDOW_FULLSCREEN_DESKTOP);
    ScreenBuffer& s = TheDisplay().Screen();
    FillScreen(s, RECT{0, 0, LONG(s.width), LONG(s.height)}, m.colour);
    TheDisplay().FramePresented();
    int hw = 0, hh = 0;
    SDL_GetRendererOutputSize(TestSdlRenderer(), &hw, &hh);
    ExpectNear(ShownPixel(hw / 2, hh / 2), m.colour, "centre");
    ExpectNear(ShownPixel(hw / 2, hh / 2 + hh / 5), m.colour, "below the centre");
    // The host window is the host screen, and its pixels are the mode's: the mouse at the
    // host's bottom right is at the mode's.
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(host), &bounds);
    EXPECT_TRUE(hw == bounds.w && hh == bounds.h) << hw << "x" << hh;
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = hw - 1, e.motion.y = hh - 1;
    Push(e);
    Deliver();
    POINT at{};
    GetCursorPos(&at);
    EXPECT_TRUE(at.x == LONG(m.width) - 1 && at.y == LONG(m.height) - 1) << at.x << "," << at.y;
  }
  // 320 x 200 on the dummy driver's 4:3 screen: the top rows are a bar.
  int hw = 0, hh = 0;
  SDL_GetRendererOutputSize(TestSdlRenderer(), &hw, &hh);
  if (hw * 3 == hh * 4) ExpectNear(ShownPixel(hw / 2, 1), Rgb{0, 0, 0}, "letterbox bar");

  TheDisplay().RestoreDesktopMode();
  EXPECT_FALSE(SDL_GetWindowFlags(host) & SDL_WINDOW_FULLSCREEN_DESKTOP);
  int width = 0, height = 0;
  SDL_GetWindowSize(host, &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480 + GetSystemMetrics(SM_CYMENU));
  EXPECT_TRUE(IsWindow(w));
}

TEST_F(SdlDisplayTest, KeysBecomeVirtualKeys) {
  HWND w = CreateShownWindow();
  SetFocus(w);
  const struct {
    SDL_Keycode key;
    UINT vk;
  } keys[] = {
      {SDLK_a, 'A'},
      {SDLK_z, 'Z'},
      {SDLK_0, '0'},
      {SDLK_9, '9'},
      {SDLK_F1, VK_F1},
      {SDLK_F2, VK_F2},
      {SDLK_F12, VK_F12},
      {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN},
      {SDLK_SPACE, VK_SPACE},
      {SDLK_ESCAPE, VK_ESCAPE},
      {SDLK_TAB, VK_TAB},
      {SDLK_LEFT, VK_LEFT},
      {SDLK_DOWN, VK_DOWN},
      {SDLK_LCTRL, VK_CONTROL},
      {SDLK_RCTRL, VK_CONTROL},
      {SDLK_LSHIFT, VK_SHIFT},
      {SDLK_RSHIFT, VK_SHIFT},
  };
  for (const auto& k : keys) {
    Log().clear();
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(TestSdlWindow());
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = k.key;
    Push(e);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    Push(e);
    Deliver();
    const Logged* down = FindLogged(WM_KEYDOWN);
    const Logged* up = FindLogged(WM_KEYUP);
    ASSERT_NE(down, nullptr) << SDL_GetKeyName(k.key);
    EXPECT_EQ(down->wParam, WPARAM(k.vk)) << SDL_GetKeyName(k.key);
    ASSERT_NE(up, nullptr) << SDL_GetKeyName(k.key);
    EXPECT_EQ(up->wParam, WPARAM(k.vk)) << SDL_GetKeyName(k.key);
  }
  // Either Alt key is the menu key, and goes to the window as a system key.
  for (SDL_Keycode alt : {SDLK_LALT, SDLK_RALT}) {
    Log().clear();
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = alt;
    Push(e);
    Deliver();
    const Logged* down = FindLogged(WM_SYSKEYDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->wParam, WPARAM(VK_MENU));
    e.type = SDL_KEYUP;
    Push(e);
    // Alt alone opens the menu bar, which waits for the user: Escape closes it.
    e.key.keysym.sym = SDLK_ESCAPE;
    e.type = SDL_KEYDOWN;
    Push(e);
    e.type = SDL_KEYUP;
    Push(e);
    Deliver();
  }
}

TEST_F(SdlDisplayTest, TheMouseMovesOnTheScreenUnderTheWindow) {
  HWND w = CreateShownWindow();
  const int menu = GetSystemMetrics(SM_CYMENU);
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = 10, e.motion.y = menu + 20;
  Push(e);
  e = SDL_Event{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 10, e.button.y = menu + 20;
  Push(e);
  Deliver();
  const Logged* move = FindLogged(WM_MOUSEMOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->hwnd, w);
  EXPECT_EQ(LOWORD(move->lParam), 10);
  EXPECT_EQ(HIWORD(move->lParam), 20);
  const Logged* click = FindLogged(WM_LBUTTONDOWN);
  ASSERT_NE(click, nullptr);
  EXPECT_EQ(LOWORD(click->lParam), 10);
  EXPECT_EQ(HIWORD(click->lParam), 20);

  // The wheel: WM_MOUSEWHEEL to the focus window, a notch WHEEL_DELTA, at the mouse's place on
  // the screen; a flipped wheel turns the other way.
  SetFocus(w);
  for (const auto direction : {SDL_MOUSEWHEEL_NORMAL, SDL_MOUSEWHEEL_FLIPPED}) {
    Log().clear();
    e = SDL_Event{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = -2;
    e.wheel.direction = Uint32(direction);
    Push(e);
    Deliver();
    const Logged* wheel = FindLogged(WM_MOUSEWHEEL);
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->hwnd, w);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel->wParam),
              direction == SDL_MOUSEWHEEL_NORMAL ? -2 * WHEEL_DELTA : 2 * WHEEL_DELTA);
    POINT at{10, 20};
    ClientToScreen(w, &at);
    EXPECT_EQ(SHORT(LOWORD(wheel->lParam)), at.x);
    EXPECT_EQ(SHORT(HIWORD(wheel->lParam)), at.y);
  }
}

// A popup larger than a small main window is never cut: the host window makes room for it
// while it shows, the main window's picture keeping its place on the host screen.
TEST_F(SdlDisplayTest, PopupsBeyondASmallMainWindowGetRoom) {
  HWND w = CreateShownWindow();
  SetWindowPos(w, nullptr, 300, 300, 200, 100, SWP_NOZORDER);
  const RECT alone = TestSdlShownRect();
  int x0 = 0, y0 = 0;
  SDL_GetWindowPosition(TestSdlWindow(), &x0, &y0);
  HWND popup = CreateWindowExA(0, kClassName, "", WS_POPUP | WS_BORDER, 250, 280, 320, 240, w,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(popup);
  EXPECT_EQ(TestSdlShownRect().right, alone.right) << "hidden, it takes no room";
  ShowWindow(popup, SW_SHOWNA);
  const RECT with = TestSdlShownRect();
  EXPECT_EQ(with.left, 250);
  EXPECT_EQ(with.top, 280);
  EXPECT_EQ(with.right, std::max<LONG>(alone.right, 570));
  EXPECT_EQ(with.bottom, std::max<LONG>(alone.bottom, 520));
  int width = 0, height = 0, x = 0, y = 0;
  SDL_GetWindowSize(TestSdlWindow(), &width, &height);
  EXPECT_EQ(width, with.right - with.left);
  EXPECT_EQ(height, with.bottom - with.top);
  SDL_GetWindowPosition(TestSdlWindow(), &x, &y);
  EXPECT_EQ(x, x0 - (alone.left - 250));
  EXPECT_EQ(y, y0 - (alone.top - 280));
  DestroyWindow(popup);
  const RECT after = TestSdlShownRect();
  EXPECT_EQ(after.left, alone.left);
  EXPECT_EQ(after.top, alone.top);
  EXPECT_EQ(after.right, alone.right);
  EXPECT_EQ(after.bottom, alone.bottom);
  SDL_GetWindowSize(TestSdlWindow(), &width, &height);
  EXPECT_EQ(width, alone.right - alone.left);
  SDL_GetWindowPosition(TestSdlWindow(), &x, &y);
  EXPECT_EQ(x, x0);
  EXPECT_EQ(y, y0);
}

TEST_F(SdlDisplayTest, TheCursorHidesOverTheClientAreaWhenTheWindowSaysSo) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = NoCursorProc;
  wc.lpszClassName = "NoCursor";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND w =
      CreateWindowExA(0, "NoCursor", "No cursor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                      CW_USEDEFAULT, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const struct {
    int y;
    int shown;
  } moves[] = {{50, SDL_DISABLE}, {-caption / 2, SDL_ENABLE}, {60, SDL_DISABLE}};
  for (const auto& m : moves) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 40, e.motion.y = m.y;
    Push(e);
    Deliver();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), m.shown) << m.y;
  }
}

TEST_F(SdlDisplayTest, HostWindowEventsBecomeWindowOperations) {
  HWND w = CreateShownWindow();
  const int menu = GetSystemMetrics(SM_CYMENU);
  RECT before;
  GetWindowRect(w, &before);

  // A new size is the client area's and the menu bar's; the place stays.
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
  Deliver();
  RECT client, after;
  GetClientRect(w, &client);
  GetWindowRect(w, &after);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600 - menu);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  const Logged* size = FindLogged(WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->lParam, MAKELPARAM(800, 600 - menu));

  // Too large for the desktop: the window keeps to it.
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700);
  Deliver();
  const RECT shown = TestSdlShownRect();
  EXPECT_GE(shown.left, 0);
  EXPECT_GE(shown.top, 0);
  EXPECT_LE(shown.right, LONG(TheDisplay().Screen().width));
  EXPECT_LE(shown.bottom, LONG(TheDisplay().Screen().height));

  Log().clear();
  PushWindowEvent(SDL_WINDOWEVENT_MOVED, 300, 200);
  Deliver();
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  const Logged* move = FindLogged(WM_MOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->lParam, MAKELPARAM(origin.x, origin.y));

  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  Deliver();
  EXPECT_TRUE(IsIconic(w));
  // Minimised, the loop's wait lasts until the user brings the window back.
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  SDL_Event moved{};
  moved.type = SDL_MOUSEMOTION;  // the user's hand on the mouse: something for the queue
  Push(moved);
  const auto start = std::chrono::steady_clock::now();
  TheDisplay().PumpEvents(true);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(IsIconic(w));

  ValidateRect(w, nullptr);
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  TheDisplay().PumpEvents(false);
  EXPECT_TRUE(GetUpdateRect(w, nullptr, FALSE));

  Log().clear();
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  Deliver();
  EXPECT_NE(FindLogged(WM_CLOSE), nullptr);
  EXPECT_FALSE(IsWindow(w));  // the default answer destroys it
  EXPECT_FALSE(SDL_GetWindowFlags(TestSdlWindow()) & SDL_WINDOW_SHOWN);
}

// The window manager minimises, restores and raises the main window while a modal popup has
// it disabled: the popup goes and comes back with it, and keeps the activation.
TEST_F(SdlDisplayTest, AModalPopupKeepsTheActivationThroughTheWindowManagersChanges) {
  HWND w = CreateShownWindow();
  HWND popup = CreateWindowExA(0, kClassName, "popup", WS_POPUP | WS_CAPTION, 100, 100, 200, 100,
                               w, nullptr, nullptr, nullptr);
  ShowWindow(popup, SW_SHOWNORMAL);
  EnableWindow(w, FALSE);
  ASSERT_EQ(GetActiveWindow(), popup);

  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  Deliver();
  EXPECT_TRUE(IsIconic(w));
  EXPECT_FALSE(IsWindowVisible(popup));
  PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  Deliver();
  EXPECT_FALSE(IsIconic(w));
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), popup);
}

}  // namespace
