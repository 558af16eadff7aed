// Making surfaces and their lifetime: CreateSurface's rules, flip chains, references, and what
// is left of a surface whose DirectDraw object or primary went first.
#include <cstdio>
#include <new>
#include <utility>

#include "ddraw/d3d_seam.h"
#include "ddraw/ddraw_internal.h"
#include "display/display.h"

namespace {

constexpr DWORD kMaxSide = 16384;
constexpr uint64_t kMaxBytes = 256ull << 20;
constexpr DWORD kMaxBackBuffers = 3;

// Rows start on 16-byte boundaries, so a pitch is often more than the row's own bytes.
LONG PitchFor(DWORD width, int bytes) { return LONG((uint64_t(width) * bytes + 15) & ~15ull); }

DWORD MemoryCaps(Surface::Memory memory) {
  switch (memory) {
    case Surface::Memory::Video: return DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
    case Surface::Memory::System: return DDSCAPS_SYSTEMMEMORY;
    default: return 0;
  }
}

HRESULT CheckCaps(DWORD caps, DWORD caps2) {
  constexpr DWORD refused = DDSCAPS_OVERLAY | DDSCAPS_VIDEOPORT | DDSCAPS_LIVEVIDEO |
                            DDSCAPS_HWCODEC | DDSCAPS_MODEX | DDSCAPS_BACKBUFFER |
                            DDSCAPS_FRONTBUFFER | DDSCAPS_NONLOCALVIDMEM;
  if (caps & refused) return DDERR_INVALIDCAPS;
  if (caps & DDSCAPS_MIPMAP) return DDERR_UNSUPPORTED;
  if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
  if ((caps2 & DDSCAPS2_TEXTUREMANAGE) &&
      (!(caps & DDSCAPS_TEXTURE) || (caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY))))
    return DDERR_INVALIDCAPS;
  if ((caps & DDSCAPS_ZBUFFER) && (caps & (DDSCAPS_TEXTURE | DDSCAPS_PRIMARYSURFACE)))
    return DDERR_INVALIDCAPS;
  return DD_OK;
}

// A texture surface the devices cannot draw is refused, with the debugger line a driver's
// debug build would write.
HRESULT CheckTextureSize(DWORD caps, DWORD width, DWORD height) {
  const DWORD largest = DdLargestTextureSide();
  if (!(caps & DDSCAPS_TEXTURE) || (width <= largest && height <= largest)) return DD_OK;
  char line[160];
  std::snprintf(line, sizeof line,
                "DDraw: texture surface %lu x %lu refused: the 3D devices draw textures up to "
                "%lu x %lu\n",
                static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                static_cast<unsigned long>(largest), static_cast<unsigned long>(largest));
  OutputDebugStringA(line);
  return width > largest ? DDERR_TOOBIGWIDTH : DDERR_TOOBIGHEIGHT;
}

// What the machine's video memory allows; the profile's injected failures decide.
HRESULT VideoMemoryFor(bool texture) {
  ProfileFailures& failures = CurrentMachine().failures;
  if (texture && failures.textureOutOfVideoMemory) return DDERR_OUTOFVIDEOMEMORY;
  if (CountDown(failures.surfaceOutOfVideoMemory)) return DDERR_OUTOFVIDEOMEMORY;
  return DD_OK;
}

}  // namespace

Surface* LiveSurface(IDirectDrawSurface4* p) {
  if (!p) return nullptr;
  for (Surface* s : Registry().surfaces)
    if (static_cast<IDirectDrawSurface4*>(s) == p) return s;
  return nullptr;
}

HRESULT DirectDrawObject::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* out,
                                        IUnknown* outer) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (!level_) return DDERR_NOCOOPERATIVELEVELSET;
  const DWORD flags = desc->dwFlags;
  const DWORD caps = flags & DDSD_CAPS ? desc->ddsCaps.dwCaps : 0;
  const DWORD caps2 = flags & DDSD_CAPS ? desc->ddsCaps.dwCaps2 : 0;
  if (HRESULT hr = CheckCaps(caps, caps2); hr != DD_OK) return hr;

  Surface::Params p;
  p.owner = this;
  p.caps.dwCaps = caps;
  p.caps.dwCaps2 = caps2;
  DWORD backBuffers = 0;

  if (caps & DDSCAPS_PRIMARYSURFACE) {
    if (flags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
    if (caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE | DDSCAPS_OFFSCREENPLAIN))
      return DDERR_INVALIDCAPS;
    const bool flip = caps & DDSCAPS_FLIP;
    if (flip != bool(caps & DDSCAPS_COMPLEX)) return DDERR_INVALIDCAPS;
    if (flip) {
      if (!(flags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount == 0 ||
          desc->dwBackBufferCount > kMaxBackBuffers)
        return DDERR_INVALIDPARAMS;
      // A flip chain takes the whole screen.
      if (!Exclusive()) return DDERR_NOEXCLUSIVEMODE;
      backBuffers = desc->dwBackBufferCount;
    }
    if (primary_) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    const ScreenBuffer& screen = TheDisplay().Screen();
    if (!DisplayFormat(screen.bitsPerPixel, p.format)) return DDERR_UNSUPPORTEDMODE;
    p.primary = true;
    p.width = screen.width;
    p.height = screen.height;
    p.pitch = LONG(screen.pitch);
    p.caps.dwCaps |= DDSCAPS_VISIBLE | (flip ? DDSCAPS_FRONTBUFFER : 0);
  } else {
    if (caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX)) return DDERR_INVALIDCAPS;
    if ((flags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || !desc->dwWidth ||
        !desc->dwHeight)
      return DDERR_INVALIDPARAMS;
    if (desc->dwWidth > kMaxSide) return DDERR_TOOBIGWIDTH;
    if (desc->dwHeight > kMaxSide) return DDERR_TOOBIGHEIGHT;
    if (HRESULT hr = CheckTextureSize(caps, desc->dwWidth, desc->dwHeight); hr != DD_OK)
      return hr;
    const bool depth = caps & DDSCAPS_ZBUFFER;
    if (flags & DDSD_PIXELFORMAT) {
      if (desc->ddpfPixelFormat.dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
      if (!PixelFormatFromDD(desc->ddpfPixelFormat, p.format)) return DDERR_INVALIDPIXELFORMAT;
    } else if (depth || !DisplayFormat(TheDisplay().Screen().bitsPerPixel, p.format)) {
      return DDERR_INVALIDPIXELFORMAT;
    }
    if (depth != (p.format.kind == PixelKind::Depth)) return DDERR_INVALIDPIXELFORMAT;
    if (uint64_t(PitchFor(desc->dwWidth, p.format.bytes)) * desc->dwHeight > kMaxBytes)
      return DDERR_TOOBIGSIZE;
    p.width = desc->dwWidth;
    p.height = desc->dwHeight;
    if (!(caps & (DDSCAPS_TEXTURE | DDSCAPS_ZBUFFER))) p.caps.dwCaps |= DDSCAPS_OFFSCREENPLAIN;
    if (caps2 & DDSCAPS2_TEXTUREMANAGE)
      p.memory = Surface::Memory::Managed;
    else if (caps & DDSCAPS_SYSTEMMEMORY)
      p.memory = Surface::Memory::System;
    if (flags & DDSD_TEXTURESTAGE) p.textureStage = desc->dwTextureStage;
  }
  const bool texture = caps & DDSCAPS_TEXTURE;
  if (p.memory == Surface::Memory::Video) {
    if (HRESULT hr = VideoMemoryFor(texture); FAILED(hr)) return hr;
  } else if (p.memory == Surface::Memory::Managed &&
             CurrentMachine().failures.textureOutOfVideoMemory) {
    return DDERR_OUTOFVIDEOMEMORY;  // the manager finds no room either
  }
  p.caps.dwCaps = (p.caps.dwCaps & ~DWORD(DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY |
                                          DDSCAPS_LOCALVIDMEM)) |
                  MemoryCaps(p.memory);

  Surface* surface = Surface::Make(p);
  if (!surface) return DDERR_OUTOFMEMORY;
  if (backBuffers && !surface->MakeFlipChain(backBuffers, caps & DDSCAPS_3DDEVICE)) {
    surface->Release();
    return DDERR_OUTOFMEMORY;
  }
  if (flags & DDSD_CKSRCBLT) surface->SetColorKey(DDCKEY_SRCBLT, &desc->ddckCKSrcBlt);
  if (p.primary) primary_ = surface;
  *out = surface;
  return DD_OK;
}

Surface* Surface::Make(const Params& params) {
  Surface* s = nullptr;
  try {
    s = new Surface(params);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (!s) return nullptr;
  if (!params.primary) {
    try {
      s->pixels_.assign(size_t(s->pitch_) * s->height_, 0);
    } catch (const std::bad_alloc&) {
      s->Destroy();
      return nullptr;
    }
  }
  return s;
}

Surface::Surface(const Params& p)
    : owner_(p.owner),
      caps_(p.caps),
      width_(p.width),
      height_(p.height),
      format_(p.format),
      memory_(p.memory),
      primary_(p.primary),
      textureStage_(p.textureStage),
      pitch_(p.pitch ? p.pitch : PitchFor(p.width, p.format.bytes)) {
  static uint32_t nextBuffer = 1;
  buffer_ = gdiBuffer_ = nextBuffer++;
  if (primary_) {
    const ScreenBuffer& screen = TheDisplay().Screen();
    createdWidth_ = screen.width;
    createdHeight_ = screen.height;
    createdBits_ = screen.bitsPerPixel;
  }
  // Room first, so that the surface is registered in both lists or in neither.
  ReserveOneMore(Registry().surfaces);
  if (owner_) ReserveOneMore(owner_->surfaces_);
  Registry().surfaces.push_back(this);
  if (owner_) owner_->surfaces_.push_back(this);
}

Surface::~Surface() { Forget(Registry().surfaces, this); }

bool Surface::MakeFlipChain(DWORD count, DWORD backCaps) {
  const ScreenBuffer& screen = TheDisplay().Screen();
  caps_.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  for (DWORD i = 0; i < count; ++i) {
    Params p;
    p.owner = owner_;
    p.caps.dwCaps = DDSCAPS_FLIP | DDSCAPS_COMPLEX | backCaps | MemoryCaps(Memory::Video) |
                    (i == 0 ? DDSCAPS_BACKBUFFER : 0);
    p.width = width_;
    p.height = height_;
    p.format = format_;
    p.pitch = pitch_;
    Surface* back = nullptr;
    try {
      back = new Surface(p);
    } catch (const std::bad_alloc&) {
      return false;
    }
    back->root_ = this;
    back->refs_ = 0;  // held by the chain, not by the program
    try {
      chain_.push_back(back);
    } catch (const std::bad_alloc&) {
      back->Destroy();
      return false;
    }
    try {
      // The same size as the screen's buffer, so a flip can trade the two.
      back->pixels_.assign(screen.pixels.size(), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return true;
}

ULONG Surface::AddRef() { return ++refs_; }

ULONG Surface::Release() {
  if (refs_ == 0) return 0;  // a flip-chain member the program no longer holds
  if (--refs_ > 0) return refs_;
  if (root_) return 0;  // lives as long as its primary
  Destroy();
  return 0;
}

void Surface::ReleaseResources() {
  if (dc_) GdiDeleteSurfaceDC(std::exchange(dc_, nullptr));
  if (locked_) {
    ForgetSurfaceAddress(lockKey_);
    locked_ = false;
  }
  if (Clipper* c = std::exchange(clipper_, nullptr)) c->Release();
  if (Palette* pal = std::exchange(palette_, nullptr)) {
    if (primary_) pal->ShowOnScreen(false);
    pal->Release();
  }
  for (Surface* a : std::exchange(attached_, {}))
    if (LiveSurface(a)) a->Release();
  // The chain's back buffers go with the primary, or outlive it as orphans while held.
  for (Surface* back : std::exchange(chain_, {})) {
    back->root_ = nullptr;
    if (back->refs_ == 0)
      back->Destroy();
    else
      back->Orphan();
  }
}

void Surface::Destroy() {
  ReleaseResources();
  if (owner_) owner_->SurfaceGone(this);
  delete this;
}

void Surface::Orphan() {
  if (root_) {
    Forget(std::exchange(root_, nullptr)->chain_, this);
    if (refs_ == 0) {
      Destroy();
      return;
    }
  }
  if (owner_) owner_->SurfaceGone(this);
  owner_ = nullptr;
  orphan_ = true;
  ReleaseResources();
  std::vector<uint8_t>().swap(pixels_);
}
