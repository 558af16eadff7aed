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

Display* MakeFromEnvironment() {
  const char* name = std::getenv("VELTA_VIDEO");
  if (name && *name && strcasecmp(name, "headless") != 0)
    std::fprintf(stderr, "velta: VELTA_VIDEO=%s is not a display here; using headless\n", name);
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
