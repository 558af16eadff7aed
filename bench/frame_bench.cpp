// One whole frame of the default scene, as the viewer draws it: clear, vertex work, raster,
// frame-rate line and presentation into the headless desktop. Run velta-bench in media/ so that
// the default model loads as in the viewer.
#include <benchmark/benchmark.h>

#include <windows.h>

#include "app/app.h"
#include "framework/devices.h"
#include "model/ase_loader.h"

namespace {

// Starts the viewer's 3D environment in a 640 x 480 window, once; null when it cannot.
HWND StartViewer() {
  static HWND window = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWindowProc;
    wc.lpszClassName = "VeltaFrameBench";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "VeltaFrameBench", "bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 640 + 2 * GetSystemMetrics(SM_CXFRAME),
                             480 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION),
                             nullptr, nullptr, nullptr, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    if (FAILED(EnumerateDevices(AcceptAllDevices)) || FAILED(StartApplication(w))) return HWND();
    AppReady = 1;
    return w;
  }();
  return window;
}

void BM_Frame(benchmark::State& state) {
  HWND window = StartViewer();
  if (!window || !ModelTable[3].model) {
    state.SkipWithError("run velta-bench in media/ so that fastfood.ase loads");
    return;
  }
  MSG msg;
  for (auto _ : state) {
    RenderOneFrame();
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMicrosecond);

}  // namespace
