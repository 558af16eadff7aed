// The Direct3D layer as the system uses it: devices listed from the machine profile, devices
// made on render targets, states, viewports, clears, textures and indexed triangle lists.
#include <d3d.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "testing/machine_hooks.h"

namespace {

struct Listed {
  GUID guid;
  std::string name;
  bool hardware;
};

HRESULT WINAPI CollectDevice(GUID* guid, LPSTR, LPSTR name, LPD3DDEVICEDESC hardware,
                             LPD3DDEVICEDESC, LPVOID context) {
  static_cast<std::vector<Listed>*>(context)->push_back({*guid, name, hardware->dwFlags != 0});
  return D3DENUMRET_OK;
}

HRESULT WINAPI CollectFormat(DDPIXELFORMAT* format, LPVOID context) {
  static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
  return D3DENUMRET_OK;
}

class D3dDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMachine();
    IDirectDraw* first = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd_)), DD_OK);
    first->Release();
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    ASSERT_EQ(dd_->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d_)), DD_OK);
  }
  void TearDown() override {
    if (viewport_) viewport_->Release();
    if (device_) device_->Release();
    if (target_) target_->Release();
    if (depth_) depth_->Release();
    d3d_->Release();
    EXPECT_EQ(dd_->Release(), 0u);
    D3dLiveObjects live = TestLiveDirect3DObjects();
    EXPECT_EQ(live.devices + live.viewports + live.textures, 0);
    TestResetMachine();
  }

  IDirectDrawSurface4* Surface(DWORD width, DWORD height, DWORD caps, const DDPIXELFORMAT* format) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
    desc.ddsCaps.dwCaps = caps;
    desc.dwWidth = width;
    desc.dwHeight = height;
    if (format) desc.ddpfPixelFormat = *format;
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &s, nullptr), DD_OK);
    return s;
  }
  // A 64 x 32 render target with a 16-bit depth buffer, a device and a full viewport.
  void MakeDevice(bool withDepth = true) {
    target_ = Surface(64, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, nullptr);
    if (withDepth) {
      DDPIXELFORMAT z{};
      z.dwSize = sizeof z;
      z.dwFlags = DDPF_ZBUFFER;
      z.dwZBufferBitDepth = 16;
      z.dwZBitMask = 0xFFFF;
      depth_ = Surface(64, 32, DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, &z);
      ASSERT_EQ(target_->AddAttachedSurface(depth_), DD_OK);
    }
    ASSERT_EQ(d3d_->CreateDevice(IID_IDirect3DHALDevice, target_, &device_, nullptr), DD_OK);
    ASSERT_EQ(d3d_->CreateViewport(&viewport_, nullptr), DD_OK);
    ASSERT_EQ(device_->AddViewport(viewport_), DD_OK);
    D3DVIEWPORT2 data{};
    data.dwSize = sizeof data;
    data.dwWidth = 64;
    data.dwHeight = 32;
    data.dvClipX = -1;
    data.dvClipY = 1;
    data.dvClipWidth = 2;
    data.dvClipHeight = 2;
    data.dvMaxZ = 1;
    ASSERT_EQ(viewport_->SetViewport2(&data), DD_OK);
    ASSERT_EQ(device_->SetCurrentViewport(viewport_), DD_OK);
  }
  uint32_t Pixel(int x, int y) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(target_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    uint32_t value = 0;
    uint8_t* bytes = desc.lpSurface;
    if (bytes) std::memcpy(&value, bytes + y * desc.lPitch + x * 4, 4);
    target_->Unlock(nullptr);
    return value & 0x00FFFFFF;
  }
  void Clear(D3DCOLOR colour) {
    D3DRECT all = {0, 0, 64, 32};
    ASSERT_EQ(viewport_->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0),
              DD_OK);
  }

  IDirectDraw4* dd_ = nullptr;
  IDirect3D3* d3d_ = nullptr;
  IDirectDrawSurface4* target_ = nullptr;
  IDirectDrawSurface4* depth_ = nullptr;
  IDirect3DDevice3* device_ = nullptr;
  IDirect3DViewport3* viewport_ = nullptr;
};

TEST_F(D3dDevice, TheDriverOffersItsFourDevicesInOrder) {
  std::vector<Listed> listed;
  ASSERT_EQ(d3d_->EnumDevices(CollectDevice, &listed), DD_OK);
  ASSERT_EQ(listed.size(), 4u);
  EXPECT_TRUE(listed[0].guid == IID_IDirect3DHALDevice);
  EXPECT_TRUE(listed[0].hardware);
  EXPECT_TRUE(listed[1].guid == IID_IDirect3DRGBDevice);
  EXPECT_FALSE(listed[1].hardware);
  EXPECT_TRUE(listed[2].guid == IID_IDirect3DRefDevice);
  EXPECT_TRUE(listed[3].guid == IID_IDirect3DNullDevice);

  D3DFINDDEVICESEARCH search{};
  search.dwSize = sizeof search;
  search.dwFlags = D3DFDS_GUID;
  search.guid = IID_IDirect3DRGBDevice;
  D3DFINDDEVICERESULT found{};
  found.dwSize = sizeof found;
  ASSERT_EQ(d3d_->FindDevice(&search, &found), DD_OK);
  EXPECT_EQ(found.ddHwDesc.dwFlags, 0u);
  EXPECT_EQ(found.ddSwDesc.dcmColorModel & D3DCOLOR_RGB, static_cast<DWORD>(D3DCOLOR_RGB));
  EXPECT_TRUE(found.ddSwDesc.dwDeviceRenderBitDepth & DDBD_16);
  search.guid = GUID{1, 2, 3, {4}};
  EXPECT_EQ(d3d_->FindDevice(&search, &found), DDERR_NOTFOUND);

  std::vector<DDPIXELFORMAT> depth;
  ASSERT_EQ(d3d_->EnumZBufferFormats(IID_IDirect3DHALDevice, CollectFormat, &depth), DD_OK);
  ASSERT_FALSE(depth.empty());
  EXPECT_EQ(depth[0].dwZBufferBitDepth, 16u);
}

TEST_F(D3dDevice, ProfilesDecideWhatIsOfferedAndWhatFails) {
  TestMachine().drivers[0].devices.clear();
  std::vector<Listed> listed;
  d3d_->EnumDevices(CollectDevice, &listed);
  EXPECT_TRUE(listed.empty());
  TestResetMachine();
  ASSERT_TRUE(SelectNamedProfile("hal-fails"));
  target_ = Surface(16, 16, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, nullptr);
  EXPECT_TRUE(FAILED(d3d_->CreateDevice(IID_IDirect3DHALDevice, target_, &device_, nullptr)));
  EXPECT_EQ(device_, nullptr);
  ASSERT_EQ(d3d_->CreateDevice(IID_IDirect3DRGBDevice, target_, &device_, nullptr), DD_OK);
  ASSERT_TRUE(SelectNamedProfile("pow2-square"));
  D3DFINDDEVICESEARCH search{};
  search.dwSize = sizeof search;
  search.dwFlags = D3DFDS_GUID;
  search.guid = IID_IDirect3DHALDevice;
  D3DFINDDEVICERESULT found{};
  found.dwSize = sizeof found;
  ASSERT_EQ(d3d_->FindDevice(&search, &found), DD_OK);
  EXPECT_TRUE(found.ddHwDesc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2);
  EXPECT_TRUE(found.ddHwDesc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
}

TEST_F(D3dDevice, DevicesNeedAThreeDimensionalTargetOfAColourDepthTheyDraw) {
  IDirectDrawSurface4* plain = Surface(16, 16, DDSCAPS_OFFSCREENPLAIN, nullptr);
  EXPECT_TRUE(FAILED(d3d_->CreateDevice(IID_IDirect3DHALDevice, plain, &device_, nullptr)));
  plain->Release();
  EXPECT_TRUE(FAILED(d3d_->CreateDevice(IID_IDirect3DHALDevice, nullptr, &device_, nullptr)));
  EXPECT_EQ(device_, nullptr);
}

TEST_F(D3dDevice, ClearAndDrawAClockwiseTriangleWithDepth) {
  MakeDevice();
  Clear(0x00303030);
  EXPECT_EQ(Pixel(5, 5), 0x303030u);
  // Clockwise on screen (y grows downwards): drawn. The same corners reversed: culled.
  D3DTLVERTEX v[6] = {{4, 4, 0.5f, 0.5f, 0x00FF0000, 0, 0, 0},  {60, 4, 0.5f, 0.5f, 0x00FF0000, 0, 0, 0},
                      {4, 28, 0.5f, 0.5f, 0x00FF0000, 0, 0, 0}, {4, 4, 0.2f, 0.5f, 0x0000FF00, 0, 0, 0},
                      {4, 28, 0.2f, 0.5f, 0x0000FF00, 0, 0, 0}, {60, 4, 0.2f, 0.5f, 0x0000FF00, 0, 0, 0}};
  WORD clockwise[3] = {0, 1, 2}, counter[3] = {3, 4, 5};
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 6, clockwise, 3,
                                          D3DDP_DONOTLIGHT),
            D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device_->BeginScene(), DD_OK);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 6, clockwise, 3,
                                          D3DDP_DONOTLIGHT),
            DD_OK);
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 6, counter, 3,
                                          D3DDP_DONOTLIGHT),
            DD_OK);
  ASSERT_EQ(device_->EndScene(), DD_OK);
  EXPECT_EQ(Pixel(10, 10), 0xFF0000u) << "the counter-clockwise copy is culled by default";
  EXPECT_EQ(Pixel(50, 25), 0x303030u);

  // Without culling the nearer green copy wins the depth test.
  device_->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  device_->BeginScene();
  device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 6, counter, 3, 0);
  device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 6, clockwise, 3, 0);
  device_->EndScene();
  EXPECT_EQ(Pixel(10, 10), 0x00FF00u);
}

TEST_F(D3dDevice, BadDrawsAreRefusedWithoutReadingPastTheVertices) {
  MakeDevice(false);
  D3DTLVERTEX v[3] = {};
  WORD past[3] = {0, 1, 3};
  device_->BeginScene();
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 3, past, 3, 0),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, past, 3, 0),
            D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_TRUE(FAILED(device_->DrawIndexedPrimitive(D3DPT_LINELIST, D3DFVF_TLVERTEX, v, 3, past, 2, 0)));
  device_->EndScene();
  EXPECT_EQ(device_->SetTexture(0, reinterpret_cast<IDirect3DTexture2*>(v)), DDERR_INVALIDPARAMS)
      << "a pointer that is not a live texture is refused, not followed";
}

TEST_F(D3dDevice, TexturesAreQueriesOfTextureSurfacesAndModulateTheColour) {
  MakeDevice(false);
  DDPIXELFORMAT xrgb{};
  xrgb.dwSize = sizeof xrgb;
  xrgb.dwFlags = DDPF_RGB;
  xrgb.dwRGBBitCount = 32;
  xrgb.dwRBitMask = 0xFF0000;
  xrgb.dwGBitMask = 0xFF00;
  xrgb.dwBBitMask = 0xFF;
  IDirectDrawSurface4* surface = Surface(4, 4, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, &xrgb);
  DDBLTFX fill{};
  fill.dwSize = sizeof fill;
  fill.dwFillColor = 0x0000FF00;
  ASSERT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill), DD_OK);
  IDirect3DTexture2* texture = nullptr;
  ASSERT_EQ(surface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&texture)), DD_OK);
  Clear(0);
  ASSERT_EQ(device_->SetTexture(0, texture), DD_OK);
  D3DTLVERTEX v[3] = {{0, 0, 0.5f, 0.5f, 0x00808080, 0, 0, 0},
                      {64, 0, 0.5f, 0.5f, 0x00808080, 0, 1, 0},
                      {0, 32, 0.5f, 0.5f, 0x00808080, 0, 0, 1}};
  WORD tri[3] = {0, 1, 2};
  device_->BeginScene();
  ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 3, tri, 3, 0), DD_OK);
  device_->EndScene();
  uint32_t p = Pixel(5, 5);
  EXPECT_EQ(p & 0xFF00FF, 0u);
  EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0x80, 2) << "green texel times grey vertex colour";

  // The texture follows later changes of its surface's pixels.
  fill.dwFillColor = 0x00FF0000;
  surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
  device_->BeginScene();
  device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v, 3, tri, 3, 0);
  device_->EndScene();
  EXPECT_NEAR(static_cast<int>((Pixel(5, 5) >> 16) & 0xFF), 0x80, 2);

  device_->SetTexture(0, nullptr);
  texture->Release();
  surface->Release();
}

TEST_F(D3dDevice, StatesRenderTargetAndViewportBookkeeping) {
  MakeDevice();
  DWORD value = 0;
  device_->GetRenderState(D3DRENDERSTATE_ZENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DZB_TRUE)) << "a target with a depth buffer starts with z on";
  device_->GetRenderState(D3DRENDERSTATE_CULLMODE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CCW));
  device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device_->GetTextureStageState(0, D3DTSS_MAGFILTER, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTFG_LINEAR));
  IDirectDrawSurface4* current = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(&current), DD_OK);
  EXPECT_EQ(current, target_);
  current->Release();
  IDirect3DViewport3* loose = nullptr;
  d3d_->CreateViewport(&loose, nullptr);
  D3DRECT r = {0, 0, 1, 1};
  EXPECT_EQ(loose->Clear2(1, &r, D3DCLEAR_TARGET, 0, 1, 0), D3DERR_VIEWPORTHASNODEVICE);
  EXPECT_EQ(device_->SetCurrentViewport(loose), DDERR_INVALIDPARAMS);
  loose->Release();
  EXPECT_EQ(device_->BeginScene(), DD_OK);
  EXPECT_EQ(device_->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device_->EndScene(), DD_OK);
  EXPECT_EQ(device_->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
}

}  // namespace
