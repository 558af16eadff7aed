// DirectDraw objects: records, references, surface creation rules, attachments, cooperative
// levels and display modes, lost surfaces, every enumeration, the machine profiles and each
// injected failure.
#include "ddraw_support.h"

#include "display/display.h"

#include <algorithm>
#include <string>

using velta_test::DdTest;
using velta_test::SurfaceDesc;

namespace {

TEST(DdRecords, HaveTheirWindowsSizes) {
  EXPECT_EQ(sizeof(DDPIXELFORMAT), 32u);
  EXPECT_EQ(sizeof(DDSCAPS2), 16u);
  EXPECT_EQ(sizeof(DDSURFACEDESC2), 124u);
  EXPECT_EQ(sizeof(DDSURFACEDESC), 108u);
  EXPECT_EQ(sizeof(DDCAPS), 380u);
  EXPECT_EQ(sizeof(DDCOLORKEY), 8u);
  EXPECT_EQ(sizeof(DDBLTFX), 100u);
  EXPECT_EQ(DDERR_SURFACELOST, HRESULT(0x887601C2));
  EXPECT_EQ(DDERR_OUTOFVIDEOMEMORY, HRESULT(0x8876017C));
  EXPECT_EQ(DDERR_WASSTILLDRAWING, HRESULT(0x8876021C));
  EXPECT_EQ(DDERR_NOTFOUND, HRESULT(0x887600FF));
}

using DdObjects = DdTest;

TEST_F(DdObjects, ReleaseReturnsTheReferencesLeftOnEveryObject) {
  EXPECT_EQ(dd_->AddRef(), 2u);
  IDirectDraw* older = nullptr;
  ASSERT_EQ(dd_->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&older)), DD_OK);
  EXPECT_EQ(older->Release(), 2u);
  EXPECT_EQ(dd_->Release(), 1u);
  void* none = &older;
  EXPECT_EQ(dd_->QueryInterface(IID_IDirectDrawClipper, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  IDirectDrawSurface4* s = MakeFormat(2, 8, 8);
  IDirectDrawSurface4* same = nullptr;
  ASSERT_EQ(s->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&same)), DD_OK);
  EXPECT_EQ(same, s);
  EXPECT_EQ(same->Release(), 1u);
  // The surface's DirectDraw object comes with a reference of its own.
  void* owner = nullptr;
  ASSERT_EQ(s->GetDDInterface(&owner), DD_OK);
  EXPECT_EQ(owner, static_cast<void*>(dd_));
  EXPECT_EQ(dd_->Release(), 1u);

  // Clippers and palettes are held by the surfaces they are set on.
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
  ASSERT_EQ(s->SetClipper(clipper), DD_OK);
  EXPECT_EQ(clipper->AddRef(), 3u);
  EXPECT_EQ(clipper->Release(), 2u);
  IDirectDrawClipper* got = nullptr;
  ASSERT_EQ(s->GetClipper(&got), DD_OK);
  EXPECT_EQ(got->Release(), 2u);
  EXPECT_EQ(clipper->Release(), 1u);
  IDirectDrawSurface4* indexed = MakeFormat(0, 8, 8);
  PALETTEENTRY entries[256] = {};
  IDirectDrawPalette* palette = MakePalette(entries);
  ASSERT_EQ(indexed->SetPalette(palette), DD_OK);
  EXPECT_EQ(palette->Release(), 1u);
  EXPECT_EQ(TestLiveDirectDrawObjects().palettes, 1);
  EXPECT_EQ(indexed->Release(), 0u);
  EXPECT_EQ(TestLiveDirectDrawObjects().palettes, 0);

  // A depth buffer attached to a surface is held by it until detached or the surface goes.
  const DDPIXELFORMAT z = velta_test::DepthFormat(16, 0xFFFF);
  IDirectDrawSurface4* depth = Make(DDSCAPS_ZBUFFER, 8, 8, &z);
  ASSERT_EQ(s->AddAttachedSurface(depth), DD_OK);
  EXPECT_EQ(s->AddAttachedSurface(depth), DDERR_SURFACEALREADYATTACHED);
  DDSCAPS2 zcaps{DDSCAPS_ZBUFFER, 0, 0, 0};
  IDirectDrawSurface4* found = nullptr;
  ASSERT_EQ(s->GetAttachedSurface(&zcaps, &found), DD_OK);
  EXPECT_EQ(found, depth);
  EXPECT_EQ(found->Release(), 2u);
  EXPECT_EQ(s->DeleteAttachedSurface(0, depth), DD_OK);
  EXPECT_EQ(s->DeleteAttachedSurface(0, depth), DDERR_SURFACENOTATTACHED);
  ASSERT_EQ(s->AddAttachedSurface(depth), DD_OK);
  EXPECT_EQ(s->Release(), 0u);
  EXPECT_EQ(TestLiveDirectDrawObjects().clippers, 0);
  EXPECT_EQ(depth->Release(), 0u);
}

TEST_F(DdObjects, SurfacesOutlivingTheirDirectDrawObjectAnswerLost) {
  IDirectDrawSurface4* s = MakeFormat(6, 4, 4);
  IDirectDrawSurface4* other = MakeFormat(6, 4, 4);
  EXPECT_EQ(dd_->Release(), 0u);
  dd_ = nullptr;
  EXPECT_EQ(TestLiveDirectDrawObjects().directDraws, 0);
  EXPECT_EQ(TestLiveDirectDrawObjects().orphans, 2);
  EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(s->Restore(), DDERR_INVALIDOBJECT);
  EXPECT_EQ(s->Blt(nullptr, other, nullptr, 0, nullptr), DDERR_SURFACELOST);
  void* owner = nullptr;
  EXPECT_EQ(s->GetDDInterface(&owner), DDERR_INVALIDOBJECT);
  EXPECT_EQ(s->Release(), 0u);
  EXPECT_EQ(other->Release(), 0u);
}

TEST_F(DdObjects, AFlipChainGoesWithItsPrimary) {
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  DDSURFACEDESC2 d = SurfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
  d.dwFlags |= DDSD_BACKBUFFERCOUNT;
  d.dwBackBufferCount = 1;
  IDirectDrawSurface4* front = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&d, &front, nullptr), DD_OK);
  EXPECT_EQ(TestLiveDirectDrawObjects().surfaces, 2);
  DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  IDirectDrawSurface4* back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  EXPECT_EQ(back->AddRef(), 2u);
  EXPECT_EQ(back->Release(), 1u);
  EXPECT_EQ(front->DeleteAttachedSurface(0, back), DDERR_CANNOTDETACHSURFACE);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(front->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwBackBufferCount, 1u);
  EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_FRONTBUFFER);
  // The program still holds the back buffer when the primary goes: it stays, lost, until
  // released.
  EXPECT_EQ(front->Release(), 0u);
  EXPECT_EQ(TestLiveDirectDrawObjects().surfaces, 0);
  EXPECT_EQ(TestLiveDirectDrawObjects().orphans, 1);
  EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(back->Release(), 0u);
  // A flip chain needs exclusive mode; a second primary is refused.
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(dd_->CreateSurface(&d, &front, nullptr), DDERR_NOEXCLUSIVEMODE);
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  DDSURFACEDESC2 again = SurfaceDesc(DDSCAPS_PRIMARYSURFACE);
  IDirectDrawSurface4* second = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&again, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  primary->Release();
}

TEST_F(DdObjects, CreateSurfaceRules) {
  const DDPIXELFORMAT rgb = velta_test::PixelFormatOf(velta_test::kColorFormats[2]);
  DDPIXELFORMAT bgr = rgb;
  std::swap(bgr.dwRBitMask, bgr.dwBBitMask);
  DDPIXELFORMAT sizeOnly{};
  sizeOnly.dwSize = sizeof sizeOnly;
  const DDPIXELFORMAT z24s8 = velta_test::DepthFormat(32, 0xFFFFFF00, 8, 0xFF);
  const DDPIXELFORMAT badZ = velta_test::DepthFormat(16, 0xFFFF, 1, 0x1);
  const struct {
    DWORD caps, caps2, width, height;
    const DDPIXELFORMAT* format;
    HRESULT expected;
  } cases[] = {
      {DDSCAPS_OFFSCREENPLAIN, 0, 64, 64, &rgb, DD_OK},
      {DDSCAPS_OFFSCREENPLAIN, 0, 64, 64, nullptr, DD_OK},  // the display's format
      {DDSCAPS_OFFSCREENPLAIN, 0, 0, 64, &rgb, DDERR_INVALIDPARAMS},
      {DDSCAPS_OFFSCREENPLAIN, 0, 20000, 4, &rgb, DDERR_TOOBIGWIDTH},
      {DDSCAPS_OFFSCREENPLAIN, 0, 4, 4, &bgr, DDERR_INVALIDPIXELFORMAT},
      {DDSCAPS_TEXTURE, 0, 4, 4, &sizeOnly, DDERR_INVALIDPIXELFORMAT},
      {DDSCAPS_TEXTURE, DDSCAPS2_TEXTUREMANAGE, 128, 64, &rgb, DD_OK},
      // Textures no larger than the devices draw; other surfaces may be larger.
      {DDSCAPS_TEXTURE, DDSCAPS2_TEXTUREMANAGE, 2048, 2, &rgb, DD_OK},
      {DDSCAPS_TEXTURE, DDSCAPS2_TEXTUREMANAGE, 2049, 2, &rgb, DDERR_TOOBIGWIDTH},
      {DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 0, 2, 2049, &rgb, DDERR_TOOBIGHEIGHT},
      {DDSCAPS_OFFSCREENPLAIN, 0, 4096, 2, &rgb, DD_OK},
      {DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, DDSCAPS2_TEXTUREMANAGE, 4, 4, &rgb,
       DDERR_INVALIDCAPS},
      {DDSCAPS_OFFSCREENPLAIN, DDSCAPS2_TEXTUREMANAGE, 4, 4, &rgb, DDERR_INVALIDCAPS},
      {DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY, 0, 4, 4, &rgb, DDERR_INVALIDCAPS},
      {DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, 0, 640, 480, &z24s8, DD_OK},
      {DDSCAPS_ZBUFFER, 0, 640, 480, &rgb, DDERR_INVALIDPIXELFORMAT},
      {DDSCAPS_ZBUFFER, 0, 640, 480, nullptr, DDERR_INVALIDPIXELFORMAT},
      {DDSCAPS_OFFSCREENPLAIN, 0, 4, 4, &z24s8, DDERR_INVALIDPIXELFORMAT},
      {DDSCAPS_ZBUFFER, 0, 4, 4, &badZ, DDERR_INVALIDPIXELFORMAT},  // stencil inside depth
      {DDSCAPS_OVERLAY, 0, 4, 4, &rgb, DDERR_INVALIDCAPS},
      {DDSCAPS_BACKBUFFER, 0, 4, 4, &rgb, DDERR_INVALIDCAPS},
  };
  for (const auto& c : cases) {
    DDSURFACEDESC2 d = SurfaceDesc(c.caps, c.width, c.height, c.format);
    if (!c.width) d.dwFlags |= DDSD_WIDTH | DDSD_HEIGHT;
    d.ddsCaps.dwCaps2 = c.caps2;
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), c.expected) << std::hex << c.caps;
    EXPECT_EQ(s != nullptr, c.expected == DD_OK);
    if (s) {
      DDSURFACEDESC2 got{};
      got.dwSize = sizeof got;
      ASSERT_EQ(s->GetSurfaceDesc(&got), DD_OK);
      EXPECT_EQ(got.dwWidth, c.width);
      EXPECT_GE(got.lPitch, LONG(c.width * got.ddpfPixelFormat.dwRGBBitCount / 8));
      const DWORD memory = got.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY);
      EXPECT_EQ(memory, c.caps2 ? 0u
                        : c.caps & DDSCAPS_SYSTEMMEMORY ? DWORD(DDSCAPS_SYSTEMMEMORY)
                                                        : DWORD(DDSCAPS_VIDEOMEMORY));
      s->Release();
    }
  }
  DDSURFACEDESC2 wrongSize = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN, 4, 4);
  wrongSize.dwSize = 108;
  IDirectDrawSurface4* s = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&wrongSize, &s, nullptr), DDERR_INVALIDPARAMS);
  // Nothing is made before a cooperative level is set.
  IDirectDraw* first = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
  IDirectDraw4* fresh = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&fresh)), DD_OK);
  first->Release();
  DDSURFACEDESC2 plain = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN, 4, 4);
  EXPECT_EQ(fresh->CreateSurface(&plain, &s, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(fresh->Release(), 0u);
}

TEST_F(DdObjects, DisplayModesChangeInExclusiveModeAndLoseVideoSurfaces) {
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  IDirectDrawSurface4* video = MakeFormat(2, 8, 8);
  IDirectDrawSurface4* system = MakeFormat(2, 8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  EXPECT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT),
            DD_OK);
  EXPECT_EQ(dd_->SetDisplayMode(640, 480, 24, 0, 0), DDERR_INVALIDMODE);  // not offered
  EXPECT_EQ(dd_->SetDisplayMode(320, 200, 16, 0, DDSDM_STANDARDVGAMODE), DDERR_INVALIDPARAMS);
  ASSERT_EQ(dd_->SetDisplayMode(320, 200, 8, 0, DDSDM_STANDARDVGAMODE), DD_OK);
  EXPECT_EQ(TestLastDisplayModeFlags(), DWORD(DDSDM_STANDARDVGAMODE));
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 60, 0), DD_OK);
  EXPECT_EQ(TestLastDisplayModeFlags(), 0u);
  DDSURFACEDESC2 mode{};
  mode.dwSize = sizeof mode;
  ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.dwWidth, 640u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);

  EXPECT_EQ(video->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(system->IsLost(), DD_OK);
  EXPECT_EQ(system->Blt(nullptr, video, nullptr, 0, nullptr), DDERR_SURFACELOST);
  HDC dc = nullptr;
  EXPECT_EQ(video->GetDC(&dc), DDERR_SURFACELOST);
  EXPECT_EQ(video->Restore(), DD_OK);
  EXPECT_EQ(system->Blt(nullptr, video, nullptr, 0, nullptr), DD_OK);
  // The desktop's primary cannot come back in another mode.
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
  // Back to normal: the desktop returns, and with it the primary.
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.dwWidth, 1024u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);
  EXPECT_EQ(video->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(dd_->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(primary->IsLost(), DD_OK);
  EXPECT_EQ(video->IsLost(), DD_OK);
  for (IDirectDrawSurface4* s : {primary, video, system}) s->Release();
}

TEST_F(DdObjects, CooperativeLevelsAndTheOlderInterface) {
  EXPECT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  EXPECT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL | DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
            DDERR_INVALIDPARAMS);
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  // A second object of this program finds the screen taken.
  IDirectDraw* other = nullptr;
  ASSERT_EQ(DirectDrawCreate(nullptr, &other, nullptr), DD_OK);
  EXPECT_EQ(other->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
            DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(other->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  IDirectDraw4* other4 = nullptr;
  ASSERT_EQ(other->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&other4)), DD_OK);
  EXPECT_EQ(other4->TestCooperativeLevel(), DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(dd_->TestCooperativeLevel(), DD_OK);
  other4->Release();
  // The older interface changes modes too, and reads them into the older record.
  ASSERT_EQ(dd_->SetDisplayMode(800, 600, 32, 0, 0), DD_OK);
  DDSURFACEDESC old{};
  old.dwSize = sizeof old;
  ASSERT_EQ(other->GetDisplayMode(&old), DD_OK);
  EXPECT_EQ(old.dwWidth, 800u);
  EXPECT_EQ(old.ddpfPixelFormat.dwRGBBitCount, 32u);
  old.dwSize = sizeof(DDSURFACEDESC2);
  EXPECT_EQ(other->GetDisplayMode(&old), DDERR_INVALIDPARAMS);
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(other->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_TRUE(caps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
  caps.dwSize = 316;
  EXPECT_EQ(other->GetCaps(&caps, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(other->Release(), 0u);
  // Releasing the exclusive object gives the desktop back.
  EXPECT_EQ(dd_->Release(), 0u);
  dd_ = nullptr;
  EXPECT_EQ(TheDisplay().Screen().width, 1024u);
}

HRESULT WINAPI CollectModes(LPDDSURFACEDESC2 mode, LPVOID context) {
  auto* names = static_cast<std::vector<std::string>*>(context);
  names->push_back(std::to_string(mode->dwWidth) + "x" + std::to_string(mode->dwHeight) + "x" +
                   std::to_string(mode->ddpfPixelFormat.dwRGBBitCount) + "@" +
                   std::to_string(mode->dwRefreshRate));
  return names->size() < 100 ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

TEST_F(DdObjects, DisplayModesAreEnumeratedInTheProfilesOrder) {
  std::vector<std::string> modes;
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &modes, CollectModes), DD_OK);
  ASSERT_EQ(modes.size(), TestMachine().modes.size());
  EXPECT_EQ(modes.front(), "320x200x8@0");
  EXPECT_EQ(modes.back(), "1280x1024x32@0");
  EXPECT_NE(std::find(modes.begin(), modes.end(), "640x480x16@0"), modes.end());

  TestMachine().modes = {{800, 600, 16, 75}, {640, 480, 32, 60}, {640, 480, 16, 60}};
  modes.clear();
  ASSERT_EQ(dd_->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &modes, CollectModes), DD_OK);
  EXPECT_EQ(modes, (std::vector<std::string>{"800x600x16@75", "640x480x32@60", "640x480x16@60"}));
  DDSURFACEDESC2 filter{};
  filter.dwSize = sizeof filter;
  filter.dwFlags = DDSD_PIXELFORMAT;
  filter.ddpfPixelFormat.dwRGBBitCount = 16;
  modes.clear();
  ASSERT_EQ(dd_->EnumDisplayModes(0, &filter, &modes, CollectModes), DD_OK);
  EXPECT_EQ(modes, (std::vector<std::string>{"800x600x16@0", "640x480x16@0"}));
  // The callback stops it.
  modes.assign(99, "");
  ASSERT_EQ(dd_->EnumDisplayModes(0, nullptr, &modes, CollectModes), DD_OK);
  EXPECT_EQ(modes.size(), 100u);
  EXPECT_EQ(dd_->EnumDisplayModes(0, nullptr, &modes, nullptr), DDERR_INVALIDPARAMS);
}

struct Listed {
  std::vector<std::string> names;
  std::vector<bool> hasGuid, hasMonitor;
  size_t stopAfter = 100;
};

BOOL WINAPI ListDriverEx(GUID* guid, LPSTR description, LPSTR name, LPVOID context,
                         HMONITOR monitor) {
  auto* listed = static_cast<Listed*>(context);
  listed->names.push_back(std::string(description) + "/" + name);
  listed->hasGuid.push_back(guid != nullptr);
  listed->hasMonitor.push_back(monitor != nullptr);
  return listed->names.size() < listed->stopAfter;
}

BOOL WINAPI ListDriver(GUID* guid, LPSTR description, LPSTR name, LPVOID context) {
  return ListDriverEx(guid, description, name, context, nullptr);
}

TEST_F(DdObjects, DriversAreEnumeratedThroughTheLibrarysExports) {
  HMODULE library = GetModuleHandleA("ddraw.dll");
  ASSERT_NE(library, nullptr);
  auto enumerateEx =
      reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(
          reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawEnumerateExA")));
  auto enumerate =
      reinterpret_cast<decltype(&DirectDrawEnumerateA)>(
          reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawEnumerateA")));
  ASSERT_NE(enumerateEx, nullptr);
  ASSERT_NE(enumerate, nullptr);
  EXPECT_EQ(GetProcAddress(library, "DirectDrawCreateEx"), nullptr);
  EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "DirectDrawCreate"), nullptr);

  const std::string primary = "Primary Display Driver/display";
  const struct {
    const char* profile;
    DWORD flags;
    std::vector<std::string> ex, older;
  } cases[] = {
      {"default", 7, {primary}, {primary}},
      {"secondary", 7, {primary, "3D Accelerator/accel"}, {primary, "3D Accelerator/accel"}},
      {"secondary", 0, {primary}, {primary, "3D Accelerator/accel"}},
      {"multimon", 7, {primary, "Second Monitor/display2"}, {primary}},
      {"multimon", DDENUM_NONDISPLAYDEVICES, {primary}, {primary}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(SelectNamedProfile(c.profile));
    Listed ex, older;
    ASSERT_EQ(enumerateEx(ListDriverEx, &ex, c.flags), DD_OK);
    ASSERT_EQ(enumerate(ListDriver, &older), DD_OK);
    EXPECT_EQ(ex.names, c.ex) << c.profile << " " << c.flags;
    EXPECT_EQ(older.names, c.older) << c.profile;
    // The primary driver comes without an identifier; only a second monitor has a monitor.
    for (size_t i = 0; i < ex.names.size(); ++i) {
      EXPECT_EQ(ex.hasGuid[i], i > 0);
      EXPECT_EQ(ex.hasMonitor[i], ex.names[i] == "Second Monitor/display2");
    }
  }
  // The callback stops the enumeration.
  ASSERT_TRUE(SelectNamedProfile("secondary"));
  Listed first;
  first.stopAfter = 1;
  ASSERT_EQ(enumerateEx(ListDriverEx, &first, 7), DD_OK);
  EXPECT_EQ(first.names.size(), 1u);
  EXPECT_EQ(enumerateEx(ListDriverEx, &first, 8), DDERR_INVALIDPARAMS);
  EXPECT_EQ(enumerate(nullptr, nullptr), DDERR_INVALIDPARAMS);

  // A secondary driver is created by its identifier; an unknown one is refused.
  GUID secondary = TestMachine().drivers[1].guid;
  IDirectDraw* d = nullptr;
  ASSERT_EQ(DirectDrawCreate(&secondary, &d, nullptr), DD_OK);
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(d->GetCaps(&caps, nullptr), DD_OK);
  EXPECT_FALSE(caps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
  d->Release();
  secondary.Data1 ^= 1;
  EXPECT_EQ(DirectDrawCreate(&secondary, &d, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
  GUID zero{};
  ASSERT_EQ(DirectDrawCreate(&zero, &d, nullptr), DD_OK);  // all zeros: the primary driver
  d->Release();
}

TEST_F(DdObjects, TheLibraryAndItsNewerExportCanBeMissing) {
  TestMachine().exportsEnumerateEx = false;
  HMODULE library = GetModuleHandleA("DDRAW.DLL");
  EXPECT_EQ(GetProcAddress(library, "DirectDrawEnumerateExA"), nullptr);
  EXPECT_NE(GetProcAddress(library, "DirectDrawEnumerateA"), nullptr);
  TestMachine().libraryLoaded = false;
  EXPECT_EQ(GetModuleHandleA("DDRAW.DLL"), nullptr);
  EXPECT_EQ(GetProcAddress(library, "DirectDrawCreate"), nullptr);
  IDirectDraw* d = nullptr;
  EXPECT_EQ(DirectDrawCreate(nullptr, &d, nullptr), DDERR_NODIRECTDRAWSUPPORT);
  EXPECT_EQ(d, nullptr);
}

TEST(DdProfiles, NamedProfilesAreSelectedByName) {
  const std::vector<std::string> names = NamedProfiles();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "default");
  for (const std::string& name : names) {
    ASSERT_TRUE(SelectNamedProfile(name.c_str())) << name;
    const MachineProfile& m = CurrentMachine();
    EXPECT_EQ(m.name, name);
    ASSERT_FALSE(m.drivers.empty());
    EXPECT_TRUE(m.drivers[0].primary);
    EXPECT_EQ(m.drivers[0].hardwareCaps.dwSize, 380u);
  }
  EXPECT_FALSE(SelectNamedProfile("no such machine"));
  EXPECT_FALSE(SelectNamedProfile(nullptr));
  EXPECT_EQ(CurrentMachine().name, names.back());  // unchanged

  ASSERT_TRUE(SelectNamedProfile("desktop8"));
  EXPECT_EQ(CurrentMachine().desktop.bitsPerPixel, 8u);
  ASSERT_TRUE(SelectNamedProfile("fullscreen-only"));
  EXPECT_FALSE(CurrentMachine().drivers[0].hardwareCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);

  TestResetMachine();
  const MachineProfile& m = CurrentMachine();
  EXPECT_EQ(m.name, "default");
  ASSERT_EQ(m.drivers.size(), 1u);
  EXPECT_EQ(m.drivers[0].description, "Primary Display Driver");
  EXPECT_EQ(m.drivers[0].name, "display");
  EXPECT_TRUE(m.drivers[0].hardwareCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
  EXPECT_EQ(m.desktop.width, 1024u);
  EXPECT_EQ(m.desktop.height, 768u);
  EXPECT_EQ(m.desktop.bitsPerPixel, 32u);
  EXPECT_TRUE(m.exportsEnumerateEx);
  auto offers = [&](DWORD w, DWORD h, DWORD b) {
    for (const ProfileMode& mode : m.modes)
      if (mode.width == w && mode.height == h && mode.bitsPerPixel == b) return true;
    return false;
  };
  for (DWORD bits : {8u, 16u, 32u}) {
    EXPECT_TRUE(offers(320, 200, bits));
    EXPECT_TRUE(offers(640, 480, bits));
    EXPECT_TRUE(offers(1280, 1024, bits));
  }
}

using DdFailures = DdTest;

TEST_F(DdFailures, VideoMemoryRunsOutAtTheNthSurface) {
  TestMachine().failures.surfaceOutOfVideoMemory = 2;
  DDSURFACEDESC2 video = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN, 16, 16);
  DDSURFACEDESC2 system = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 16, 16);
  IDirectDrawSurface4 *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
  ASSERT_EQ(dd_->CreateSurface(&video, &a, nullptr), DD_OK);
  ASSERT_EQ(dd_->CreateSurface(&system, &b, nullptr), DD_OK);  // does not count
  EXPECT_EQ(dd_->CreateSurface(&video, &c, nullptr), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(c, nullptr);
  ASSERT_EQ(dd_->CreateSurface(&video, &d, nullptr), DD_OK);  // once only
  for (IDirectDrawSurface4* s : {a, b, d}) s->Release();

  TestMachine().failures.surfaceOutOfVideoMemory = 1;
  DDSURFACEDESC2 primary = SurfaceDesc(DDSCAPS_PRIMARYSURFACE);
  EXPECT_EQ(dd_->CreateSurface(&primary, &a, nullptr), DDERR_OUTOFVIDEOMEMORY);
}

TEST_F(DdFailures, TexturesRunOutOfVideoMemoryButStagingSurfacesDoNot) {
  TestMachine().failures.textureOutOfVideoMemory = true;
  const DDPIXELFORMAT rgb = velta_test::PixelFormatOf(velta_test::kColorFormats[2]);
  DDSURFACEDESC2 managed = SurfaceDesc(DDSCAPS_TEXTURE, 64, 64, &rgb);
  managed.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
  DDSURFACEDESC2 staging = SurfaceDesc(DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY, 64, 64, &rgb);
  IDirectDrawSurface4* s = nullptr;
  EXPECT_EQ(dd_->CreateSurface(&managed, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
  ASSERT_EQ(dd_->CreateSurface(&staging, &s, nullptr), DD_OK);
  s->Release();
  IDirectDrawSurface4* plain = MakeFormat(2, 64, 64);
  plain->Release();
}

TEST_F(DdFailures, AnotherProgramInFullScreenRefusesExclusiveMode) {
  TestMachine().failures.otherAppFullScreen = true;
  EXPECT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
            DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(dd_->TestCooperativeLevel(), DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  TestMachine().failures.otherAppFullScreen = false;
  EXPECT_EQ(dd_->TestCooperativeLevel(), DD_OK);
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  TestMachine().failures.otherAppFullScreen = true;  // it took the screen from us
  EXPECT_EQ(dd_->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
}

TEST_F(DdFailures, SurfacesAreLostAtTheNthPresentation) {
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  IDirectDrawSurface4* back = MakeFormat(6, 64, 64);
  IDirectDrawSurface4* system = MakeFormat(6, 64, 64, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  TestMachine().failures.loseSurfacesAtPresent = 2;
  RECT place{0, 0, 64, 64};
  const uint64_t frames = TheDisplay().PresentedFrames();
  EXPECT_EQ(primary->Blt(&place, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(primary->Blt(&place, back, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(TheDisplay().PresentedFrames(), frames + 1);
  EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(system->IsLost(), DD_OK);
  EXPECT_EQ(primary->Blt(&place, back, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(primary->Restore(), DD_OK);
  EXPECT_EQ(back->Restore(), DD_OK);
  EXPECT_EQ(primary->Blt(&place, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  for (IDirectDrawSurface4* s : {primary, back, system}) s->Release();
}

TEST_F(DdFailures, LocksReportStillDrawingUntilTheCountRunsOut) {
  IDirectDrawSurface4* s = MakeFormat(2, 8, 8);
  TestMachine().failures.lockStillDrawing = 3;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  int tries = 1;
  HRESULT hr;
  while ((hr = s->Lock(nullptr, &d, 0, nullptr)) == DDERR_WASSTILLDRAWING) ++tries;
  EXPECT_EQ(hr, DD_OK);
  EXPECT_EQ(tries, 4);
  s->Unlock(nullptr);
  TestMachine().failures.lockStillDrawing = 3;
  EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);  // waiting hides it
  s->Unlock(nullptr);
  s->Release();
}

}  // namespace
