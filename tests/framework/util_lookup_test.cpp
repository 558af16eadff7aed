// The record initialisers and the device and display lookups of the Direct3D utilities.
#include "framework/util.h"
#include "framework_support.h"

using velta_test::FrameworkTest;
using velta_test::Mode;

namespace {

// Each initialiser zeroes what was there before it sets the sizes and values.
TEST(UtilRecords, InitialisersZeroTheRecordAndSetTheSizes) {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0xAB, sizeof desc);
  InitSurfaceDesc(desc, DDSD_CAPS, DDSCAPS_TEXTURE);
  EXPECT_EQ(desc.dwSize, 124u);
  EXPECT_EQ(desc.ddsCaps.dwCaps, DWORD(DDSCAPS_TEXTURE));
  EXPECT_EQ(desc.ddsCaps.dwCaps2, 0u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwSize, 32u);

  D3DDEVICEDESC dev;
  std::memset(&dev, 0xAB, sizeof dev);
  InitDeviceDesc(dev);
  EXPECT_EQ(dev.dwSize, 252u);
  EXPECT_EQ(dev.dwFlags, 0u);
  EXPECT_EQ(dev.dtcTransformCaps.dwSize + dev.dlcLightingCaps.dwSize, 8u + 16u);
  EXPECT_EQ(dev.dpcLineCaps.dwSize + dev.dpcTriCaps.dwSize, 56u + 56u);

  D3DMATERIAL material;
  std::memset(&material, 0xAB, sizeof material);
  InitMaterial(material, 0.25f, 0.5f, 0.75f);
  EXPECT_EQ(material.dwSize, 80u);
  EXPECT_EQ(material.ambient.b, 0.75f);
  EXPECT_EQ(material.diffuse.a, 0.0f);
  EXPECT_EQ(material.specular.r, 0.0f);
  EXPECT_EQ(material.dwRampSize, 16u);

  D3DLIGHT light;
  std::memset(&light, 0xAB, sizeof light);
  InitLight(light, D3DLIGHT_DIRECTIONAL, 1.0f, -2.0f, 3.0f);
  EXPECT_EQ(light.dwSize, 76u);
  EXPECT_EQ(light.dcvColor.a, 0.0f);
  EXPECT_EQ(light.dvPosition.y, -2.0f);
  EXPECT_EQ(light.dvDirection.z, 3.0f);
  EXPECT_EQ(light.dvRange, 0.0f);
}

using UtilLookups = FrameworkTest;

TEST_F(UtilLookups, DeviceAndDisplayLookups) {
  EXPECT_EQ(GetDirectDrawFromDevice(nullptr), nullptr);
  EXPECT_EQ(GetDeviceMemoryType(nullptr), 0u);
  EXPECT_EQ(GetDisplayBitDepth(nullptr), 32u) << "the desktop of the default machine";
  const struct {
    const GUID* device;
    DWORD memory;
  } cases[] = {{&IID_IDirect3DHALDevice, DDSCAPS_VIDEOMEMORY},
               {&IID_IDirect3DRGBDevice, DDSCAPS_SYSTEMMEMORY}};
  for (const auto& c : cases) {
    ASSERT_EQ(BuildWith(*c.device, FwBackBuffer), S_OK);
    EXPECT_EQ(GetDeviceMemoryType(fw_.Device()), c.memory);
    const ULONG held = fw_.DirectDraw()->AddRef() - 1;
    fw_.DirectDraw()->Release();
    IDirectDraw4* dd = GetDirectDrawFromDevice(fw_.Device());
    ASSERT_EQ(dd, fw_.DirectDraw());
    EXPECT_EQ(dd->Release(), held) << "the lookup's own reference";
    EXPECT_EQ(fw_.ReleaseAll(), S_OK);
  }
  DDSURFACEDESC2 mode = Mode(640, 480, 16);
  ASSERT_EQ(BuildWith(IID_IDirect3DHALDevice, FwFullScreen | FwBackBuffer, &mode), S_OK);
  EXPECT_EQ(GetDisplayBitDepth(fw_.DirectDraw()), 16u);
  EXPECT_EQ(GetDisplayBitDepth(nullptr), 16u);
  EXPECT_EQ(fw_.ReleaseAll(), S_OK);
  TestMachine().libraryLoaded = false;
  EXPECT_EQ(GetDisplayBitDepth(nullptr), 0u);
}

}  // namespace
