// The application started in-process as the entry point starts it, up to its message loop, in
// the sample media folder on the headless display; torn down to a clean slate after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/messages.h"
#include "display/display.h"
#include "framework/devices.h"
#include "framework/frame.h"
#include "framework/textures.h"
#include "math/builders.h"
#include "model/ase_loader.h"
#include "resources/resource.h"
#include "scene/mesh_shading.h"
#include "scene/object_list.h"
#include "scene/transform_state.h"
#include "test_support.h"
#include "testing/machine_hooks.h"
#include "testing/win32_hooks.h"
#include "testing/window_hooks.h"

namespace velta_test {

constexpr uint32_t Background = 0x303030;

// A surface's pixels as 0xRRGGBB, read through Lock.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Pixels of the rectangle [x0, x1) x [y0, y1) that satisfy `pick`.
  template <typename Pick>
  int Count(int x0, int y0, int x1, int y1, Pick pick) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += pick(At(x, y)) ? 1 : 0;
    return n;
  }
  int NotBackground(int x0, int y0, int x1, int y1) const {
    return Count(x0, y0, x1, y1, [](uint32_t c) { return c != Background; });
  }
};

inline Picture ReadPicture(IDirectDrawSurface4* surface) {
  Picture p;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  if (!surface || surface->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK)
    return p;
  p.width = int(d.dwWidth);
  p.height = int(d.dwHeight);
  p.pixels.resize(size_t(p.width) * size_t(p.height));
  const auto* base = static_cast<const uint8_t*>(d.lpSurface);
  const DWORD bits = d.ddpfPixelFormat.dwRGBBitCount;
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = base + size_t(y) * size_t(d.lPitch);
    for (int x = 0; x < p.width; ++x) {
      uint32_t c = 0;
      if (bits == 32) {
        c = (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 1]) << 8) | row[4 * x];
      } else if (bits == 24) {
        c = (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
      } else if (bits == 16) {
        const unsigned v = unsigned(row[2 * x]) | unsigned(row[2 * x + 1]) << 8;
        const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        c = ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
      }
      p.pixels[size_t(y) * size_t(p.width) + size_t(x)] = c;
    }
  }
  surface->Unlock(nullptr);
  return p;
}

// Fills a surface with one raw pixel value.
inline void FillSurface(IDirectDrawSurface4* surface, DWORD raw) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = raw;
  surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

inline Matrix4 RotationAt(DWORD ms) {
  Matrix4 m;
  SetRotateYMatrix(m, static_cast<float>(ms) * 0.001f);
  return m;
}

inline Matrix4 CurrentWorld() {
  Matrix4 m;
  GetWorldMatrix(m);
  return m;
}

inline bool SameMatrix(const Matrix4& a, const Matrix4& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every application flag and counter back to its value at program start.
inline void ResetApplicationState() {
  AppActive = 0;
  AppReady = 0;
  Windowed = 1;
  FrameMoving = 1;
  SingleStep = 0;
  PauseCount = 0;
  SavedWindowRect = RECT{0, 0, 0, 0};
  StatsFrameCount = 0;
  StatsLastTime = 0.0f;
  StatsFps = 0.0f;
  CurrentDevice = nullptr;
  ResetWorldMatrix();
}

inline void SetClock(DWORD ms) {
  setenv("VELTA_CLOCK_MS", std::to_string(ms).c_str(), 1);
  TestReloadClock();
}

// Creates the main window as the entry point does; the class is registered again each time
// because the window layer forgets it between tests.
inline HWND CreateMainWindow() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hIcon = LoadIconA(windowClass.hInstance, MAKEINTRESOURCEA(IDI_MAIN));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
  windowClass.lpszClassName = "VeltaEngine";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "VeltaEngine", AppTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640 + 2 * GetSystemMetrics(SM_CXFRAME),
                                480 + 2 * GetSystemMetrics(SM_CYFRAME) +
                                    GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU),
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  GetWindowRect(window, &SavedWindowRect);
  return window;
}

// Undoes everything a test may have left: the window (whose destruction closes the 3D
// environment), the device lists, the scene, the textures, the windows, the clock and the
// machine. No DirectDraw or Direct3D object may stay alive.
inline void TearDownApplication() {
  Close3D();
  FreeDeviceLists();
  RemoveAllObjects();
  ReleaseModels();
  DestroyAllTextures();
  TestResetWindows();
  unsetenv("VELTA_CLOCK_MS");
  TestReloadClock();
  TestResetMachine();
  const DdLiveObjects live = TestLiveDirectDrawObjects();
  EXPECT_EQ(live.directDraws, 0);
  EXPECT_EQ(live.surfaces, 0);
  EXPECT_EQ(live.clippers, 0);
  EXPECT_EQ(live.palettes, 0);
  EXPECT_EQ(live.orphans, 0);
  const D3dLiveObjects live3d = TestLiveDirect3DObjects();
  EXPECT_EQ(live3d.devices, 0);
  EXPECT_EQ(live3d.viewports, 0);
  EXPECT_EQ(live3d.textures, 0);
  TestResetDisplay();
  TestResetMessageBoxes();
  ResetApplicationState();
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMessageBoxes();
    TestSilenceMessageBoxes(true);
    TestResetMachine();
    TestResetWindows();
    TestResetDisplay();
    ResetApplicationState();
    SetClock(1000);
    dir_ = std::make_unique<WorkingDir>(VELTA_MEDIA_DIR);
  }
  void TearDown() override {
    if (window && IsWindow(window)) DestroyWindow(window);
    TearDownApplication();
    dir_.reset();
  }

  // The entry point's start-up on the named machine, up to the message loop.
  void Start(const char* profile = "default") {
    ASSERT_TRUE(SelectNamedProfile(profile));
    window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(EnumerateDevices(AcceptAllDevices), S_OK);
    ASSERT_EQ(StartApplication(window), S_OK);
    ASSERT_NE(TheFramework, nullptr);
    AppReady = 1;
  }

  // A clean slate inside one test, for table rows that each start the application.
  void NextRow() {
    if (window && IsWindow(window)) DestroyWindow(window);
    window = nullptr;
    TearDownApplication();
    TestSilenceMessageBoxes(true);
    SetClock(1000);
  }

  LRESULT Command(WORD id) { return SendMessageA(window, WM_COMMAND, id, 0); }

  Picture BackBuffer() const { return ReadPicture(TheFramework->RenderSurface()); }
  static uint64_t Presented() { return TheDisplay().PresentedFrames(); }
  static size_t Boxes() { return TestMessageBoxes().size(); }

  HWND window = nullptr;

 private:
  std::unique_ptr<WorkingDir> dir_;
};

}  // namespace velta_test
