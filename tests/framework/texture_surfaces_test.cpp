// Texture surfaces made for a built Framework's device: the size rules, the format rule, the
// palette and alpha passes, and the restore's failures.
#include <optional>
#include <vector>

#include "framework/textures.h"
#include "framework_support.h"
#include "platform/bmp_builder.h"
#include "test_support.h"

using velta_test::FrameworkTest;
using velta_test::PrimaryDevice;
using velta_test::ReadPixel;

namespace {

// Four pixels in a row: black, white, red, green.
const RGBQUAD kColours[] = {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 255, 0)};

std::string Bytes(const std::vector<uint8_t>& v) {
  return std::string(v.begin(), v.end());
}

class TextureSurfaces : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    cwd_.emplace(dir_.path());
    BmpSpec p8;
    p8.width = 4;
    p8.height = 1;
    p8.palette.assign(std::begin(kColours), std::end(kColours));
    p8.pixels = PackRows(4, 1, 8, false, [](int x, int) { return uint32_t(x); });
    dir_.Write("p8.bmp", Bytes(BuildBmp(p8)));
    BmpSpec rgb = p8;
    rgb.bitCount = 24;
    rgb.palette.clear();
    rgb.pixels = PackRows(4, 1, 24, false, [](int x, int) {
      const RGBQUAD& q = kColours[x];
      return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    });
    dir_.Write("rgb.bmp", Bytes(BuildBmp(rgb)));
    BmpSpec halves = rgb;  // red on the left, blue on the right
    halves.width = 100;
    halves.height = 60;
    halves.pixels =
        PackRows(100, 60, 24, false, [](int x, int) { return x < 50 ? 0xFF0000u : 0x0000FFu; });
    dir_.Write("halves.bmp", Bytes(BuildBmp(halves)));
  }
  void TearDown() override {
    DestroyAllTextures();
    cwd_.reset();
    FrameworkTest::TearDown();
  }
  // A fresh Framework on the HAL device as the profile now describes it, and one texture
  // entry restored for it.
  TextureEntry* Restore(const char* name, DWORD flags, HRESULT expected = S_OK,
                        BOOL alphaRequested = FALSE) {
    DestroyAllTextures();
    fw_.ReleaseAll();
    EXPECT_EQ(BuildHal(FwBackBuffer), S_OK);
    EXPECT_EQ(CreateTexture(name, 3, flags), S_OK);
    TextureEntry* entry = FindTextureEntry(name);
    entry->alphaRequested = alphaRequested;
    EXPECT_EQ(RestoreTexture(name, fw_.Device()), expected);
    return entry;
  }
  static DDSURFACEDESC2 Desc(IDirectDrawSurface4* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    s->GetSurfaceDesc(&d);
    return d;
  }

  velta_test::ScratchDir dir_;
  std::optional<velta_test::WorkingDir> cwd_;
};

TEST_F(TextureSurfaces, SizesFollowThePowerOfTwoAndSquareRulesAndThePictureIsStretched) {
  const struct {
    DWORD caps;
    DWORD width, height;
  } cases[] = {
      {0, 100, 60},
      {D3DPTEXTURECAPS_POW2, 128, 64},
      {D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 128, 128},
      {D3DPTEXTURECAPS_SQUAREONLY, 100, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caps);
    PrimaryDevice(0).hardware.dpcTriCaps.dwTextureCaps = c.caps;
    TextureEntry* e = Restore("halves.bmp", 0);
    ASSERT_NE(e->texture, nullptr);
    const DDSURFACEDESC2 d = Desc(e->surface);
    EXPECT_EQ(d.dwWidth, c.width);
    EXPECT_EQ(d.dwHeight, c.height);
    EXPECT_EQ(d.dwTextureStage, 3u);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_TEXTURE);
    EXPECT_EQ(d.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE, DWORD(DDSCAPS2_TEXTUREMANAGE));
    EXPECT_EQ(ReadPixel(e->surface, 0, 0), 0x7C00u);
    EXPECT_EQ(ReadPixel(e->surface, int(c.width) - 1, int(c.height) - 1), 0x001Fu);
    EXPECT_EQ(ReadPixel(e->surface, int(c.width) / 2 - 2, int(c.height) / 2), 0x7C00u);
    EXPECT_EQ(ReadPixel(e->surface, int(c.width) / 2 + 1, int(c.height) / 2), 0x001Fu);
  }
}

TEST_F(TextureSurfaces, FormatPaletteAndAlphaPasses) {
  constexpr DWORD Black = TransparentBlack, Bright = TransparentBright, Both = Black | Bright;
  constexpr DWORD AlphaPalette = D3DPTEXTURECAPS_ALPHAPALETTE;
  const struct {
    const char* bitmap;
    DWORD flags;
    DWORD caps;
    bool withP8;
    BOOL alphaRequested;
    DWORD bits, alphaMask;
    uint32_t texels[4];    // indices with a palette
    BYTE paletteFlags[4];  // black, white, red, green; only with a palette
  } cases[] = {
      {"p8.bmp", 0, 0, true, FALSE, 8, 0, {0, 1, 2, 3}, {0xFF, 0xFF, 0xFF, 0xFF}},
      {"p8.bmp", Black, AlphaPalette, true, FALSE, 8, 0, {0, 1, 2, 3}, {0, 0xFF, 0xFF, 0xFF}},
      {"p8.bmp", Bright, AlphaPalette, true, FALSE, 8, 0, {0, 1, 2, 3}, {0xFF, 0, 0xFF, 0xFF}},
      {"p8.bmp", Both, AlphaPalette, true, FALSE, 8, 0, {0, 1, 2, 3}, {0, 0xFF, 0xFF, 0xFF}},
      {"p8.bmp", 0, 0, false, FALSE, 16, 0, {0, 0x7FFF, 0x7C00, 0x03E0}, {}},
      {"p8.bmp", Black, 0, true, FALSE, 16, 0x8000, {0, 0xFFFF, 0xFC00, 0x83E0}, {}},
      {"p8.bmp", Bright, 0, true, FALSE, 16, 0x8000, {0x8000, 0x7FFF, 0xFC00, 0x83E0}, {}},
      {"p8.bmp", Both, 0, true, FALSE, 16, 0x8000, {0x8000, 0x7FFF, 0xFC00, 0x83E0}, {}},
      {"p8.bmp", Prefer32Bit, 0, false, FALSE, 16, 0, {0, 0x7FFF, 0x7C00, 0x03E0}, {}},
      {"rgb.bmp", Black, AlphaPalette, true, FALSE, 16, 0, {0, 0x7FFF, 0x7C00, 0x03E0}, {}},
      {"rgb.bmp", Black, 0, true, TRUE, 16, 0x8000, {0, 0xFFFF, 0xFC00, 0x83E0}, {}},
      {"rgb.bmp", Prefer32Bit, 0, true, FALSE, 32, 0, {0, 0xFFFFFF, 0xFF0000, 0x00FF00}, {}},
      {"rgb.bmp",
       Prefer32Bit | Black,
       0,
       true,
       TRUE,
       32,
       0xFF000000,
       {0, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00},
       {}},
  };
  // Formats every search passes over, offered first.
  std::vector<DDPIXELFORMAT> skipped(3, DDPIXELFORMAT{});
  for (DDPIXELFORMAT& f : skipped) f.dwSize = sizeof f;
  skipped[0].dwFlags = DDPF_BUMPDUDV | DDPF_PALETTEINDEXED8;
  skipped[0].dwRGBBitCount = 8;
  skipped[1].dwFlags = DDPF_LUMINANCE;
  skipped[1].dwRGBBitCount = 16;
  skipped[2].dwFlags = DDPF_FOURCC | DDPF_RGB;
  skipped[2].dwFourCC = 0x31545844;
  skipped[2].dwRGBBitCount = 16;
  const std::vector<DDPIXELFORMAT> standard = PrimaryDevice(0).textureFormats;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.bitmap) + " flags " + std::to_string(c.flags) + " caps " +
                 std::to_string(c.caps));
    ProfileDevice& hal = PrimaryDevice(0);
    hal.hardware.dpcTriCaps.dwTextureCaps = c.caps;
    hal.textureFormats = skipped;
    hal.textureFormats.insert(hal.textureFormats.end(), standard.begin(),
                              standard.end() - (c.withP8 ? 0 : 1));
    TestMachine().failures.lockStillDrawing = 2;  // the alpha pass waits it out
    TextureEntry* e = Restore(c.bitmap, c.flags, S_OK, c.alphaRequested);
    ASSERT_NE(e->texture, nullptr);
    const DDPIXELFORMAT f = Desc(e->surface).ddpfPixelFormat;
    EXPECT_EQ(f.dwRGBBitCount, c.bits);
    EXPECT_EQ(f.dwRGBAlphaBitMask, c.alphaMask);
    EXPECT_EQ(f.dwFourCC, 0u);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(ReadPixel(e->surface, x, 0), c.texels[x]) << x;
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(e->surface->GetPalette(&palette) == DD_OK, c.bits == 8);
    if (!palette) continue;
    DWORD caps = 0;
    palette->GetCaps(&caps);
    EXPECT_EQ(caps & (DDPCAPS_8BIT | DDPCAPS_ALPHA),
              DDPCAPS_8BIT | ((c.flags & Both) ? DDPCAPS_ALPHA : 0));
    PALETTEENTRY entries[256];
    ASSERT_EQ(palette->GetEntries(0, 0, 256, entries), DD_OK);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(entries[i].peFlags, c.paletteFlags[i]) << i;
      EXPECT_EQ(entries[i].peRed, kColours[i].rgbRed) << i;
    }
    palette->Release();
  }
}

// A texture surface is made only as large as the devices draw, and the device says how large
// that is: a bitmap one texel wider is refused, so no texture is left to draw blank.
TEST_F(TextureSurfaces, TexturesPastTheDevicesLargestSideAreRefused) {
  ASSERT_EQ(BuildHal(FwBackBuffer), S_OK);
  D3DDEVICEDESC hardware{}, software{};
  hardware.dwSize = software.dwSize = sizeof(D3DDEVICEDESC);
  ASSERT_EQ(fw_.Device()->GetCaps(&hardware, &software), S_OK);
  const DWORD largest = hardware.dwMaxTextureWidth;
  ASSERT_EQ(hardware.dwMaxTextureHeight, largest);
  const struct {
    const char* name;
    DWORD caps;
    int width, height;
    HRESULT expected;
  } cases[] = {
      {"edge.bmp", 0, int(largest), 2, S_OK},
      {"wide.bmp", 0, int(largest) + 1, 2, E_FAIL},
      {"high.bmp", 0, 2, int(largest) + 1, E_FAIL},
      {"round.bmp", D3DPTEXTURECAPS_POW2, int(largest) / 2 + 1, 2, S_OK},
      {"rounded.bmp", D3DPTEXTURECAPS_POW2, int(largest) + 1, 2, E_FAIL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec bmp;
    bmp.width = c.width;
    bmp.height = c.height;
    bmp.bitCount = 24;
    bmp.pixels = PackRows(c.width, c.height, 24, false, [](int, int) { return 0xFF0000u; });
    dir_.Write(c.name, Bytes(BuildBmp(bmp)));
    PrimaryDevice(0).hardware.dpcTriCaps.dwTextureCaps = c.caps;
    TextureEntry* e = Restore(c.name, 0, c.expected);
    EXPECT_EQ(e->texture != nullptr, c.expected == S_OK);
    if (e->surface) {
      EXPECT_LE(Desc(e->surface).dwWidth, largest);
    }
  }
}

TEST_F(TextureSurfaces, RestoreFailuresAndArguments) {
  ASSERT_EQ(BuildHal(FwBackBuffer), S_OK);
  ASSERT_EQ(CreateTexture("rgb.bmp", 0, 0), S_OK);
  ASSERT_EQ(CreateTexture("p8.bmp", 0, 0), S_OK);
  EXPECT_EQ(RestoreTexture("nothere.bmp", nullptr), E_INVALIDARG);
  EXPECT_EQ(RestoreTexture("nothere.bmp", fw_.Device()), DDERR_NOTFOUND);
  EXPECT_EQ(RestoreAllTextures(fw_.Device()), S_OK);
  for (TextureEntry* e = TextureTable; e; e = e->next) EXPECT_NE(e->texture, nullptr) << e->name;
  // Restoring again replaces the objects.
  IDirect3DTexture2* before = FindTextureEntry("p8.bmp")->texture;
  before->AddRef();
  EXPECT_EQ(RestoreTexture("P8.BMP", fw_.Device()), S_OK);
  EXPECT_EQ(before->Release(), 0u);
  InvalidateAllTextures();

  TestMachine().failures.textureOutOfVideoMemory = true;
  EXPECT_EQ(Restore("rgb.bmp", 0, E_FAIL)->surface, nullptr);
  TestMachine().failures.textureOutOfVideoMemory = false;
  PrimaryDevice(0).textureFormats.clear();
  EXPECT_EQ(Restore("p8.bmp", 0, E_FAIL)->texture, nullptr);
  EXPECT_EQ(Restore("rgb.bmp", 0, E_FAIL)->texture, nullptr);
  EXPECT_EQ(RestoreAllTextures(fw_.Device()), S_OK);
}

}  // namespace
