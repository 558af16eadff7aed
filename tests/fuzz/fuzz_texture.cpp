// Bytes in as a bitmap file (its last byte also picks the texture load flags), made into
// texture surfaces of a device that takes any size and of one that needs square powers of two.
#include <d3d.h>

#include <cstddef>
#include <cstdint>

#include "framework/textures.h"
#include "fuzz_support.h"
#include "machine/profile.h"

namespace {

// A device drawing into a small off-screen surface of its own DirectDraw object.
IDirect3DDevice3* MakeDevice() {
  IDirectDraw* first = nullptr;
  IDirectDraw4* dd = nullptr;
  IDirect3D3* d3d = nullptr;
  IDirectDrawSurface4* target = nullptr;
  IDirect3DDevice3* device = nullptr;
  if (FAILED(DirectDrawCreate(nullptr, &first, nullptr))) return nullptr;
  first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd));
  first->Release();
  if (!dd) return nullptr;
  dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  desc.dwWidth = desc.dwHeight = 64;
  dd->CreateSurface(&desc, &target, nullptr);
  dd->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d));
  if (d3d && target) d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device, nullptr);
  // The device keeps what it needs; the DirectDraw object lives on for the whole run.
  if (target) target->Release();
  if (d3d) d3d->Release();
  return device;
}

struct Devices {
  IDirect3DDevice3* any = nullptr;
  IDirect3DDevice3* squarePow2 = nullptr;
  Devices() {
    velta_fuzz::Scratch();
    any = MakeDevice();
    SelectNamedProfile("pow2-square");
    squarePow2 = MakeDevice();
    SelectNamedProfile("default");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Devices devices;
  if (size < 1) return 0;
  velta_fuzz::WriteFile("in.bmp", data, size);
  if (SUCCEEDED(CreateTexture("in.bmp", 0, data[size - 1] & 7))) {
    if (devices.any) RestoreTexture("in.bmp", devices.any);
    if (devices.squarePow2) RestoreTexture("in.bmp", devices.squarePow2);
    DestroyTexture("in.bmp");
  }
  return 0;
}
