// The SDL display: the desktop is still a picture in memory (the headless display keeps it, with
// its window placement, VELTA_FRAMES and VELTA_SNAPSHOT), and one host window shows the part of
// it the main window covers: its menu bar and client area. Everything the layer draws over that
// part (menus, dialogs, message boxes centred over the main window) shows up there too. Popups
// are top-level windows that their owner never clips: while one shows beyond that part, the
// host window grows to hold it (the main window's picture keeping its place on the host
// screen), and shrinks back when it goes. Host input comes back as the layer's input calls,
// host window changes as window operations.
//
// The main window keeps its place on the desktop picture: moving the host window only reports
// WM_MOVE at the same place, so the picture and the popups centred over it stay together. A
// resize keeps the place too, unless the new size would leave the desktop; then the window
// moves back onto it.
#include "display/displays.h"

#include "win32/input.h"
#include "win32/window.h"
#include "win32/window_internal.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// SDL2 is opened when the first host window is wanted, not linked: programs that never show one
// (the tools, most tests, headless runs) start without it and the many libraries it brings.
#define VELTA_SDL_CALLS(X) \
  X(CreateRenderer) X(CreateTexture) X(CreateWindow) X(DestroyRenderer) X(DestroyTexture) \
  X(DestroyWindow) X(GetDisplayBounds) X(GetError) X(GetRendererOutputSize) \
  X(GetWindowDisplayIndex) X(GetWindowFlags) X(GetWindowID) X(GetWindowPosition) \
  X(GetWindowSize) X(HideWindow) X(InitSubSystem) X(LockTexture) X(MinimizeWindow) X(PollEvent) \
  X(QuitSubSystem) X(RenderClear) X(RenderCopy) X(RenderFillRect) X(RenderPresent) \
  X(RestoreWindow) X(SetHint) X(SetRenderDrawColor) X(SetWindowBordered) \
  X(SetWindowFullscreen) X(SetWindowPosition) X(SetWindowSize) X(SetWindowTitle) X(ShowCursor) \
  X(ShowWindow) X(UnlockTexture) X(UpdateTexture) X(WaitEventTimeout)

struct SdlCalls {
#define VELTA_SDL_FIELD(name) decltype(&::SDL_##name) name = nullptr;
  VELTA_SDL_CALLS(VELTA_SDL_FIELD)
#undef VELTA_SDL_FIELD
};
SdlCalls sdl;

bool OpenSdl(std::string& why) {
  static bool opened = false;
  if (opened) return true;
  void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* error = dlerror();
    why = error ? error : "libSDL2-2.0.so.0 cannot be loaded";
    return false;
  }
  SdlCalls calls;
#define VELTA_SDL_LOOKUP(name)                                                          \
  calls.name = reinterpret_cast<decltype(calls.name)>(dlsym(library, "SDL_" #name)); \
  if (!calls.name) {                                                                   \
    why = "SDL_" #name " is missing from libSDL2-2.0.so.0";                            \
    return false;                                                                      \
  }
  VELTA_SDL_CALLS(VELTA_SDL_LOOKUP)
#undef VELTA_SDL_LOOKUP
  sdl = calls;
  opened = true;
  return true;
}

using Clock = std::chrono::steady_clock;

// The loop's own presents come no closer than this when no new frame arrives.
constexpr auto kPresentInterval = std::chrono::milliseconds(5);
// How long the host window may take to reach a size the display asked for.
constexpr auto kSettleTime = std::chrono::milliseconds(1000);
// How long one wait for host events lasts when nothing comes.
constexpr int kIdleWaitMs = 100;

LONG Width(const RECT& r) {
  return r.right - r.left;
}
LONG Height(const RECT& r) {
  return r.bottom - r.top;
}

// The Win32 virtual key of a host key, or 0 for keys the program has no use for.
UINT VirtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return UINT('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return UINT('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return UINT(VK_F1 + (key - SDLK_F1));
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return UINT(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
  struct Pair {
    SDL_Keycode key;
    UINT vk;
  };
  static constexpr Pair kKeys[] = {
      {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN},
      {SDLK_ESCAPE, VK_ESCAPE},
      {SDLK_SPACE, VK_SPACE},
      {SDLK_TAB, VK_TAB},
      {SDLK_BACKSPACE, VK_BACK},
      {SDLK_LEFT, VK_LEFT},
      {SDLK_RIGHT, VK_RIGHT},
      {SDLK_UP, VK_UP},
      {SDLK_DOWN, VK_DOWN},
      {SDLK_HOME, VK_HOME},
      {SDLK_END, VK_END},
      {SDLK_PAGEUP, VK_PRIOR},
      {SDLK_PAGEDOWN, VK_NEXT},
      {SDLK_INSERT, VK_INSERT},
      {SDLK_DELETE, VK_DELETE},
      {SDLK_PAUSE, VK_PAUSE},
      {SDLK_CAPSLOCK, VK_CAPITAL},
      {SDLK_LALT, VK_MENU},
      {SDLK_RALT, VK_MENU},
      {SDLK_LCTRL, VK_CONTROL},
      {SDLK_RCTRL, VK_CONTROL},
      {SDLK_LSHIFT, VK_SHIFT},
      {SDLK_RSHIFT, VK_SHIFT},
      {SDLK_KP_0, VK_NUMPAD0},
      {SDLK_KP_MULTIPLY, VK_MULTIPLY},
      {SDLK_KP_PLUS, VK_ADD},
      {SDLK_KP_MINUS, VK_SUBTRACT},
      {SDLK_KP_PERIOD, VK_DECIMAL},
      {SDLK_KP_DIVIDE, VK_DIVIDE},
      {SDLK_SEMICOLON, VK_OEM_1},
      {SDLK_EQUALS, VK_OEM_PLUS},
      {SDLK_COMMA, VK_OEM_COMMA},
      {SDLK_MINUS, VK_OEM_MINUS},
      {SDLK_PERIOD, VK_OEM_PERIOD},
      {SDLK_SLASH, VK_OEM_2},
      {SDLK_BACKQUOTE, VK_OEM_3},
      {SDLK_LEFTBRACKET, VK_OEM_4},
      {SDLK_BACKSLASH, VK_OEM_5},
      {SDLK_RIGHTBRACKET, VK_OEM_6},
      {SDLK_QUOTE, VK_OEM_7},
  };
  for (const Pair& p : kKeys)
    if (p.key == key) return p.vk;
  return 0;
}

// The texture format that holds the screen's bytes as they are; 8-bit screens are converted
// through their palette into 32-bit pixels.
Uint32 TextureFormatOf(DWORD bitsPerPixel) {
  switch (bitsPerPixel) {
    case 16:
      return SDL_PIXELFORMAT_RGB565;
    case 24:
      return SDL_PIXELFORMAT_BGR24;  // blue, green, red in memory
    default:
      return SDL_PIXELFORMAT_RGB888;  // XRGB 8888, also for converted 8-bit pixels
  }
}

// Where a mode's picture goes on a host screen of `width` x `height`: as large as it fits with
// its shape kept, centred, bars where the shapes differ.
SDL_Rect FittedRect(int width, int height, DWORD modeWidth, DWORD modeHeight) {
  if (width <= 0 || height <= 0 || modeWidth == 0 || modeHeight == 0) return SDL_Rect{};
  int w = width, h = int(int64_t(width) * modeHeight / modeWidth);
  if (h > height) h = height, w = int(int64_t(height) * modeWidth / modeHeight);
  return SDL_Rect{(width - w) / 2, (height - h) / 2, std::max(w, 1), std::max(h, 1)};
}

// Screen pixels as XRGB 8888. A 5-6-5 pixel's two bytes expand through a table each: the
// high byte holds red and green's top bits, the low byte green's low bits and blue, and their
// expansions never share a bit.
struct PixelTables {
  uint32_t low[256];   // 8 bits: the palette; 16 bits: the low byte's expansion
  uint32_t high[256];  // 16 bits: the high byte's expansion
};

PixelTables TablesFor(const ScreenBuffer& s) {
  PixelTables t{};
  if (s.bitsPerPixel == 8) {
    for (int i = 0; i < 256; ++i)
      t.low[i] = uint32_t(s.palette[i].peRed) << 16 | uint32_t(s.palette[i].peGreen) << 8 |
                 s.palette[i].peBlue;
  } else if (s.bitsPerPixel == 16) {
    for (uint32_t i = 0; i < 256; ++i) {
      const uint32_t r = i >> 3, gHigh = i & 7, gLow = i >> 5, b = i & 31;
      t.high[i] = (r << 3 | r >> 2) << 16 | (gHigh << 5 | gHigh >> 1) << 8;
      t.low[i] = gLow << 10 | (b << 3 | b >> 2);
    }
  }
  return t;
}

template <DWORD kBits>
uint32_t PixelAt(const PixelTables& t, const uint8_t* row, size_t x) {
  if constexpr (kBits == 8) {
    return t.low[row[x]];
  } else if constexpr (kBits == 16) {
    return t.high[row[2 * x + 1]] | t.low[row[2 * x]];
  } else if constexpr (kBits == 24) {
    return uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
  } else {
    uint32_t p;
    std::memcpy(&p, row + 4 * x, 4);
    return p;
  }
}

// The whole screen into `out` (XRGB 8888, `outPitch` bytes a row) at `w` x `h`, nearest pixel;
// a host row that repeats the one above is copied.
template <DWORD kBits>
void ScaleRows(const ScreenBuffer& s, uint8_t* out, int outPitch, int w, int h,
               std::vector<uint32_t>& columns) {
  const PixelTables t = TablesFor(s);
  const size_t width = s.width;
  if (size_t(w) != width && size_t(w) != 2 * width) {
    columns.resize(size_t(w));
    for (int x = 0; x < w; ++x)
      columns[size_t(x)] = uint32_t((2 * int64_t(x) + 1) * int64_t(width) / (2 * int64_t(w)));
  }
  int64_t lastSource = -1;
  for (int y = 0; y < h; ++y) {
    uint32_t* dest = reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(outPitch));
    const int64_t source = (2 * int64_t(y) + 1) * s.height / (2 * int64_t(h));
    if (source == lastSource) {
      std::memcpy(dest, out + size_t(y - 1) * size_t(outPitch), size_t(w) * 4);
      continue;
    }
    lastSource = source;
    const uint8_t* from = s.pixels.data() + size_t(source) * s.pitch;
    if (size_t(w) == width) {
      for (size_t x = 0; x < width; ++x) dest[x] = PixelAt<kBits>(t, from, x);
    } else if (size_t(w) == 2 * width) {
      for (size_t x = 0; x < width; ++x) dest[2 * x] = dest[2 * x + 1] = PixelAt<kBits>(t, from, x);
    } else {
      for (int x = 0; x < w; ++x) dest[x] = PixelAt<kBits>(t, from, columns[size_t(x)]);
    }
  }
}

void ScaleScreen(const ScreenBuffer& s, uint8_t* out, int outPitch, int w, int h,
                 std::vector<uint32_t>& columns) {
  switch (s.bitsPerPixel) {
    case 8: return ScaleRows<8>(s, out, outPitch, w, h, columns);
    case 16: return ScaleRows<16>(s, out, outPitch, w, h, columns);
    case 24: return ScaleRows<24>(s, out, outPitch, w, h, columns);
    default: return ScaleRows<32>(s, out, outPitch, w, h, columns);
  }
}

class SdlDisplay;
SdlDisplay* g_sdl = nullptr;

class SdlDisplay final : public Display {
 public:
  SdlDisplay(SDL_Window* window, SDL_Renderer* renderer)
      : inner_(NewHeadlessDisplay()), window_(window), renderer_(renderer) {
    g_sdl = this;
  }
  ~SdlDisplay() override {
    if (g_sdl == this) g_sdl = nullptr;
    if (texture_) sdl.DestroyTexture(texture_);
    if (scaled_) sdl.DestroyTexture(scaled_);
    sdl.DestroyRenderer(renderer_);
    sdl.DestroyWindow(window_);
    sdl.QuitSubSystem(SDL_INIT_VIDEO);
  }

  const char* Name() const override { return "sdl"; }
  ScreenBuffer& Screen() override { return inner_->Screen(); }

  bool SetMode(DWORD width, DWORD height, DWORD bitsPerPixel) override {
    if (!inner_->SetMode(width, height, bitsPerPixel)) return false;
    EnterFullScreen();
    return true;
  }

  void RestoreDesktopMode() override {
    inner_->RestoreDesktopMode();
    LeaveFullScreen();
  }

  void DesktopMode(DWORD& width, DWORD& height, DWORD& bitsPerPixel) const override {
    inner_->DesktopMode(width, height, bitsPerPixel);
  }
  bool InDisplayMode() const override { return inner_->InDisplayMode(); }

  void FramePresented() override {
    inner_->FramePresented();
    frameSincePump_ = true;
    Present();
  }

  uint64_t PresentedFrames() const override { return inner_->PresentedFrames(); }
  void PumpEvents(bool wait) override;
  bool WaitsForUser() const override { return true; }

  void WindowChanged(HWND window) override {
    inner_->WindowChanged(window);
    // A popup that shows, moves or hides changes the room the host window makes.
    FollowMainWindow();
  }

  void WindowDestroyed(HWND window) override {
    inner_->WindowDestroyed(window);
    // The main window going away takes the host window out of sight at once.
    if (window == MainTopLevelWindow()) {
      sdl.HideWindow(window_);
      return;
    }
    leaving_ = window;
    FollowMainWindow();
    leaving_ = nullptr;
  }

  bool SaveSnapshot(HWND window, const char* path) override {
    return inner_->SaveSnapshot(window, path);
  }

  SDL_Window* Window() const { return window_; }
  SDL_Renderer* Renderer() const { return renderer_; }
  // The rectangle of the screen the host window shows (empty when nothing is shown).
  RECT ShownRect() const;
  void Present();

 private:
  void HandleEvent(const SDL_Event& e);
  void HandleWindowEvent(const SDL_WindowEvent& e);
  void HandleMouse(int x, int y);
  void ResizeMain(int width, int height);
  void FollowMainWindow();
  void EnterFullScreen();
  void LeaveFullScreen();
  void UpdateCursor(POINT screenPoint);
  void AskSize(int width, int height);
  bool AwaitedSize(int width, int height);
  bool UpdateTexture(const ScreenBuffer& s, const SDL_Rect& part);
  void PresentFullScreen(const ScreenBuffer& s);
  // A host window point as a screen point.
  POINT ScreenPoint(int x, int y) const;

  std::unique_ptr<Display> inner_;
  SDL_Window* window_;
  SDL_Renderer* renderer_;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0, textureHeight_ = 0;
  Uint32 textureFormat_ = 0;
  std::vector<uint32_t> converted_;  // an 8-bit screen's rows through the palette
  // Full screen: the mode's picture scaled to the host screen, where it goes there, and the
  // scaler's column table.
  SDL_Texture* scaled_ = nullptr;
  int scaledWidth_ = 0, scaledHeight_ = 0;
  SDL_Rect fitted_{};
  std::vector<uint32_t> scaleColumns_;

  bool fullScreen_ = false;
  int savedX_ = 0, savedY_ = 0;  // the host window's place before full screen
  bool havePlace_ = false;
  bool cursorHidden_ = false;
  bool frameSincePump_ = false;
  // A size the display asked the host window for: the sizes it reports on the way there are
  // its own, not the user's.
  bool awaited_ = false;
  int awaitedWidth_ = 0, awaitedHeight_ = 0;
  Clock::time_point awaitedUntil_{};
  Clock::time_point lastPresent_{};
  std::string title_;
  HWND leaving_ = nullptr;  // a popup being destroyed, no longer given room
  bool haveShown_ = false;  // the last shown rectangle and the main window's client origin
  RECT lastShown_{};
  POINT lastClient_{};
};

RECT SdlDisplay::ShownRect() const {
  const ScreenBuffer& s = inner_->Screen();
  if (fullScreen_) return RECT{0, 0, LONG(s.width), LONG(s.height)};
  const WindowRecord* w = FindWindowRecord(MainTopLevelWindow());
  if (!w || w->state == ShowState::Minimized) return RECT{};
  const RECT with = NonClientMargins(w->style, w->exStyle, w->menuBar);
  const RECT without = NonClientMargins(w->style, w->exStyle, false);
  RECT r = ClientRectOnScreen(*w);
  r.top -= std::max<LONG>(0, with.top - without.top);
  // Room for every popup that shows, as far as it lies on the screen.
  for (const auto& entry : Windows().windows) {
    const WindowRecord& p = *entry.second;
    if (p.handle == w->handle || p.handle == leaving_ || !IsTopLevel(p) || p.destroying ||
        !(p.style & WS_VISIBLE) || p.state == ShowState::Minimized)
      continue;
    const RECT o{std::max<LONG>(p.window.left, 0), std::max<LONG>(p.window.top, 0),
                 std::min<LONG>(p.window.right, LONG(s.width)),
                 std::min<LONG>(p.window.bottom, LONG(s.height))};
    if (o.right <= o.left || o.bottom <= o.top) continue;
    r = RECT{std::min(r.left, o.left), std::min(r.top, o.top), std::max(r.right, o.right),
             std::max(r.bottom, o.bottom)};
  }
  return r;
}

bool SdlDisplay::UpdateTexture(const ScreenBuffer& s, const SDL_Rect& part) {
  const Uint32 format = TextureFormatOf(s.bitsPerPixel);
  if (!texture_ || textureWidth_ != int(s.width) || textureHeight_ != int(s.height) ||
      textureFormat_ != format) {
    if (texture_) sdl.DestroyTexture(texture_);
    texture_ = sdl.CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, int(s.width),
                                 int(s.height));
    if (!texture_) return false;
    textureWidth_ = int(s.width), textureHeight_ = int(s.height), textureFormat_ = format;
  }
  const uint8_t* first = s.pixels.data() + size_t(part.y) * s.pitch;
  if (s.bitsPerPixel != 8) {
    const size_t bytes = s.bitsPerPixel / 8;
    return sdl.UpdateTexture(texture_, &part, first + size_t(part.x) * bytes, int(s.pitch)) == 0;
  }
  const PixelTables palette = TablesFor(s);
  converted_.resize(size_t(part.w) * size_t(part.h));
  for (int y = 0; y < part.h; ++y) {
    const uint8_t* row = first + size_t(y) * s.pitch + size_t(part.x);
    uint32_t* out = converted_.data() + size_t(y) * size_t(part.w);
    for (int x = 0; x < part.w; ++x) out[x] = PixelAt<8>(palette, row, size_t(x));
  }
  return sdl.UpdateTexture(texture_, &part, converted_.data(), part.w * 4) == 0;
}

void SdlDisplay::Present() {
  lastPresent_ = Clock::now();
  if (!(sdl.GetWindowFlags(window_) & SDL_WINDOW_SHOWN) ||
      (sdl.GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED))
    return;
  const ScreenBuffer& s = inner_->Screen();
  if (fullScreen_) return PresentFullScreen(s);
  const RECT shown = ShownRect();
  if (Width(shown) <= 0 || Height(shown) <= 0 || s.pixels.empty()) return;
  // What of the shown rectangle lies on the screen; the rest stays black.
  const LONG left = std::max<LONG>(shown.left, 0), top = std::max<LONG>(shown.top, 0);
  const LONG right = std::min<LONG>(shown.right, LONG(s.width));
  const LONG bottom = std::min<LONG>(shown.bottom, LONG(s.height));
  sdl.SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  sdl.RenderClear(renderer_);
  if (right > left && bottom > top) {
    const SDL_Rect part{int(left), int(top), int(right - left), int(bottom - top)};
    const SDL_Rect to{int(left - shown.left), int(top - shown.top), part.w, part.h};
    if (UpdateTexture(s, part)) sdl.RenderCopy(renderer_, texture_, &part, &to);
  }
  sdl.RenderPresent(renderer_);
}

// The host screen's own pixels, scaled here in one pass: the renderer then copies them as
// they are, as fast as a windowed picture of the same size.
void SdlDisplay::PresentFullScreen(const ScreenBuffer& s) {
  int width = 0, height = 0;
  if (sdl.GetRendererOutputSize(renderer_, &width, &height) != 0 || s.pixels.empty()) return;
  fitted_ = FittedRect(width, height, s.width, s.height);
  if (fitted_.w <= 0 || fitted_.h <= 0) return;
  if (!scaled_ || scaledWidth_ != fitted_.w || scaledHeight_ != fitted_.h) {
    if (scaled_) sdl.DestroyTexture(scaled_);
    scaled_ = sdl.CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                fitted_.w, fitted_.h);
    scaledWidth_ = scaled_ ? fitted_.w : 0, scaledHeight_ = scaled_ ? fitted_.h : 0;
    if (!scaled_) return;
  }
  void* pixels = nullptr;
  int pitch = 0;
  if (sdl.LockTexture(scaled_, nullptr, &pixels, &pitch) != 0) return;
  ScaleScreen(s, static_cast<uint8_t*>(pixels), pitch, fitted_.w, fitted_.h, scaleColumns_);
  sdl.UnlockTexture(scaled_);
  sdl.SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  const int right = fitted_.x + fitted_.w, bottom = fitted_.y + fitted_.h;
  const SDL_Rect bars[] = {{0, 0, width, fitted_.y},
                           {0, bottom, width, height - bottom},
                           {0, fitted_.y, fitted_.x, fitted_.h},
                           {right, fitted_.y, width - right, fitted_.h}};
  for (const SDL_Rect& bar : bars)
    if (bar.w > 0 && bar.h > 0) sdl.RenderFillRect(renderer_, &bar);
  sdl.RenderCopy(renderer_, scaled_, nullptr, &fitted_);
  sdl.RenderPresent(renderer_);
}

POINT SdlDisplay::ScreenPoint(int x, int y) const {
  if (!fullScreen_) {
    const RECT shown = ShownRect();
    return POINT{shown.left + x, shown.top + y};
  }
  const ScreenBuffer& s = inner_->Screen();
  if (fitted_.w <= 0 || fitted_.h <= 0) return POINT{x, y};
  const LONG sx = LONG(int64_t(x - fitted_.x) * s.width / fitted_.w);
  const LONG sy = LONG(int64_t(y - fitted_.y) * s.height / fitted_.h);
  return POINT{std::clamp<LONG>(sx, 0, LONG(s.width) - 1),
               std::clamp<LONG>(sy, 0, LONG(s.height) - 1)};
}

void SdlDisplay::PumpEvents(bool wait) {
  SDL_Event e;
  while (sdl.PollEvent(&e)) HandleEvent(e);
  const auto since = Clock::now() - lastPresent_;
  if (!wait) {
    // A loop that draws frames presents them itself; any other loop (a modal one, a paused
    // one) shows what the layer drew every few milliseconds.
    if (!frameSincePump_ && since >= kPresentInterval) Present();
    frameSincePump_ = false;
    return;
  }
  // Nothing is left to do: the screen shows the latest picture before the wait.
  int timeout = kIdleWaitMs;
  if (since >= kPresentInterval) {
    Present();
  } else {
    timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(kPresentInterval - since)
                      .count()) +
              1;
  }
  // A user sits at this screen: a wait lasts until the user's input (or a window's paint)
  // gives the queue something, showing the screen every so often, and ends with the program.
  for (;;) {
    if (sdl.WaitEventTimeout(&e, timeout)) {
      HandleEvent(e);
      while (sdl.PollEvent(&e)) HandleEvent(e);
    } else if (timeout != kIdleWaitMs) {
      Present();
    }
    if (MessageWaiting() || !MainTopLevelWindow()) return;
    timeout = kIdleWaitMs;
  }
}

void SdlDisplay::HandleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (const UINT vk = VirtualKeyOf(e.key.keysym.sym)) InputKey(vk, e.type == SDL_KEYDOWN);
      break;
    case SDL_MOUSEMOTION:
      HandleMouse(e.motion.x, e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      MouseButton button;
      if (e.button.button == SDL_BUTTON_LEFT)
        button = MouseButton::Left;
      else if (e.button.button == SDL_BUTTON_RIGHT)
        button = MouseButton::Right;
      else if (e.button.button == SDL_BUTTON_MIDDLE)
        button = MouseButton::Middle;
      else
        break;
      const POINT p = ScreenPoint(e.button.x, e.button.y);
      InputMouseButton(button, e.type == SDL_MOUSEBUTTONDOWN, int(p.x), int(p.y));
      break;
    }
    case SDL_MOUSEWHEEL: {
      // At the place the last motion left the mouse; a notch is WHEEL_DELTA.
      const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      POINT at{};
      GetCursorPos(&at);
      if (notches) InputMouseWheel(notches * WHEEL_DELTA, int(at.x), int(at.y));
      break;
    }
    case SDL_WINDOWEVENT:
      HandleWindowEvent(e.window);
      break;
    default:
      break;  // SDL_QUIT comes after the window's own close, which is answered there
  }
}

void SdlDisplay::HandleMouse(int x, int y) {
  const POINT p = ScreenPoint(x, y);
  InputMouseMove(int(p.x), int(p.y));
  UpdateCursor(p);
}

// The cursor is hidden over the client area while the layer's cursor is none (SetCursor(0)).
void SdlDisplay::UpdateCursor(POINT p) {
  bool hide = false;
  if (Windows().cursor == nullptr) {
    if (fullScreen_) {
      hide = true;
    } else if (const WindowRecord* w = FindWindowRecord(MainTopLevelWindow())) {
      const RECT c = ClientRectOnScreen(*w);
      hide = p.x >= c.left && p.x < c.right && p.y >= c.top && p.y < c.bottom;
    }
  }
  if (hide == cursorHidden_) return;
  cursorHidden_ = hide;
  sdl.ShowCursor(hide ? SDL_DISABLE : SDL_ENABLE);
}

void SdlDisplay::HandleWindowEvent(const SDL_WindowEvent& e) {
  if (e.windowID != sdl.GetWindowID(window_)) return;
  const HWND main = MainTopLevelWindow();
  switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (AwaitedSize(e.data1, e.data2)) break;
      if (!fullScreen_ && main && !IsIconic(main)) ResizeMain(e.data1, e.data2);
      Present();
      break;
    case SDL_WINDOWEVENT_MOVED:
      if (fullScreen_) break;
      savedX_ = e.data1, savedY_ = e.data2, havePlace_ = true;
      if (const WindowRecord* w = FindWindowRecord(main); w && w->state != ShowState::Minimized)
        SendMessageA(main, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      if (main && !IsIconic(main)) ShowWindow(main, SW_MINIMIZE);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      if (main && IsIconic(main)) ShowWindow(main, SW_RESTORE);
      Present();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      // Raised by the window manager: the keys go where they went, to a waiting dialog first
      // (activation meant for a window it disabled goes to it anyway).
      if (main && !IsIconic(main)) {
        const HWND dialog = WaitingModalDialog();
        SetActiveWindow(dialog && IsWindowVisible(dialog) ? dialog : main);
      }
      break;
    case SDL_WINDOWEVENT_CLOSE:
      if (main) PostMessageA(main, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (main) InvalidateRect(main, nullptr, FALSE);
      Present();
      break;
    case SDL_WINDOWEVENT_LEAVE:
      if (cursorHidden_) sdl.ShowCursor(SDL_ENABLE), cursorHidden_ = false;
      break;
    default:
      break;
  }
}

// The host window's new size is the client area's plus the menu bar.
void SdlDisplay::ResizeMain(int width, int height) {
  const HWND main = MainTopLevelWindow();
  const WindowRecord* w = FindWindowRecord(main);
  if (!w) return;
  const RECT shown = ShownRect();
  if (width == Width(shown) && height == Height(shown)) return;
  const LONG outerWidth = Width(w->window) + (width - Width(shown));
  const LONG outerHeight = Height(w->window) + (height - Height(shown));
  // Keep the place unless the shown part would leave the desktop; never above or left of it.
  const ScreenBuffer& s = inner_->Screen();
  LONG dx = std::min<LONG>(0, LONG(s.width) - (shown.left + width));
  LONG dy = std::min<LONG>(0, LONG(s.height) - (shown.top + height));
  dx = std::max<LONG>(dx, -shown.left);
  dy = std::max<LONG>(dy, -shown.top);
  SetWindowPos(main, nullptr, w->window.left + dx, w->window.top + dy, outerWidth, outerHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The window may have kept to its tracking sizes: the host window follows what it became.
  FollowMainWindow();
}

// The host window takes the main window's title, visibility, state and shown size.
void SdlDisplay::FollowMainWindow() {
  const HWND main = MainTopLevelWindow();
  if (!main) return;
  char text[256];
  GetWindowTextA(main, text, int(sizeof text));
  if (title_ != text) {
    title_ = text;
    sdl.SetWindowTitle(window_, title_.c_str());
  }
  if (fullScreen_) return;
  const Uint32 flags = sdl.GetWindowFlags(window_);
  if (!IsWindowVisible(main)) {
    if (flags & SDL_WINDOW_SHOWN) sdl.HideWindow(window_);
    return;
  }
  if (IsIconic(main)) {
    if (!(flags & SDL_WINDOW_MINIMIZED)) sdl.MinimizeWindow(window_);
    return;
  }
  const RECT shown = ShownRect();
  int width = 0, height = 0;
  sdl.GetWindowSize(window_, &width, &height);
  if (Width(shown) > 0 && Height(shown) > 0 && (width != Width(shown) || height != Height(shown)))
    AskSize(int(Width(shown)), int(Height(shown)));
  // Room made or given back above or left of the main window: the host window moves by as
  // much, so that the main window's picture stays where it was on the host screen.
  const WindowRecord* w = FindWindowRecord(main);
  const POINT client = w ? POINT{ClientRectOnScreen(*w).left, ClientRectOnScreen(*w).top} : POINT{};
  if (haveShown_ && client.x == lastClient_.x && client.y == lastClient_.y &&
      (shown.left != lastShown_.left || shown.top != lastShown_.top)) {
    int x = 0, y = 0;
    sdl.GetWindowPosition(window_, &x, &y);
    sdl.SetWindowPosition(window_, x + int(shown.left - lastShown_.left),
                          y + int(shown.top - lastShown_.top));
  }
  haveShown_ = true, lastShown_ = shown, lastClient_ = client;
  if (!(flags & SDL_WINDOW_SHOWN)) sdl.ShowWindow(window_);
  if (flags & SDL_WINDOW_MINIMIZED) sdl.RestoreWindow(window_);
}

void SdlDisplay::AskSize(int width, int height) {
  awaited_ = true;
  awaitedWidth_ = width, awaitedHeight_ = height;
  awaitedUntil_ = Clock::now() + kSettleTime;
  sdl.SetWindowSize(window_, width, height);
}

// True for a size report to pass over: one on the way to an asked size, or the asked size
// itself (the window has it already).
bool SdlDisplay::AwaitedSize(int width, int height) {
  if (!awaited_) return false;
  if (width == awaitedWidth_ && height == awaitedHeight_) {
    awaited_ = false;
    return true;
  }
  if (Clock::now() < awaitedUntil_) return true;
  awaited_ = false;
  return false;
}

// The mode's whole picture on the whole host screen. Without a window manager to honour the
// full-screen request, the host window is placed over the screen and sized to it first.
void SdlDisplay::EnterFullScreen() {
  if (!fullScreen_) {
    sdl.GetWindowPosition(window_, &savedX_, &savedY_);
    havePlace_ = true;
  }
  fullScreen_ = true;
  awaited_ = false;
  SDL_Rect screen{};
  const int index = sdl.GetWindowDisplayIndex(window_);
  if (index >= 0 && sdl.GetDisplayBounds(index, &screen) == 0 && screen.w > 0 && screen.h > 0 &&
      !(sdl.GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP)) {
    sdl.SetWindowBordered(window_, SDL_FALSE);
    sdl.SetWindowPosition(window_, screen.x, screen.y);
    sdl.SetWindowSize(window_, screen.w, screen.h);
  }
  if (!(sdl.GetWindowFlags(window_) & SDL_WINDOW_SHOWN)) sdl.ShowWindow(window_);
  sdl.SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  Present();
}

void SdlDisplay::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  sdl.SetWindowFullscreen(window_, 0);
  sdl.SetWindowBordered(window_, SDL_TRUE);
  // Without a window manager the host window keeps the screen's size: give it the window's.
  const RECT shown = ShownRect();
  if (Width(shown) > 0 && Height(shown) > 0) AskSize(int(Width(shown)), int(Height(shown)));
  if (havePlace_) sdl.SetWindowPosition(window_, savedX_, savedY_);
  FollowMainWindow();
}

}  // namespace

Display* NewSdlDisplay(std::string& why) {
  if (!OpenSdl(why)) return nullptr;
  // Without its own signal handlers, an interrupt ends the program as it always has.
  sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The software framebuffer path: the GL one is slower for a streaming picture.
  sdl.SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  sdl.SetHint(SDL_HINT_RENDER_DRIVER, "software");
  sdl.SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (sdl.InitSubSystem(SDL_INIT_VIDEO) != 0) {
    why = sdl.GetError();
    return nullptr;
  }
  SDL_Window* window = sdl.CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640,
                                        480, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
  SDL_Renderer* renderer = window ? sdl.CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
  if (!renderer) {
    why = sdl.GetError();
    if (window) sdl.DestroyWindow(window);
    sdl.QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  return new SdlDisplay(window, renderer);
}

SDL_Window* TestSdlWindow() {
  return g_sdl ? g_sdl->Window() : nullptr;
}
SDL_Renderer* TestSdlRenderer() {
  return g_sdl ? g_sdl->Renderer() : nullptr;
}
RECT TestSdlShownRect() {
  return g_sdl ? g_sdl->ShownRect() : RECT{};
}
