// TheDisplay: the display named by VELTA_VIDEO, made at first use and kept to the end.
#include "display/displays.h"

#include "testing/window_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {

// Never destroyed: windows and surfaces may still reach the display from exit routines.
Display*& Current() {
  static Display* display = nullptr;
  return display;
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// VELTA_VIDEO=headless or sdl; unset, the host window when the session has a screen.
Display* MakeFromEnvironment() {
  const char* name = std::getenv("VELTA_VIDEO");
  bool wantsSdl = false;
  if (name && *name) {
    wantsSdl = strcasecmp(name, "sdl") == 0;
    if (!wantsSdl && strcasecmp(name, "headless") != 0)
      std::fprintf(stderr, "velta: VELTA_VIDEO=%s is not a display here; using headless\n", name);
  } else {
    wantsSdl = Set("DISPLAY") || Set("WAYLAND_DISPLAY");
  }
  if (wantsSdl) {
    std::string why;
    if (Display* sdl = NewSdlDisplay(why)) return sdl;
    std::fprintf(stderr, "velta: no SDL window (%s); using headless\n", why.c_str());
  }
  return NewHeadlessDisplay();
}

}  // namespace

Display& TheDisplay() {
  if (!Current()) Current() = MakeFromEnvironment();
  return *Current();
}

void TestResetDisplay() {
  delete Current();
  Current() = nullptr;
}
