// timeGetTime: the machine's boot clock in milliseconds, or the fixed value of VELTA_CLOCK_MS.
#include <windows.h>

#include "testing/window_hooks.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

struct ClockSetting {
  bool fixed = false;
  DWORD value = 0;
};

ClockSetting ReadSetting() {
  ClockSetting s;
  const char* env = std::getenv("VELTA_CLOCK_MS");
  if (!env || !*env) return s;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(env, &end, 10);
  if (*env < '0' || *env > '9' || *end || errno == ERANGE || v > 0xFFFFFFFFull) {
    std::fprintf(stderr, "velta: VELTA_CLOCK_MS=%s is not a count of milliseconds; ignored\n", env);
    return s;
  }
  s.fixed = true;
  s.value = DWORD(v);
  return s;
}

ClockSetting& Setting() {
  static ClockSetting setting = ReadSetting();
  return setting;
}

}  // namespace

DWORD timeGetTime() {
  const ClockSetting& s = Setting();
  if (s.fixed) return s.value;
  timespec ts{};
#ifdef CLOCK_BOOTTIME
  clock_gettime(CLOCK_BOOTTIME, &ts);  // counts from boot, suspended time included
#else
  clock_gettime(CLOCK_MONOTONIC, &ts);
#endif
  const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
  return DWORD(ms);  // wraps at 2^32 as the Win32 clock does
}

void TestReloadClock() { Setting() = ReadSetting(); }
