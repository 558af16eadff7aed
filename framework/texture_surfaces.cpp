// Texture surfaces: each loaded bitmap becomes a texture of the current device, sized and
// formatted by the device's capabilities, with its palette and transparency passes.
#include <cstring>

#include "framework/textures.h"
#include "framework/util.h"

namespace {

struct TextureFormatSearch {
  DWORD desiredBitCount;
  BOOL useAlpha;
  BOOL usePalette;
  BOOL found;
  DDPIXELFORMAT* result;
};

constexpr DWORD LuminanceOrBump = 0xE0000;  // DDPF_LUMINANCE, DDPF_BUMPLUMINANCE, DDPF_BUMPDUDV

HRESULT WINAPI PickTextureFormat(DDPIXELFORMAT* format, void* context) {
  auto* search = static_cast<TextureFormatSearch*>(context);
  if (!format || !search) return D3DENUMRET_OK;
  if (format->dwFlags & LuminanceOrBump) return D3DENUMRET_OK;
  if (search->usePalette) {
    if (!(format->dwFlags & DDPF_PALETTEINDEXED8)) return D3DENUMRET_OK;
  } else {
    if (format->dwRGBBitCount < 16 || format->dwFourCC != 0) return D3DENUMRET_OK;
    bool hasAlpha = format->dwFlags & DDPF_ALPHAPIXELS;
    if (hasAlpha != static_cast<bool>(search->useAlpha)) return D3DENUMRET_OK;
    if (format->dwRGBBitCount != search->desiredBitCount) return D3DENUMRET_OK;
  }
  *search->result = *format;
  search->found = TRUE;
  return D3DENUMRET_CANCEL;
}

DWORD RoundUpToPowerOfTwo(DWORD value) {
  DWORD p = 1;
  while (p < value && p < 0x80000000u) p <<= 1;
  return p;
}

// Copies the bitmap into the texture through a system-memory staging surface of the bitmap's
// own size. Failures leave what was written so far; the texture is still usable.
HRESULT CopyBitmapToSurface(IDirectDrawSurface4* texture, HBITMAP bitmap, DWORD flags) {
  IUnknown* owner = nullptr;
  if (FAILED(texture->GetDDInterface(reinterpret_cast<LPVOID*>(&owner))) || !owner) return S_OK;
  auto* directDraw = static_cast<IDirectDraw4*>(owner);
  directDraw->Release();  // the framework keeps the object alive

  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  DDSURFACEDESC2 desc;
  InitSurfaceDesc(desc, 0, 0);
  texture->GetSurfaceDesc(&desc);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
  desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE;
  desc.ddsCaps.dwCaps2 = 0;
  desc.dwWidth = static_cast<DWORD>(info.bmWidth);
  desc.dwHeight = static_cast<DWORD>(info.bmHeight);
  IDirectDrawSurface4* staging = nullptr;
  if (FAILED(directDraw->CreateSurface(&desc, &staging, nullptr)) || !staging) return S_OK;

  HDC memory = CreateCompatibleDC(nullptr);
  if (!memory) {
    staging->Release();
    return S_OK;
  }
  HGDIOBJ previous = SelectObject(memory, bitmap);

  if (desc.ddpfPixelFormat.dwRGBBitCount == 8) {
    RGBQUAD table[256] = {};
    GetDIBColorTable(memory, 0, 256, table);
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
      entries[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0xFF};
    for (PALETTEENTRY& e : entries) {
      bool black = e.peRed == 0 && e.peGreen == 0 && e.peBlue == 0;
      bool white = e.peRed == 255 && e.peGreen == 255 && e.peBlue == 255;
      if ((flags & TransparentBlack) ? black : ((flags & TransparentBright) && white)) e.peFlags = 0;
    }
    DWORD caps = DDPCAPS_8BIT;
    if (flags & (TransparentBright | TransparentBlack)) caps |= DDPCAPS_ALPHA;
    IDirectDrawPalette* palette = nullptr;
    if (SUCCEEDED(directDraw->CreatePalette(caps, entries, &palette, nullptr)) && palette) {
      staging->SetPalette(palette);
      texture->SetPalette(palette);
      palette->Release();
    }
  }

  HDC target = nullptr;
  if (SUCCEEDED(staging->GetDC(&target)) && target) {
    BitBlt(target, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    staging->ReleaseDC(target);
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  texture->Blt(nullptr, staging, nullptr, DDBLT_WAIT, nullptr);
  staging->Release();

  const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
  if (format.dwRGBAlphaBitMask && (flags & (TransparentBright | TransparentBlack))) {
    DDSURFACEDESC2 locked;
    InitSurfaceDesc(locked, 0, 0);
    HRESULT hr;
    while ((hr = texture->Lock(nullptr, &locked, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
    }
    if (SUCCEEDED(hr)) {
      DWORD colourMask = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
      DWORD alphaMask = format.dwRGBAlphaBitMask;
      DWORD key = (flags & TransparentBright) ? colourMask : 0;
      auto* bytes = static_cast<uint8_t*>(locked.lpSurface);
      for (DWORD y = 0; y < locked.dwHeight; ++y) {
        uint8_t* row = bytes + static_cast<size_t>(y) * static_cast<size_t>(locked.lPitch);
        if (format.dwRGBBitCount == 16) {
          auto* px = reinterpret_cast<uint16_t*>(row);
          for (DWORD x = 0; x < locked.dwWidth; ++x) {
            DWORD p = px[x] & colourMask;
            px[x] = static_cast<uint16_t>(p != key ? (p | alphaMask) : p);
          }
        } else if (format.dwRGBBitCount == 32) {
          auto* px = reinterpret_cast<uint32_t*>(row);
          for (DWORD x = 0; x < locked.dwWidth; ++x) {
            DWORD p = px[x] & colourMask;
            px[x] = p != key ? (p | alphaMask) : p;
          }
        }
      }
      texture->Unlock(nullptr);
    }
  }
  return S_OK;
}

HRESULT MakeTextureSurface(TextureEntry* entry, IDirect3DDevice3* device) {
  IDirectDraw4* directDraw = GetDirectDrawFromDevice(device);
  if (!directDraw) return E_FAIL;
  directDraw->Release();  // the framework keeps the object alive

  D3DDEVICEDESC hardware, software;
  InitDeviceDesc(hardware);
  InitDeviceDesc(software);
  if (FAILED(device->GetCaps(&hardware, &software))) return E_FAIL;
  DWORD caps = hardware.dwFlags ? hardware.dpcTriCaps.dwTextureCaps
                                : software.dpcTriCaps.dwTextureCaps;

  BITMAP info{};
  GetObjectA(entry->bitmap, sizeof info, &info);
  DDSURFACEDESC2 desc;
  InitSurfaceDesc(desc, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE,
                  DDSCAPS_TEXTURE);
  desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
  desc.dwTextureStage = entry->stage;
  desc.dwWidth = static_cast<DWORD>(info.bmWidth);
  desc.dwHeight = static_cast<DWORD>(info.bmHeight);
  if (caps & D3DPTEXTURECAPS_POW2) {
    desc.dwWidth = RoundUpToPowerOfTwo(desc.dwWidth);
    desc.dwHeight = RoundUpToPowerOfTwo(desc.dwHeight);
  }
  if (caps & D3DPTEXTURECAPS_SQUAREONLY) {
    DWORD side = desc.dwWidth > desc.dwHeight ? desc.dwWidth : desc.dwHeight;
    desc.dwWidth = desc.dwHeight = side;
  }

  TextureFormatSearch search{};
  search.usePalette = info.bmBitsPixel <= 8;
  search.useAlpha = entry->alphaRequested;
  if ((entry->flags & (TransparentBright | TransparentBlack)) && search.usePalette) {
    search.useAlpha = TRUE;
    search.usePalette = (caps & D3DPTEXTURECAPS_ALPHAPALETTE) ? TRUE : FALSE;
  }
  search.desiredBitCount = (entry->flags & Prefer32Bit) ? 32 : 16;
  search.result = &desc.ddpfPixelFormat;
  device->EnumTextureFormats(PickTextureFormat, &search);
  if (!search.found && search.usePalette) {
    search.usePalette = FALSE;
    search.desiredBitCount = 16;
    device->EnumTextureFormats(PickTextureFormat, &search);
    if (!search.found) return E_FAIL;
  }

  if (FAILED(directDraw->CreateSurface(&desc, &entry->surface, nullptr))) {
    entry->surface = nullptr;
    return E_FAIL;
  }
  if (FAILED(entry->surface->QueryInterface(IID_IDirect3DTexture2,
                                            reinterpret_cast<void**>(&entry->texture)))) {
    entry->texture = nullptr;
    return E_FAIL;
  }
  return CopyBitmapToSurface(entry->surface, entry->bitmap, entry->flags);
}

}  // namespace

HRESULT RestoreTexture(const char* name, IDirect3DDevice3* device) {
  if (!device) return E_INVALIDARG;
  TextureEntry* entry = FindTextureEntry(name);
  if (!entry) return DDERR_NOTFOUND;
  if (entry->texture) entry->texture->Release();
  entry->texture = nullptr;
  if (entry->surface) entry->surface->Release();
  entry->surface = nullptr;
  return MakeTextureSurface(entry, device);
}

HRESULT RestoreAllTextures(IDirect3DDevice3* device) {
  for (TextureEntry* e = TextureTable; e; e = e->next) RestoreTexture(e->name, device);
  return S_OK;
}
