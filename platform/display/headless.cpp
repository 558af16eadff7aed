// The headless display: the desktop is a picture in memory, windows are centred on it, input
// comes only from a script, and the picture of the main window can be saved as a BMP file.
// It reads
//   VELTA_FRAMES=N        WM_CLOSE to the main window after N presented frames (once the
//                         script, if any, is played);
//   VELTA_SNAPSHOT=FILE   the main window's client area (in a display mode the whole screen),
//                         as last presented, saved as a 24-bit BMP when the window is
//                         destroyed (or at exit if it never is);
//   VELTA_INPUT=STEPS     scripted input (display/input_script.h); once it is played, each
//                         wait of a modal loop presses Escape so that the run ends;
//   VELTA_INPUT_ECHO      when set, each played step on standard error.
#include "display/displays.h"

#include "display/input_script.h"

#include "machine/profile.h"
#include "win32/input.h"
#include "win32/window.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The largest screen a mode may ask for: 64 MiB at 32 bits per pixel.
constexpr DWORD kMaxScreenSide = 4096;
// How long a wait for input lasts when no input can come.
constexpr auto kIdleWait = std::chrono::milliseconds(10);

// The desktop the machine starts with.
ProfileMode DesktopOfMachine() { return CurrentMachine().desktop; }

bool SupportedDepth(DWORD bpp) { return bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32; }

// A positive decimal count, or 0 (with a warning) for anything else.
uint64_t ReadCount(const char* name) {
  const char* env = std::getenv(name);
  if (!env || !*env) return 0;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(env, &end, 10);
  if (*env < '0' || *env > '9' || *end || errno == ERANGE || v == 0) {
    std::fprintf(stderr, "velta: %s=%s is not a positive count; ignored\n", name, env);
    return 0;
  }
  return v;
}

// A pixel of the screen as blue, green, red.
struct Bgr {
  uint8_t b, g, r;
};

Bgr ReadPixel(const ScreenBuffer& s, DWORD x, DWORD y) {
  const uint8_t* p = s.pixels.data() + size_t(y) * s.pitch;
  switch (s.bitsPerPixel) {
    case 8: {
      const PALETTEENTRY& e = s.palette[p[x]];
      return Bgr{e.peBlue, e.peGreen, e.peRed};
    }
    case 16: {
      const unsigned v = unsigned(p[2 * x]) | unsigned(p[2 * x + 1]) << 8;
      const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
      return Bgr{uint8_t(b << 3 | b >> 2), uint8_t(g << 2 | g >> 4), uint8_t(r << 3 | r >> 2)};
    }
    case 24: return Bgr{p[3 * x], p[3 * x + 1], p[3 * x + 2]};
    case 32: return Bgr{p[4 * x], p[4 * x + 1], p[4 * x + 2]};
  }
  return Bgr{0, 0, 0};
}

class HeadlessDisplay;
HeadlessDisplay* g_live = nullptr;
void SnapshotAtExit();

class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay() {
    const ProfileMode d = DesktopOfMachine();
    desktopWidth_ = d.width, desktopHeight_ = d.height, desktopBpp_ = d.bitsPerPixel;
    if (!Allocate(desktopWidth_, desktopHeight_, desktopBpp_)) {
      desktopWidth_ = 1024, desktopHeight_ = 768, desktopBpp_ = 32;
      if (!Allocate(desktopWidth_, desktopHeight_, desktopBpp_))
        std::fprintf(stderr, "velta: not enough memory for the %lu x %lu screen\n",
                     static_cast<unsigned long>(desktopWidth_),
                     static_cast<unsigned long>(desktopHeight_));
    }
    frameLimit_ = ReadCount("VELTA_FRAMES");
    if (const char* path = std::getenv("VELTA_SNAPSHOT")) snapshotPath_ = path;
    if (const char* script = std::getenv("VELTA_INPUT"); script && *script) {
      ParsedInputScript parsed = ParseInputScript(script);
      for (const std::string& e : parsed.errors) std::fprintf(stderr, "%s\n", e.c_str());
      echo_ = std::getenv("VELTA_INPUT_ECHO") != nullptr;
      player_ = std::make_unique<InputScriptPlayer>(*this, std::move(parsed.steps), echo_);
    }
    g_live = this;
    static bool registered = false;
    if (!registered) registered = std::atexit(SnapshotAtExit) == 0;
  }
  ~HeadlessDisplay() override {
    if (g_live == this) g_live = nullptr;
  }

  const char* Name() const override { return "headless"; }
  ScreenBuffer& Screen() override { return screen_; }

  bool SetMode(DWORD width, DWORD height, DWORD bitsPerPixel) override {
    if (!Allocate(width, height, bitsPerPixel)) return false;
    fullScreen_ = true;
    // What the windows showed is gone: they paint again.
    InvalidateRect(nullptr, nullptr, TRUE);
    return true;
  }

  void RestoreDesktopMode() override {
    SetMode(desktopWidth_, desktopHeight_, desktopBpp_);
    fullScreen_ = false;
  }

  bool InDisplayMode() const override { return fullScreen_; }

  void DesktopMode(DWORD& width, DWORD& height, DWORD& bitsPerPixel) const override {
    width = desktopWidth_, height = desktopHeight_, bitsPerPixel = desktopBpp_;
  }

  void FramePresented() override {
    ++frames_;
    escapesWithoutFrame_ = 0;
    if (player_) player_->FramePresented();
    if (frameLimit_ && frames_ >= frameLimit_ && ScriptDone()) CloseMainWindow();
  }

  uint64_t PresentedFrames() const override { return frames_; }

  // Input comes only from the script. A wait with nothing to play returns after a short
  // pause so that a loop waiting for messages neither hangs nor spins the processor.
  void PumpEvents(bool wait) override {
    if (player_ && player_->Pump(wait)) return;
    if (wait && player_ && player_->Exhausted() && EndWaitingLoop()) return;
    if (wait) std::this_thread::sleep_for(kIdleWait);
  }

  bool WaitsForUser() const override { return player_ && player_->NextIsButton(); }

  // New top-level windows at the default place go to the middle of the screen.
  void WindowChanged(HWND window) override {
    if (!WindowWantsPlacement(window)) return;
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const LONG w = r.right - r.left, h = r.bottom - r.top;
    const LONG x = (LONG(screen_.width) - w) / 2, y = (LONG(screen_.height) - h) / 2;
    PlaceWindow(window, x > 0 ? x : 0, y > 0 ? y : 0);
  }

  void WindowDestroyed(HWND window) override {
    if (!snapshotPath_.empty() && window == MainTopLevelWindow()) SaveToSnapshotPath(window);
  }

  bool SaveSnapshot(HWND window, const char* path) override;

  void SaveToSnapshotPath(HWND window) {
    if (!SaveSnapshot(window, snapshotPath_.c_str()))
      std::fprintf(stderr, "velta: could not save the snapshot to %s\n", snapshotPath_.c_str());
  }
  const std::string& SnapshotPath() const { return snapshotPath_; }

 private:
  bool Allocate(DWORD width, DWORD height, DWORD bpp) {
    if (!SupportedDepth(bpp) || width == 0 || height == 0 || width > kMaxScreenSide ||
        height > kMaxScreenSide)
      return false;
    const DWORD pitch = (width * (bpp / 8) + 3) & ~DWORD(3);
    std::vector<uint8_t> pixels;
    try {
      pixels.assign(size_t(pitch) * height, 0);
    } catch (const std::bad_alloc&) {
      return false;  // without memory for it the old screen stays
    }
    screen_.pixels.swap(pixels);
    screen_.width = width;
    screen_.height = height;
    screen_.bitsPerPixel = bpp;
    screen_.pitch = pitch;
    if (bpp == 8) {
      // Until a palette is set: red, green and blue in 3, 3 and 2 bits.
      for (int i = 0; i < 256; ++i)
        screen_.palette[i] = PALETTEENTRY{BYTE((i >> 5) * 255 / 7), BYTE(((i >> 2) & 7) * 255 / 7),
                                          BYTE((i & 3) * 255 / 3), 0};
    }
    return true;
  }

  bool ScriptDone() const { return !player_ || player_->Exhausted(); }

  void CloseMainWindow() {
    if (closePosted_) return;
    if (HWND main = MainTopLevelWindow()) closePosted_ = PostMessageA(main, WM_CLOSE, 0, 0);
  }

  // The script is played and a loop still waits (a dialog or menu left open, a minimised
  // window): Escape closes one level of it per wait. The waiting dialog takes it even when
  // the script made another window active (a box without owner leaves the main window
  // enabled). With no window to take keys, or when Escape has long stopped helping, the
  // frame limit's close comes now, since no frame will.
  bool EndWaitingLoop() {
    const HWND dialog = WaitingModalDialog();
    if (dialog && GetActiveWindow() != dialog && IsWindowVisible(dialog) &&
        IsWindowEnabled(dialog))
      SetActiveWindow(dialog);
    if ((GetFocus() || GetActiveWindow()) && escapesWithoutFrame_ < kMaxEscapesWithoutFrame) {
      ++escapesWithoutFrame_;
      if (echo_) std::fprintf(stderr, "velta: input: key Escape (script played)\n");
      InputKey(VK_ESCAPE, true);
      InputKey(VK_ESCAPE, false);
      return true;
    }
    if (frameLimit_ && !closePosted_) {
      CloseMainWindow();
      return closePosted_;
    }
    return false;
  }

  ScreenBuffer screen_;
  DWORD desktopWidth_ = 0, desktopHeight_ = 0, desktopBpp_ = 0;
  uint64_t frames_ = 0;
  uint64_t frameLimit_ = 0;
  bool closePosted_ = false;
  // Escapes pressed for waiting loops since the last frame; nested dialogs need one each.
  static constexpr int kMaxEscapesWithoutFrame = 64;
  int escapesWithoutFrame_ = 0;
  bool fullScreen_ = false;  // a display mode is set: the whole screen is the picture
  std::string snapshotPath_;
  std::unique_ptr<InputScriptPlayer> player_;
  bool echo_ = false;
};

// A rectangle of the screen as a 24-bit BMP; what falls off the screen is black.
bool WriteScreenBmp(const ScreenBuffer& screen, const RECT& area, const char* path) {
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  if (!path || !*path || width <= 0 || height <= 0) return false;

  const DWORD rowBytes = (DWORD(width) * 3 + 3) & ~DWORD(3);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + rowBytes * DWORD(height);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom row first
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = rowBytes * DWORD(height);
  info.biXPelsPerMeter = info.biYPelsPerMeter = 2835;  // 72 dots per inch

  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1;
  std::vector<uint8_t> row(rowBytes, 0);
  for (LONG y = height - 1; ok && y >= 0; --y) {
    const LONG sy = area.top + y;
    for (LONG x = 0; x < width; ++x) {
      const LONG sx = area.left + x;
      Bgr p{0, 0, 0};
      if (sx >= 0 && sy >= 0 && sx < LONG(screen.width) && sy < LONG(screen.height))
        p = ReadPixel(screen, DWORD(sx), DWORD(sy));
      row[3 * size_t(x)] = p.b, row[3 * size_t(x) + 1] = p.g, row[3 * size_t(x) + 2] = p.r;
    }
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

// The client area as it lies on the screen.
bool HeadlessDisplay::SaveSnapshot(HWND window, const char* path) {
  if (!IsWindow(window)) return false;
  // In a display mode the picture is the whole screen, as presented, at the mode's size.
  if (fullScreen_)
    return WriteScreenBmp(screen_, RECT{0, 0, LONG(screen_.width), LONG(screen_.height)}, path);
  RECT client;
  POINT origin{0, 0};
  if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return false;
  return WriteScreenBmp(screen_, RECT{origin.x, origin.y, origin.x + client.right,
                                      origin.y + client.bottom}, path);
}

// A program that ends with its main window still open is snapshotted on the way out.
void SnapshotAtExit() {
  if (!g_live || g_live->SnapshotPath().empty()) return;
  if (HWND main = MainTopLevelWindow()) g_live->SaveToSnapshotPath(main);
}

}  // namespace

Display* NewHeadlessDisplay() { return new HeadlessDisplay; }

bool SaveScreenArea(const ScreenBuffer& screen, const RECT& area, const char* path) {
  const RECT cut{std::max(area.left, LONG(0)), std::max(area.top, LONG(0)),
                 std::min(area.right, LONG(screen.width)), std::min(area.bottom, LONG(screen.height))};
  return WriteScreenBmp(screen, cut, path);
}
