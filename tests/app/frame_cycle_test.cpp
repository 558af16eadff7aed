#include <gtest/gtest.h>

#include "app_fixture.h"
#include "scene/fake_device.h"

namespace velta_test {
namespace {

using FrameCycleTest = AppTest;

TEST_F(FrameCycleTest, FirstFrameIsAlreadyTurnedByTheClock) {
  Start();
  SetClock(2500);
  const uint64_t before = Presented();
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(2500)));
  EXPECT_EQ(CurrentDevice, TheFramework->Device());
  EXPECT_EQ(Presented(), before + 1);

  const Picture p = BackBuffer();
  ASSERT_EQ(p.width, int(TheFramework->renderWidth));
  EXPECT_GT(
      p.NotBackground(p.width / 2 - 60, p.height / 2 - 60, p.width / 2 + 60, p.height / 2 + 60),
      1000);
  // The corners away from the frame-rate line show the clear colour.
  EXPECT_EQ(p.At(p.width - 1, p.height - 1), Background);
  EXPECT_EQ(p.At(0, p.height - 1), Background);
  EXPECT_EQ(p.At(p.width - 1, 0), Background);
}

TEST_F(FrameCycleTest, GoStopKeepsTheWorldAndSingleStepAdvancesOnce) {
  Start();
  SetClock(1000);
  RenderOneFrame();
  EXPECT_EQ(Command(CmdGoStop), 0);
  EXPECT_EQ(FrameMoving, 0);

  SetClock(2000);
  uint64_t before = Presented();
  RenderOneFrame();
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(1000)));
  EXPECT_EQ(Presented(), before + 1) << "a stopped picture is still redrawn";

  Command(CmdSingleStep);
  EXPECT_EQ(SingleStep, 1);
  SetClock(3000);
  RenderOneFrame();
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(3000)));
  EXPECT_EQ(SingleStep, 0);
  SetClock(4000);
  RenderOneFrame();
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(3000)));

  Command(CmdGoStop);
  EXPECT_EQ(FrameMoving, 1);
  RenderOneFrame();
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(4000)));
}

TEST_F(FrameCycleTest, EveryRebuildMovesTheFrameOnceWhileStopped) {
  Start();
  FrameMoving = 0;
  RenderOneFrame();
  const Matrix4 still = CurrentWorld();
  const int textures = TestLiveDirect3DObjects().textures;
  ASSERT_GT(textures, 0);

  struct Rebuild {
    const char* name;
    void (*run)(HWND window);
  };
  const Rebuild rebuilds[] = {
      {"resize",
       [](HWND w) { SetWindowPos(w, nullptr, 0, 0, 700, 560, SWP_NOMOVE | SWP_NOZORDER); }},
      {"to full screen", [](HWND w) { SendMessageA(w, WM_COMMAND, CmdToggleFullScreen, 0); }},
      {"back to the window", [](HWND w) { SendMessageA(w, WM_COMMAND, CmdToggleFullScreen, 0); }},
      {"reopen", [](HWND w) { Reopen3D(w); }},
  };
  DWORD clock = 5000;
  for (const Rebuild& rebuild : rebuilds) {
    SCOPED_TRACE(rebuild.name);
    rebuild.run(window);
    ASSERT_NE(TheFramework, nullptr);
    EXPECT_EQ(TestLiveDirectDrawObjects().orphans, 0) << "the old surfaces are all released";
    const D3dLiveObjects live = TestLiveDirect3DObjects();
    EXPECT_EQ(live.devices, 1);
    EXPECT_EQ(live.viewports, 1);
    EXPECT_EQ(live.textures, textures) << "the textures are made again, not added";
    EXPECT_EQ(SingleStep, 1);
    EXPECT_TRUE(SameMatrix(CurrentWorld(), still)) << "the rebuild itself leaves the world";
    SetClock(clock);
    RenderOneFrame();
    EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(clock)));
    SetClock(clock + 500);
    RenderOneFrame();
    EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(clock)));
    clock += 1000;
  }
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(FrameCycleTest, PauseIsCounted) {
  Start();
  struct Case {
    std::vector<bool> calls;
    LONG count;
    BOOL ready;
  };
  const Case cases[] = {
      {{true}, 1, 0},   {{true, true, false}, 1, 0}, {{true, true, false, false}, 0, 1},
      {{false}, -1, 0}, {{false, true}, 0, 1},       {{false, true, true, false}, 0, 1},
  };
  for (const Case& c : cases) {
    PauseCount = 0;
    AppReady = 1;
    for (bool pause : c.calls) SetPaused(pause);
    EXPECT_EQ(PauseCount, c.count) << c.calls.size();
    EXPECT_EQ(AppReady, c.ready) << c.calls.size();
  }
}

TEST_F(FrameCycleTest, RefusedCooperativeLevelDrawsAndReportsNothing) {
  Start();
  RenderOneFrame();
  const Matrix4 world = CurrentWorld();
  const DWORD statsFrames = StatsFrameCount;
  // A mark in the back buffer that a clear would wipe out.
  FillSurface(TheFramework->RenderSurface(), 0x00FF00FF);
  const uint64_t before = Presented();

  TestMachine().failures.otherAppFullScreen = true;
  SetClock(7000);
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_TRUE(SameMatrix(CurrentWorld(), world));
  EXPECT_EQ(Presented(), before);
  EXPECT_EQ(StatsFrameCount, statsFrames);
  const Picture p = BackBuffer();
  EXPECT_EQ(p.Count(0, 0, p.width, p.height, [](uint32_t c) { return c != 0xFF00FF; }), 0);
  EXPECT_EQ(Boxes(), 0u);

  TestMachine().failures.otherAppFullScreen = false;
  RenderOneFrame();
  EXPECT_TRUE(SameMatrix(CurrentWorld(), RotationAt(7000)));
  EXPECT_EQ(Presented(), before + 1);
}

TEST_F(FrameCycleTest, LostSurfacesAtPresentationAreRestoredSilently) {
  Start();
  for (const char* mode : {"window", "full screen"}) {
    SCOPED_TRACE(mode);
    TestMachine().failures.loseSurfacesAtPresent = 1;
    EXPECT_EQ(RenderOneFrame(), S_OK);
    const uint64_t before = Presented();
    EXPECT_EQ(RenderOneFrame(), S_OK);
    EXPECT_EQ(Presented(), before + 1);
    const Picture p = BackBuffer();
    EXPECT_GT(
        p.NotBackground(p.width / 2 - 60, p.height / 2 - 60, p.width / 2 + 60, p.height / 2 + 60),
        1000);
    Command(CmdToggleFullScreen);
  }
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(FrameCycleTest, FailingHardwareFallsBackOnceToSoftware) {
  const struct {
    const char* profile;
    const char* message;
  } rows[] = {
      {"hal-fails", "No 3D Device"},
      {"out-of-video-memory", "There was insufficient video memory to use the\nhardware device."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile);
    Start(row.profile);
    ASSERT_EQ(Boxes(), 1u);
    const RecordedMessageBox& box = TestMessageBoxes()[0];
    EXPECT_EQ(box.text, std::string(row.message) + "\n\nSwitching to software rasterizer.");
    EXPECT_EQ(box.caption, AppTitle);
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONWARNING));

    DeviceInfo* device = nullptr;
    ASSERT_EQ(GetSelectedDriverAndDevice(nullptr, &device), S_OK);
    EXPECT_FALSE(device->isHardware);
    EXPECT_EQ(RenderOneFrame(), S_OK);
    const Picture p = BackBuffer();
    EXPECT_GT(
        p.NotBackground(p.width / 2 - 60, p.height / 2 - 60, p.width / 2 + 60, p.height / 2 + 60),
        1000);
    // A rebuild stays on the software device: no second box.
    EXPECT_EQ(Reopen3D(window), S_OK);
    EXPECT_EQ(Boxes(), 1u);
    NextRow();
  }
}

TEST_F(FrameCycleTest, FailedRebuildEndsTheProgram) {
  // A device someone still holds when the framework is torn down.
  Start();
  IDirect3DDevice3* held = TheFramework->Device();
  held->AddRef();
  EXPECT_EQ(Reopen3D(window), FwErrStillReferenced);
  ASSERT_EQ(Boxes(), 1u);
  EXPECT_EQ(TestMessageBoxes()[0].text, "Nonzerorefcount\n\nThis sample will now exit.");
  EXPECT_EQ(TestMessageBoxes()[0].type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TheFramework, nullptr);
  EXPECT_EQ(AppActive, 0);
  held->Release();
  NextRow();

  // No device can be made any more: the fallback is tried, then the program ends.
  Start();
  for (ProfileDevice& d : TestMachine().drivers[0].devices) d.failCreate = true;
  EXPECT_EQ(Reopen3D(window), FwErrNoDevice);
  ASSERT_EQ(Boxes(), 2u);
  EXPECT_EQ(TestMessageBoxes()[0].text, "No 3D Device\n\nSwitching to software rasterizer.");
  EXPECT_EQ(TestMessageBoxes()[1].text, "No 3D Device\n\nThis sample will now exit.");
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TheFramework, nullptr);
  EXPECT_EQ(ModelTable[3].model, nullptr);
}

TEST_F(FrameCycleTest, CloseReleasesTheSceneAndTheFramework) {
  Start();
  RenderOneFrame();
  ASSERT_NE(ModelTable[3].model, nullptr);
  ASSERT_NE(TextureTable, nullptr);
  EXPECT_EQ(Close3D(), S_OK);
  EXPECT_EQ(TheFramework, nullptr);
  EXPECT_EQ(AppActive, 0);
  EXPECT_EQ(AppReady, 0);
  EXPECT_EQ(ModelTable[3].model, nullptr);
  for (int i = 0; i < ObjectList.count; ++i) EXPECT_EQ(ObjectList.slots[i], nullptr);
  for (TextureEntry* e = TextureTable; e; e = e->next) {
    EXPECT_EQ(e->surface, nullptr) << e->name;
    EXPECT_EQ(e->texture, nullptr) << e->name;
  }
  const DdLiveObjects live = TestLiveDirectDrawObjects();
  EXPECT_EQ(live.directDraws + live.surfaces + live.clippers + live.palettes, 0);
  // Nothing is drawn once the environment is gone, and a second close is harmless.
  EXPECT_EQ(RenderOneFrame(), S_OK);
  EXPECT_EQ(Close3D(), S_OK);
}

// Records the states the device is given, in order.
struct StateRecordingDevice : FakeDevice {
  std::vector<std::pair<DWORD, DWORD>> stageStates;
  std::vector<std::pair<DWORD, DWORD>> renderStates;
  HRESULT SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override {
    renderStates.emplace_back(type, value);
    return S_OK;
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    EXPECT_EQ(stage, 0u);
    stageStates.emplace_back(type, value);
    return S_OK;
  }
};

TEST_F(FrameCycleTest, DeviceResourcesSetTheStatesAndTheCamera) {
  IDirectDraw* first = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
  IDirect3D3* d3d = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)), DD_OK);
  IDirect3DViewport3* viewport = nullptr;
  ASSERT_EQ(d3d->CreateViewport(&viewport, nullptr), DD_OK);

  StateRecordingDevice device;
  EXPECT_EQ(CreateDeviceResources(nullptr, viewport), E_INVALIDARG);
  EXPECT_EQ(CreateDeviceResources(&device, nullptr), E_INVALIDARG);
  EXPECT_TRUE(device.stageStates.empty());
  EXPECT_TRUE(device.renderStates.empty());

  Matrix4 turned;
  SetRotateYMatrix(turned, 1.0f);
  SetWorldMatrix(turned);
  EXPECT_EQ(CreateDeviceResources(&device, viewport), S_OK);
  const std::vector<std::pair<DWORD, DWORD>> stage = {
      {D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_DIFFUSE},
      {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_MINFILTER, D3DTFN_LINEAR},
      {D3DTSS_MAGFILTER, D3DTFG_LINEAR},
  };
  const std::vector<std::pair<DWORD, DWORD>> render = {
      {D3DRENDERSTATE_DITHERENABLE, TRUE},
      {D3DRENDERSTATE_SPECULARENABLE, FALSE},
      {D3DRENDERSTATE_ZENABLE, TRUE},
  };
  EXPECT_EQ(device.stageStates, stage);
  EXPECT_EQ(device.renderStates, render);

  const TransformState& t = TheTransformState;
  Matrix4 identity;
  ResetWorldMatrix();
  GetWorldMatrix(identity);
  EXPECT_TRUE(SameMatrix(t.world, identity));
  EXPECT_NEAR(t.projection._11, 1.81066f, 1e-4f);
  EXPECT_NEAR(t.projection._22, 2.41421f, 1e-4f);
  EXPECT_NEAR(t.projection._33, 1.00050f, 1e-5f);
  EXPECT_NEAR(t.projection._43, -1.00050f, 1e-5f);
  EXPECT_EQ(t.projection._34, 1.0f);
  EXPECT_EQ(t.eye.y, 50.0f);
  EXPECT_EQ(t.eye.z, -100.0f);
  EXPECT_EQ(t.lookAt.y, 25.0f);
  EXPECT_EQ(t.right, 640);
  EXPECT_EQ(t.bottom, 480);

  viewport->Release();
  d3d->Release();
  first->Release();
}

}  // namespace
}  // namespace velta_test
