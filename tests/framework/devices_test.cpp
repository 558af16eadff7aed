// Device enumeration: the lists built from each machine, the mode filter and default mode, the
// current-device rules, the four selection passes, selection by kind and the failure codes.
#include <vector>

#include "framework_support.h"

using velta_test::FrameworkTest;
using velta_test::PrimaryDevice;

namespace {

using Enumeration = FrameworkTest;

std::string DeviceNames(const DriverInfo* driver) {
  std::string names;
  for (const DeviceInfo* d = driver ? driver->devices : nullptr; d; d = d->next)
    names += (names.empty() ? "" : ",") + std::string(d->name);
  return names;
}

std::string ModeNames(const DeviceInfo* device) {
  std::string names;
  for (const ModeInfo* m = device ? device->modes : nullptr; m; m = m->next)
    names += (names.empty() ? "" : ",") + std::string(m->name);
  return names;
}

const DeviceInfo* Named(const DriverInfo* driver, const char* name) {
  for (const DeviceInfo* d = driver ? driver->devices : nullptr; d; d = d->next)
    if (std::strcmp(d->name, name) == 0) return d;
  return nullptr;
}

ProfileDevice SoftwareDevice(const char* name, D3DCOLORMODEL colorModel, BYTE id) {
  ProfileDevice d = PrimaryDevice(1);
  d.guid.Data4[7] = id;
  d.name = name;
  d.software.dcmColorModel = colorModel;
  return d;
}

ProfileDevice HardwareDevice(const char* name, BYTE id) {
  ProfileDevice d = PrimaryDevice(0);
  d.guid.Data4[7] = id;
  d.name = name;
  return d;
}

// A driver with an identifier of its own, listed before or after the primary one.
ProfileDriver SecondDriver(bool windowed, std::vector<ProfileDevice> devices) {
  ProfileDriver d = TestMachine().drivers[0];
  d.primary = false;
  d.guid = {0x0BADCAFE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  d.description = "Second";
  if (!windowed) d.hardwareCaps.dwCaps2 &= ~DWORD(DDCAPS2_CANRENDERWINDOWED);
  d.devices = std::move(devices);
  return d;
}

int Confirmed = 0;
HRESULT CountAndAccept(DDCAPS* caps, D3DDEVICEDESC* desc) {
  EXPECT_EQ(caps->dwSize, sizeof(DDCAPS));
  EXPECT_EQ(desc->dwSize, sizeof(D3DDEVICEDESC));
  ++Confirmed;
  return S_OK;
}
HRESULT RejectAll(DDCAPS*, D3DDEVICEDESC*) {
  return E_FAIL;
}

TEST_F(Enumeration, DefaultMachineStartsWindowedOnTheHardwareDevice) {
  GUID *driverGuid = nullptr, *deviceGuid = nullptr;
  EXPECT_EQ(GetSelectedDeviceGuids(&driverGuid, &deviceGuid), EnumErrFailed);
  EXPECT_EQ(GetSelectedDriverAndDevice(nullptr, nullptr), EnumErrFailed);
  Confirmed = 0;
  ASSERT_EQ(EnumerateDevices(CountAndAccept), S_OK);
  EXPECT_EQ(Confirmed, 3) << "the null device never reaches the callback";
  const DriverInfo* driver = GetDriverList();
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->next, nullptr);
  EXPECT_EQ(driver->guidRef, nullptr);
  EXPECT_STREQ(driver->description, "Primary Display Driver");
  EXPECT_STREQ(driver->name, "display");
  EXPECT_EQ(DeviceNames(driver), "Direct3D HAL,RGB Emulation,Reference Rasterizer");
  const DeviceInfo* hal = driver->devices;
  EXPECT_EQ(driver->currentDevice, hal);
  EXPECT_EQ(hal->guidRef, &hal->guid);
  EXPECT_TRUE(hal->isHardware);
  EXPECT_FALSE(hal->next->isHardware);
  for (const DeviceInfo* d = hal; d; d = d->next) {
    EXPECT_TRUE(d->desktopCompatible) << d->name;
    EXPECT_TRUE(d->windowed) << d->name;
  }
  EXPECT_STREQ(hal->currentMode->name, "640 x 480 x 16");
  EXPECT_EQ(ModeNames(hal).substr(0, 30), "320 x 200 x 16,320 x 200 x 32,");
  int modes = 0;
  for (const ModeInfo* m = hal->modes; m; m = m->next, ++modes)
    EXPECT_NE(m->surfaceDesc.ddpfPixelFormat.dwRGBBitCount, 8u) << "8-bit modes are never listed";
  EXPECT_EQ(modes, 20);

  DDSURFACEDESC2* mode = nullptr;
  BOOL windowed = FALSE, hardware = FALSE;
  EXPECT_EQ(GetSelectedDeviceGuids(&driverGuid, nullptr), E_INVALIDARG);
  ASSERT_EQ(GetSelectedDeviceGuids(&driverGuid, &deviceGuid, &mode, &windowed, &hardware), S_OK);
  EXPECT_EQ(driverGuid, nullptr);
  EXPECT_EQ(deviceGuid, hal->guidRef);
  EXPECT_EQ(mode, &hal->currentMode->surfaceDesc);
  EXPECT_TRUE(windowed);
  EXPECT_TRUE(hardware);
  DriverInfo* selected = nullptr;
  DeviceInfo* device = nullptr;
  ASSERT_EQ(GetSelectedDriverAndDevice(&selected, &device), S_OK);
  EXPECT_EQ(selected, driver);
  EXPECT_EQ(device, hal);
}

TEST_F(Enumeration, ModesFollowTheRenderDepthsAndDefaultTo640By480By16) {
  const std::vector<ProfileMode> offered = {{640, 480, 8, 60},  {800, 600, 32, 60},
                                            {640, 480, 24, 60}, {1024, 768, 16, 60},
                                            {640, 480, 16, 60}, {320, 200, 32, 60}};
  const struct {
    DWORD depths;
    const char* kept;
    const char* current;
  } cases[] = {
      {DDBD_16 | DDBD_32, "800 x 600 x 32,1024 x 768 x 16,640 x 480 x 16,320 x 200 x 32",
       "640 x 480 x 16"},
      {DDBD_24 | DDBD_32, "800 x 600 x 32,640 x 480 x 24,320 x 200 x 32", "800 x 600 x 32"},
      {DDBD_16, "1024 x 768 x 16,640 x 480 x 16", "640 x 480 x 16"},
      {DDBD_8, "", nullptr},  // no mode left: the device is dropped
  };
  for (const auto& c : cases) {
    TestResetMachine();
    FreeDeviceLists();
    TestMachine().modes = offered;
    PrimaryDevice(0).hardware.dwDeviceRenderBitDepth = c.depths;
    ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
    const DeviceInfo* hal = Named(GetDriverList(), "Direct3D HAL");
    EXPECT_EQ(ModeNames(hal), c.kept) << c.depths;
    if (c.current) {
      ASSERT_NE(hal, nullptr);
      EXPECT_STREQ(hal->currentMode->name, c.current);
    } else {
      EXPECT_EQ(hal, nullptr);
    }
  }
}

TEST_F(Enumeration, AnEightBitDesktopLeavesOnlyFullScreenChoices) {
  TestMachine().desktop.bitsPerPixel = 8;
  TestResetDisplay();
  ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
  for (const DeviceInfo* d = GetDriverList()->devices; d; d = d->next) {
    EXPECT_FALSE(d->desktopCompatible) << d->name;
    EXPECT_FALSE(d->windowed) << d->name;
  }
  DeviceInfo* device = nullptr;
  ASSERT_EQ(GetSelectedDriverAndDevice(nullptr, &device), S_OK);
  EXPECT_STREQ(device->name, "Direct3D HAL");
}

TEST_F(Enumeration, SecondaryDriversListOnlyHardwareDevicesAndNeverRunWindowed) {
  const struct {
    const char* profile;
    bool olderCall;
    bool listed;
    bool monitor;
  } cases[] = {
      {"secondary", false, true, false},
      {"multimon", false, true, true},
      {"secondary", true, true, false},
      {"multimon", true, false, false},  // the older call lists no second monitor
  };
  for (const auto& c : cases) {
    FreeDeviceLists();
    ASSERT_TRUE(SelectNamedProfile(c.profile));
    TestMachine().exportsEnumerateEx = !c.olderCall;
    ProfileDriver& second = TestMachine().drivers[1];
    second.devices.push_back(HardwareDevice("Second HAL", 0x77));
    second.name = std::string(60, 'n');
    ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
    DriverInfo* primary = GetDriverList();
    EXPECT_EQ(SelectedDriver(), primary);
    DriverInfo* driver = primary->next;
    ASSERT_EQ(driver != nullptr, c.listed) << c.profile;
    if (!driver) continue;
    EXPECT_EQ(driver->guidRef, &driver->guid);
    EXPECT_TRUE(driver->guid == second.guid);
    EXPECT_EQ(driver->monitor != nullptr, c.monitor) << c.profile;
    EXPECT_EQ(std::string(driver->name), std::string(39, 'n'));
    EXPECT_EQ(DeviceNames(driver), "Direct3D HAL,Second HAL");
    EXPECT_STREQ(driver->currentDevice->name, "Second HAL") << "the later hardware device wins";
    for (const DeviceInfo* d = driver->devices; d; d = d->next) {
      EXPECT_FALSE(d->windowed);
      // The refresh at selection time looks at the modes only, not at the driver's caps.
      EXPECT_TRUE(d->desktopCompatible);
    }
  }
}

TEST_F(Enumeration, CurrentDeviceOfADriverTheSelectionPassesLeaveAlone) {
  const struct {
    std::vector<ProfileDevice> devices;
    const char* current;
  } cases[] = {
      {{SoftwareDevice("Ramp", D3DCOLOR_MONO, 1), SoftwareDevice("RGB", D3DCOLOR_RGB, 2),
        SoftwareDevice("RGB too", D3DCOLOR_RGB, 3)},
       "RGB"},
      {{SoftwareDevice("Ramp", D3DCOLOR_MONO, 1)}, nullptr},
      {{HardwareDevice("HAL", 1), SoftwareDevice("RGB", D3DCOLOR_RGB, 2)}, "HAL"},
      {{SoftwareDevice("RGB", D3DCOLOR_RGB, 2), HardwareDevice("HAL", 1),
        HardwareDevice("HAL 2", 3)},
       "HAL 2"},
  };
  for (const auto& c : cases) {
    FreeDeviceLists();
    TestResetMachine();
    MachineProfile& m = TestMachine();
    // A windowed-capable driver listed first takes the selection.
    m.drivers.insert(m.drivers.begin(), SecondDriver(true, {HardwareDevice("First", 9)}));
    m.drivers[1].devices = c.devices;
    ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
    ASSERT_NE(GetDriverList(), nullptr);
    EXPECT_EQ(SelectedDriver(), GetDriverList());
    const DriverInfo* primary = GetDriverList()->next;
    ASSERT_NE(primary, nullptr);
    const DeviceInfo* current = primary->currentDevice;
    if (c.current) {
      ASSERT_NE(current, nullptr);
      EXPECT_STREQ(current->name, c.current);
    } else {
      EXPECT_EQ(current, nullptr);
    }
  }
}

TEST_F(Enumeration, SelectionPassesAndSelectionByKind) {
  const struct {
    const char* profile;
    DWORD flags;
    HRESULT result;
    int driver;
    const char* device;
    BOOL windowed;
  } cases[] = {
      {"default", SelectNoHardware, S_OK, 0, "RGB Emulation", TRUE},
      {"default", SelectNoWindowed, S_OK, 0, "Direct3D HAL", FALSE},
      {"default", SelectNoHardware | SelectNoWindowed, S_OK, 0, "RGB Emulation", FALSE},
      {"fullscreen-only", 0, S_OK, 0, "Direct3D HAL", FALSE},
      {"fullscreen-only", SelectNoHardware, S_OK, 0, "RGB Emulation", FALSE},
      // By kind: the device is chosen, its windowed flag stays as enumeration left it.
      {"default", SelectReferenceDevice, S_OK, 0, "Reference Rasterizer", TRUE},
      {"default", SelectRgbDevice | SelectReferenceDevice, S_OK, 0, "RGB Emulation", TRUE},
      {"fullscreen-only", SelectRgbDevice, S_OK, 0, "RGB Emulation", FALSE},
      {"secondary", SelectFirstDriverDevice, S_OK, 0, "Direct3D HAL", TRUE},
      {"secondary", SelectLaterDriverDevice, S_OK, 1, "Direct3D HAL", FALSE},
      {"default", SelectLaterDriverDevice, EnumErrNotFound, 0, "Direct3D HAL", TRUE},
      {"no-reference", SelectReferenceDevice, EnumErrNotFound, 0, "Direct3D HAL", TRUE},
  };
  for (const auto& c : cases) {
    FreeDeviceLists();
    bool noReference = std::strcmp(c.profile, "no-reference") == 0;
    ASSERT_TRUE(SelectNamedProfile(noReference ? "default" : c.profile));
    if (noReference)
      TestMachine().drivers[0].devices.erase(TestMachine().drivers[0].devices.begin() + 2);
    ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
    EXPECT_EQ(SelectDefaultDevice(c.flags), c.result) << c.profile << " " << c.flags;
    DriverInfo* driver = nullptr;
    DeviceInfo* device = nullptr;
    ASSERT_EQ(GetSelectedDriverAndDevice(&driver, &device), S_OK);
    DriverInfo* expected = GetDriverList();
    for (int i = 0; i < c.driver; ++i) expected = expected->next;
    EXPECT_EQ(driver, expected) << c.profile << " " << c.flags;
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->name, c.device) << c.profile << " " << c.flags;
    EXPECT_EQ(device->windowed, c.windowed) << c.profile << " " << c.flags;
  }
}

TEST_F(Enumeration, WhyNothingCouldBeSelected) {
  auto noModes = [](MachineProfile& m) {
    for (ProfileDevice& d : m.drivers[0].devices)
      d.hardware.dwDeviceRenderBitDepth = d.software.dwDeviceRenderBitDepth = 0;
  };
  const struct {
    const char* what;
    void (*change)(MachineProfile&);
    ConfirmDeviceCallback confirm;
    HRESULT result;
  } cases[] = {
      {"no library", [](MachineProfile& m) { m.libraryLoaded = false; }, nullptr, EnumErrNoLibrary},
      {"no devices", [](MachineProfile& m) { m.drivers[0].devices.clear(); }, nullptr,
       EnumErrFailed},
      {"null device only",
       [](MachineProfile& m) {
         m.drivers[0].devices.erase(m.drivers[0].devices.begin(), m.drivers[0].devices.begin() + 3);
       },
       nullptr, EnumErrFailed},
      {"no modes, reference among them", noModes, nullptr, EnumErrNoCompatible},
      {"no modes, no reference",
       [](MachineProfile& m) {
         m.drivers[0].devices.erase(m.drivers[0].devices.begin() + 2);
         for (ProfileDevice& d : m.drivers[0].devices)
           d.hardware.dwDeviceRenderBitDepth = d.software.dwDeviceRenderBitDepth = 0;
       },
       nullptr, EnumErrTryReference},
      {"every device rejected", [](MachineProfile&) {}, RejectAll, EnumErrTryReference},
  };
  for (const auto& c : cases) {
    FreeDeviceLists();
    TestResetMachine();
    c.change(TestMachine());
    std::string trace =
        velta_test::Traced([&] { EXPECT_EQ(EnumerateDevices(c.confirm), c.result) << c.what; });
    EXPECT_EQ(GetDriverList(), nullptr) << c.what;
    EXPECT_EQ(GetSelectedDriverAndDevice(nullptr, nullptr), EnumErrFailed) << c.what;
    EXPECT_EQ(velta_test::Contains(trace, "Can't load DDRAW.DLL!"), c.result == EnumErrNoLibrary);
  }
}

TEST_F(Enumeration, DesktopCompatibilityFollowsTheDesktopAndLeavesWindowedAlone) {
  ASSERT_EQ(EnumerateDevices(nullptr), S_OK);
  TestMachine().desktop.bitsPerPixel = 24;  // no device renders 24-bit modes here
  TestResetDisplay();
  UpdateDesktopCompatibility();
  for (const DeviceInfo* d = GetDriverList()->devices; d; d = d->next) {
    EXPECT_FALSE(d->desktopCompatible) << d->name;
    EXPECT_TRUE(d->windowed) << d->name;
  }
  ASSERT_EQ(SelectDefaultDevice(0), S_OK);
  DeviceInfo* device = nullptr;
  ASSERT_EQ(GetSelectedDriverAndDevice(nullptr, &device), S_OK);
  EXPECT_STREQ(device->name, "Direct3D HAL");
  EXPECT_FALSE(device->windowed);
}

}  // namespace
