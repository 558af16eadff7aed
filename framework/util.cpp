#include "framework/util.h"

#include <cstring>

HRESULT DebugTrace(const char* sourceFile, LONG line, HRESULT code, const char* message) {
  char buffer[256];
  // The name is bounded so the prefix always fits the buffer.
  wsprintfA(buffer, "%.200s(%ld): ", sourceFile ? sourceFile : "", line);
  OutputDebugStringA(buffer);
  OutputDebugStringA(message ? message : "");
  if (code != 0) {
    wsprintfA(buffer, "(hr=%08lx)\n", code);
    OutputDebugStringA(buffer);
  }
  OutputDebugStringA("\n");
  return code;
}

DDSURFACEDESC2& InitSurfaceDesc(DDSURFACEDESC2& desc, DWORD flags, DWORD caps) {
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = flags;
  desc.ddsCaps.dwCaps = caps;
  desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  return desc;
}

D3DVIEWPORT2& InitViewportData(D3DVIEWPORT2& data, DWORD width, DWORD height) {
  std::memset(&data, 0, sizeof data);
  data.dwSize = sizeof data;
  data.dwWidth = width;
  data.dwHeight = height;
  data.dvClipX = -1.0f;
  data.dvClipY = 1.0f;
  data.dvClipWidth = 2.0f;
  data.dvClipHeight = 2.0f;
  data.dvMinZ = 0.0f;
  data.dvMaxZ = 1.0f;
  return data;
}

void InitDeviceDesc(D3DDEVICEDESC& desc) {
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dtcTransformCaps.dwSize = sizeof(D3DTRANSFORMCAPS);
  desc.dlcLightingCaps.dwSize = sizeof(D3DLIGHTINGCAPS);
  desc.dpcLineCaps.dwSize = sizeof(D3DPRIMCAPS);
  desc.dpcTriCaps.dwSize = sizeof(D3DPRIMCAPS);
}

void InitMaterial(D3DMATERIAL& material, float red, float green, float blue) {
  std::memset(&material, 0, sizeof material);
  material.dwSize = sizeof material;
  material.diffuse = material.ambient = {red, green, blue, 0.0f};
  material.dwRampSize = 16;
}

void InitLight(D3DLIGHT& light, D3DLIGHTTYPE type, float x, float y, float z) {
  std::memset(&light, 0, sizeof light);
  light.dwSize = sizeof light;
  light.dltType = type;
  light.dcvColor = {1.0f, 1.0f, 1.0f, 0.0f};
  light.dvPosition = light.dvDirection = {x, y, z};
}

IDirectDraw4* GetDirectDrawFromDevice(IDirect3DDevice3* device) {
  if (!device) return nullptr;
  IDirectDrawSurface4* target = nullptr;
  if (FAILED(device->GetRenderTarget(&target)) || !target) return nullptr;
  IUnknown* owner = nullptr;
  HRESULT hr = target->GetDDInterface(reinterpret_cast<LPVOID*>(&owner));
  target->Release();
  return SUCCEEDED(hr) ? static_cast<IDirectDraw4*>(owner) : nullptr;
}

DWORD GetDeviceMemoryType(IDirect3DDevice3* device) {
  D3DDEVICEDESC hardware, software;
  InitDeviceDesc(hardware);
  InitDeviceDesc(software);
  if (!device || FAILED(device->GetCaps(&hardware, &software))) return 0;
  return hardware.dwFlags ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
}

DWORD GetDisplayBitDepth(IDirectDraw4* directDraw) {
  if (directDraw) {
    directDraw->AddRef();
  } else {
    IDirectDraw* first = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr))) return 0;
    HRESULT hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&directDraw));
    first->Release();
    if (FAILED(hr)) return 0;
  }
  DDSURFACEDESC2 mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dwSize = sizeof mode;
  directDraw->GetDisplayMode(&mode);
  directDraw->Release();
  return mode.ddpfPixelFormat.dwRGBBitCount;
}
