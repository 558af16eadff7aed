// TheDisplay: the display named by VELTA_VIDEO, made at first use and kept to the end.
#include "display/displays.h"

#include "testing/window_hooks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <strings.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A snapshot asked for that could never be saved ends the run now, not silently at its end.
void RefuseUnwritableSnapshot() {
  const char* path = std::getenv("VELTA_SNAPSHOT");
  if (!path || !*path) return;
  struct stat st;
  const bool existed = ::stat(path, &st) == 0;
  const int fd = existed && S_ISDIR(st.st_mode) ? -1 : ::open(path, O_WRONLY | O_CREAT, 0644);
  const int error = existed && S_ISDIR(st.st_mode) ? EISDIR : errno;
  if (fd >= 0) {
    ::close(fd);
    if (!existed) std::remove(path);
    return;
  }
  std::fprintf(stderr, "velta: VELTA_SNAPSHOT=%s cannot be written (%s)\n", path,
               std::strerror(error));
  std::exit(1);
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
  RefuseUnwritableSnapshot();
  if (wantsSdl) {
    std::string why;
    if (Display* sdl = NewSdlDisplay(why)) return sdl;
    // Falling back is right only when no display was named.
    if (name && *name) {
      std::fprintf(stderr, "velta: VELTA_VIDEO=%s: the SDL window cannot open (%s)\n", name,
                   why.c_str());
      std::exit(1);
    }
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
