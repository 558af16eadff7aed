// A display: the screen the desktop and the program's windows are shown on. DirectDraw's
// primary surface draws into its screen buffer; the window layer places windows on it and
// learns about input from it. One implementation per file (headless.cpp, sdl.cpp),
// chosen at first use by VELTA_VIDEO.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The screen's picture in the current mode's pixel format: 8-bit palettised, 16-bit RGB 565,
// 24-bit RGB 888 or 32-bit XRGB 8888, rows top first.
struct ScreenBuffer {
  DWORD width = 0;
  DWORD height = 0;
  DWORD bitsPerPixel = 0;
  DWORD pitch = 0;  // bytes per row
  std::vector<uint8_t> pixels;
  PALETTEENTRY palette[256] = {};  // used in 8-bit modes
};

class Display {
 public:
  virtual ~Display() = default;
  virtual const char* Name() const = 0;

  // The screen buffer, sized for the current mode.
  virtual ScreenBuffer& Screen() = 0;
  // Switches to a display mode (full screen) or back to the desktop's; the buffer is
  // reallocated and cleared. False when the display cannot show that mode.
  virtual bool SetMode(DWORD width, DWORD height, DWORD bitsPerPixel) = 0;
  virtual void RestoreDesktopMode() = 0;
  // True while a display mode set by SetMode is in force (full screen).
  virtual bool InDisplayMode() const { return false; }
  // The desktop's own mode (what the machine profile says at start).
  virtual void DesktopMode(DWORD& width, DWORD& height, DWORD& bitsPerPixel) const = 0;

  // A finished frame reached the screen (a flip, or a blit onto the primary).
  virtual void FramePresented() = 0;
  // Frames presented since start.
  virtual uint64_t PresentedFrames() const = 0;

  // Turns host input and window-system events into window messages. Called by the message
  // loop when its queue is empty; with `wait` it blocks until something arrives.
  virtual void PumpEvents(bool wait) = 0;
  // True when someone will answer a modal window (a message box) that waits for input: a
  // user at a real screen, or a scripted step that presses one of its buttons next. When
  // false, a message box takes its default button at once.
  virtual bool WaitsForUser() const { return false; }

  // A top-level window appeared, moved or went away; the display places and tracks it.
  virtual void WindowChanged(HWND window) = 0;
  virtual void WindowDestroyed(HWND window) = 0;

  // Writes the picture of a window's client area as shown to a 24-bit BMP file.
  virtual bool SaveSnapshot(HWND window, const char* path) = 0;
};

// The display in force, made at first use: VELTA_VIDEO=headless or sdl; without it, the SDL
// window when DISPLAY or WAYLAND_DISPLAY is set, else headless.
Display& TheDisplay();
