// The devices a driver of the standard machine offers, with the descriptions, depth formats and
// texture formats (in the order offered) of the DirectX 6 devices they stand for.
#include <cstring>

#include "d3d/d3d_internal.h"

namespace {

D3DDEVICEDESC EmptyDesc() {
  D3DDEVICEDESC d;
  std::memset(&d, 0, sizeof d);
  d.dwSize = sizeof d;
  d.dtcTransformCaps.dwSize = sizeof(D3DTRANSFORMCAPS);
  d.dlcLightingCaps.dwSize = sizeof(D3DLIGHTINGCAPS);
  d.dpcLineCaps.dwSize = sizeof(D3DPRIMCAPS);
  d.dpcTriCaps.dwSize = sizeof(D3DPRIMCAPS);
  return d;
}

// What every device here can do: it is the same rasterizer behind each of them.
D3DDEVICEDESC FullDesc(bool hardware) {
  D3DDEVICEDESC d = EmptyDesc();
  d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
              D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
              D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
  d.dcmColorModel = D3DCOLOR_RGB;
  d.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_EXECUTESYSTEMMEMORY |
                D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_DRAWPRIMITIVES2;
  if (hardware)
    d.dwDevCaps |= D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_CANRENDERAFTERFLIP |
                   D3DDEVCAPS_HWRASTERIZATION;
  d.bClipping = TRUE;
  D3DPRIMCAPS& tri = d.dpcTriCaps;
  tri.dwMiscCaps = 0x70;  // cull none, clockwise, counter-clockwise
  tri.dwRasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL;
  tri.dwZCmpCaps = 0xFF;
  tri.dwShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB;
  tri.dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA;
  tri.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR;
  tri.dwTextureBlendCaps = D3DPTBLENDCAPS_MODULATE;
  tri.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP;
  d.dpcLineCaps = tri;
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
  d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_32;
  d.dwMaxVertexCount = 65535;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = static_cast<DWORD>(kRasterMaxTextureSide);
  d.dwMaxTextureRepeat = 2048;
  d.dwMaxTextureAspectRatio = 2048;
  d.wMaxTextureBlendStages = 1;
  d.wMaxSimultaneousTextures = 1;
  return d;
}

DDPIXELFORMAT DepthFormat(DWORD bits, DWORD zMask, DWORD stencilMask) {
  DDPIXELFORMAT f;
  std::memset(&f, 0, sizeof f);
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_ZBUFFER | (stencilMask ? DDPF_STENCILBUFFER : 0);
  f.dwZBufferBitDepth = bits;
  f.dwStencilBitDepth = stencilMask ? 8 : 0;
  f.dwZBitMask = zMask;
  f.dwStencilBitMask = stencilMask;
  return f;
}

DDPIXELFORMAT RgbFormat(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
  DDPIXELFORMAT f;
  std::memset(&f, 0, sizeof f);
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return f;
}

DDPIXELFORMAT PalettedFormat() {
  DDPIXELFORMAT f;
  std::memset(&f, 0, sizeof f);
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
  f.dwRGBBitCount = 8;
  return f;
}

ProfileDevice MakeDevice(const GUID& guid, const char* description, const char* name,
                         bool hardware) {
  ProfileDevice d;
  d.guid = guid;
  d.description = description;
  d.name = name;
  d.hardware = hardware ? FullDesc(true) : EmptyDesc();
  d.software = hardware ? EmptyDesc() : FullDesc(false);
  d.depthFormats = {DepthFormat(16, 0xFFFF, 0), DepthFormat(32, 0x00FFFFFF, 0),
                    DepthFormat(32, 0x00FFFFFF, 0xFF000000)};
  d.textureFormats = {RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0),
                      RgbFormat(16, 0xF800, 0x07E0, 0x001F, 0),
                      RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
                      RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000),
                      RgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF, 0),
                      RgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000),
                      PalettedFormat()};
  return d;
}

}  // namespace

std::vector<ProfileDevice> StandardDevices() {
  std::vector<ProfileDevice> devices;
  devices.push_back(MakeDevice(IID_IDirect3DHALDevice, "Direct3D HAL", "Direct3D HAL", true));
  devices.push_back(
      MakeDevice(IID_IDirect3DRGBDevice, "Microsoft Direct3D RGB Software Emulation",
                 "RGB Emulation", false));
  devices.push_back(MakeDevice(IID_IDirect3DRefDevice, "Microsoft Reference Rasterizer",
                               "Reference Rasterizer", false));
  ProfileDevice null = MakeDevice(IID_IDirect3DNullDevice, "Null device", "Null device", false);
  null.depthFormats.clear();
  null.textureFormats.clear();
  devices.push_back(null);
  return devices;
}
