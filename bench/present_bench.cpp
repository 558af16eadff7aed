// Presentation through the SDL display on SDL's dummy driver: a window with a 640 x 480 client
// area on the 32-bit desktop, and each presented frame copied into the host window's texture
// and rendered by SDL's software renderer.
#include <windows.h>

#include <benchmark/benchmark.h>

#include "display/display.h"
#include "testing/window_hooks.h"

#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK PresentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// The SDL display for the benchmark's length; the display before it comes back afterwards.
struct SdlOnDummyDriver {
  SdlOnDummyDriver() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("VELTA_VIDEO", "sdl", 1);
    TestResetWindows();
    TestResetDisplay();
  }
  ~SdlOnDummyDriver() {
    TestResetWindows();
    unsetenv("VELTA_VIDEO");
    unsetenv("SDL_VIDEODRIVER");
    TestResetDisplay();
  }
};

// The display is SDL's, else the benchmark is skipped: SDL cannot start on this machine.
bool SdlStarted(benchmark::State& state) {
  if (std::strcmp(TheDisplay().Name(), "sdl") == 0) return true;
  state.SkipWithError("SDL cannot start here");
  return false;
}

void BM_Present(benchmark::State& state) {
  SdlOnDummyDriver sdl;
  if (!SdlStarted(state)) return;
  Display& display = TheDisplay();
  WNDCLASSA wc{};
  wc.lpfnWndProc = PresentProc;
  wc.lpszClassName = "VeltaPresentBench";
  RegisterClassA(&wc);
  RECT r{0, 0, 640, 480};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExA(0, "VeltaPresentBench", "Present", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                                nullptr, nullptr, nullptr, nullptr);
  if (!window) {
    state.SkipWithError("no window");
    return;
  }
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  ScreenBuffer& screen = display.Screen();
  uint8_t shade = 0;
  for (auto _ : state) {
    // A new frame each time: one row of the client area changes.
    uint8_t* row =
        screen.pixels.data() + size_t(origin.y + shade % 480) * screen.pitch + size_t(origin.x) * 4;
    std::memset(row, ++shade, 640 * 4);
    display.FramePresented();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  DestroyWindow(window);
}
BENCHMARK(BM_Present)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A full-screen mode (width, height, bits per pixel): the whole screen presented each frame,
// scaled into the host window.
void BM_PresentFullScreen(benchmark::State& state) {
  SdlOnDummyDriver sdl;
  if (!SdlStarted(state)) return;
  Display& display = TheDisplay();
  const DWORD width = DWORD(state.range(0)), height = DWORD(state.range(1));
  const DWORD bits = DWORD(state.range(2));
  if (!display.SetMode(width, height, bits)) {
    state.SkipWithError("mode refused");
    return;
  }
  ScreenBuffer& screen = display.Screen();
  uint32_t line = 0;
  for (auto _ : state) {
    ++line;
    std::memset(screen.pixels.data() + size_t(line % height) * screen.pitch, int(line & 0xFF),
                size_t(width) * (bits / 8));
    display.FramePresented();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  display.RestoreDesktopMode();
}
BENCHMARK(BM_PresentFullScreen)
    ->Args({640, 480, 16})
    ->Args({640, 480, 32})
    ->Args({1024, 768, 32})  // the dummy driver's screen: nothing to scale
    ->Args({1280, 1024, 16})
    ->Args({1280, 1024, 32})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
