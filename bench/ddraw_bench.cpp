// Presentation and the frame-rate line as a windowed frame makes them: the 640 x 480 back buffer
// blitted through the clipper to the window's place on the 32-bit desktop, from the desktop's
// own format and from RGB 565 (converted on the way), and the text line drawn through a GDI
// device context of a 565 back buffer.
#include <ddraw.h>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

LRESULT CALLBACK BenchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// A window with a 640 x 480 client area, DirectDraw at the normal level, the primary with a
// clipper bound to the window, and a back buffer of the given format.
struct WindowedFrame {
  HWND window = nullptr;
  IDirectDraw4* dd = nullptr;
  IDirectDrawSurface4* primary = nullptr;
  IDirectDrawSurface4* back = nullptr;
  RECT screen{};

  explicit WindowedFrame(const DDPIXELFORMAT& format) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = BenchProc;
    wc.lpszClassName = "VeltaDdBench";
    RegisterClassA(&wc);
    RECT outer{0, 0, 640, 480};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    window = CreateWindowExA(0, "VeltaDdBench", "bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                             nullptr, nullptr, nullptr, nullptr);
    GetClientRect(window, &screen);
    POINT topLeft{0, 0}, bottomRight{screen.right, screen.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    screen = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};

    IDirectDraw* first = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr))) return;
    first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd));
    first->Release();
    dd->SetCooperativeLevel(window, DDSCL_NORMAL);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    dd->CreateSurface(&d, &primary, nullptr);
    IDirectDrawClipper* clipper = nullptr;
    if (SUCCEEDED(dd->CreateClipper(0, &clipper, nullptr))) {
      clipper->SetHWnd(0, window);
      primary->SetClipper(clipper);
      clipper->Release();
    }
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    d.dwWidth = 640;
    d.dwHeight = 480;
    d.ddpfPixelFormat = format;
    dd->CreateSurface(&d, &back, nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x4A69;
    if (back) back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  }
  ~WindowedFrame() {
    if (back) back->Release();
    if (primary) primary->Release();
    if (dd) dd->Release();
    if (window) DestroyWindow(window);
    UnregisterClassA("VeltaDdBench", nullptr);
  }
  bool Ready() const { return window && back && primary; }
};

DDPIXELFORMAT Rgb(DWORD bits, DWORD r, DWORD g, DWORD b) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB;
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  return f;
}

// Frames per second show as items per second.
void BM_BltToPrimary(benchmark::State& state) {
  const bool convert = state.range(0) == 16;
  WindowedFrame frame(convert ? Rgb(16, 0xF800, 0x07E0, 0x001F)
                              : Rgb(32, 0xFF0000, 0x00FF00, 0x0000FF));
  if (!frame.Ready()) {
    state.SkipWithError("no windowed DirectDraw set-up");
    return;
  }
  RECT source{0, 0, 640, 480};
  for (auto _ : state) {
    if (frame.primary->Blt(&frame.screen, frame.back, &source, DDBLT_WAIT, nullptr) != DD_OK) {
      state.SkipWithError("blit failed");
      break;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
  state.SetLabel(convert ? "RGB565 to XRGB8888" : "XRGB8888 to XRGB8888");
}
BENCHMARK(BM_BltToPrimary)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

void BM_TextLine(benchmark::State& state) {
  WindowedFrame frame(Rgb(16, 0xF800, 0x07E0, 0x001F));
  if (!frame.Ready()) {
    state.SkipWithError("no windowed DirectDraw set-up");
    return;
  }
  const char line[] = " 60.00 fps (640x480x16)";
  for (auto _ : state) {
    HDC dc = nullptr;
    if (frame.back->GetDC(&dc) != DD_OK) {
      state.SkipWithError("no device context");
      break;
    }
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    const BOOL drawn = ExtTextOutA(dc, 0, 0, 0, nullptr, line, UINT(std::strlen(line)), nullptr);
    frame.back->ReleaseDC(dc);
    if (!drawn) {
      state.SkipWithError("no usable font");
      break;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);

}  // namespace
