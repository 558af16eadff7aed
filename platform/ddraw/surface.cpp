// Surface operations other than blits and flips: attachments, descriptions, locks, device
// contexts, clippers, palettes, colour keys, and losing and restoring.
#include <d3d.h>

#include <cstring>
#include <unordered_map>
#include <utility>

#include "ddraw/d3d_seam.h"
#include "ddraw/ddraw_internal.h"
#include "display/display.h"

namespace {

bool CapsContain(const DDSCAPS2& have, const DDSCAPS2& want) {
  return (have.dwCaps & want.dwCaps) == want.dwCaps &&
         (have.dwCaps2 & want.dwCaps2) == want.dwCaps2 &&
         (have.dwCaps3 & want.dwCaps3) == want.dwCaps3 &&
         (have.dwCaps4 & want.dwCaps4) == want.dwCaps4;
}

struct AddressTable {
  std::unordered_map<DWORD, void*> addresses;
  DWORD next = 1;
};

AddressTable& Addresses() {
  static AddressTable* table = new AddressTable;
  return *table;
}

}  // namespace

void* DdResolveSurfaceAddress(DWORD key) {
  if (!key) return nullptr;
  const auto& addresses = Addresses().addresses;
  auto it = addresses.find(key);
  return it == addresses.end() ? nullptr : it->second;
}

DWORD RegisterSurfaceAddress(void* address) {
  AddressTable& table = Addresses();
  // Keys are not reused while held, so a stale one finds nothing rather than another surface.
  while (table.next == 0 || table.addresses.count(table.next)) ++table.next;
  const DWORD key = table.next++;
  table.addresses[key] = address;
  return key;
}

void ForgetSurfaceAddress(DWORD key) { Addresses().addresses.erase(key); }

HRESULT Surface::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDirectDrawSurface4) {
    AddRef();
    *out = static_cast<IDirectDrawSurface4*>(this);
    return DD_OK;
  }
  if (riid == IID_IDirect3DTexture2 && (caps_.dwCaps & DDSCAPS_TEXTURE) && !orphan_)
    return DdCreateTexture(this, out);
  return E_NOINTERFACE;
}

HRESULT Surface::CheckUsable() const {
  return orphan_ || lost_ ? DDERR_SURFACELOST : DD_OK;
}

bool Surface::GetPlane(Plane& out) {
  if (orphan_ || lost_) return false;
  out.width = width_;
  out.height = height_;
  out.format = format_;
  if (primary_ && !root_) {
    ScreenBuffer& screen = TheDisplay().Screen();
    if (screen.width != createdWidth_ || screen.height != createdHeight_ ||
        screen.bitsPerPixel != createdBits_ || screen.pixels.size() < size_t(screen.pitch) * height_) {
      lost_ = true;  // the mode changed under it
      return false;
    }
    out.bits = screen.pixels.data();
    out.pitch = LONG(screen.pitch);
    return true;
  }
  if (pixels_.size() < size_t(pitch_) * height_) return false;
  out.bits = pixels_.data();
  out.pitch = pitch_;
  return true;
}

const PALETTEENTRY* Surface::Colors(bool* alpha) const {
  if (alpha) *alpha = false;
  if (format_.kind != PixelKind::P8) return nullptr;
  if (palette_) {
    if (alpha) *alpha = palette_->HasAlpha();
    return palette_->Entries();
  }
  if (primary_ || root_) return TheDisplay().Screen().palette;
  return nullptr;
}

Surface* Surface::DepthAttachment() const {
  for (Surface* a : attached_)
    if (a->caps_.dwCaps & DDSCAPS_ZBUFFER) return a;
  return nullptr;
}

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) {
  Surface* s = LiveSurface(surface);
  if (!s) return DDERR_INVALIDOBJECT;
  if (HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
  if (HRESULT hr = s->CheckUsable(); hr != DD_OK) return hr;
  for (Surface* a : attached_)
    if (a == s) return DDERR_SURFACEALREADYATTACHED;
  // A depth buffer of the same size, to a colour surface of the same DirectDraw object.
  if (s == this || s->owner_ != owner_ || !(s->caps_.dwCaps & DDSCAPS_ZBUFFER) ||
      (caps_.dwCaps & DDSCAPS_ZBUFFER) || s->width_ != width_ || s->height_ != height_)
    return DDERR_CANNOTATTACHSURFACE;
  if (DepthAttachment()) return DDERR_SURFACEALREADYATTACHED;
  s->AddRef();
  attached_.push_back(s);
  return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE4 surface) {
  if (flags) return DDERR_INVALIDPARAMS;
  if (!surface) {  // all of them
    for (Surface* a : std::exchange(attached_, {}))
      if (LiveSurface(a)) a->Release();
    return DD_OK;
  }
  Surface* s = LiveSurface(surface);
  if (!s) return DDERR_INVALIDOBJECT;
  for (Surface* back : chain_)
    if (back == s) return DDERR_CANNOTDETACHSURFACE;
  for (size_t i = 0; i < attached_.size(); ++i)
    if (attached_[i] == s) {
      attached_.erase(attached_.begin() + ptrdiff_t(i));
      s->Release();
      return DD_OK;
    }
  return DDERR_SURFACENOTATTACHED;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* out) {
  if (!caps || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  // The next buffer of a flip chain comes first, then the surfaces attached by the program.
  std::vector<Surface*> candidates;
  if (!chain_.empty()) candidates.push_back(chain_.front());
  if (root_) {
    const auto& chain = root_->chain_;
    for (size_t i = 0; i + 1 < chain.size(); ++i)
      if (chain[i] == this) candidates.push_back(chain[i + 1]);
  }
  candidates.insert(candidates.end(), attached_.begin(), attached_.end());
  for (Surface* s : candidates)
    if (CapsContain(s->caps_, *caps)) {
      s->AddRef();
      *out = s;
      return DD_OK;
    }
  return DDERR_NOTFOUND;
}

HRESULT Surface::EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK2 callback) {
  if (!callback) return DDERR_INVALIDPARAMS;
  std::vector<Surface*> all;
  if (!chain_.empty()) all.push_back(chain_.front());
  all.insert(all.end(), attached_.begin(), attached_.end());
  for (Surface* s : all) {
    if (!LiveSurface(s)) continue;  // an earlier callback let it go
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    s->GetSurfaceDesc(&desc);
    s->AddRef();  // the callback owns this reference
    if (callback(s, &desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT Surface::GetCaps(LPDDSCAPS2 caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = caps_;
  return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  std::memset(desc, 0, sizeof *desc);
  desc->dwSize = sizeof *desc;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = width_;
  desc->dwHeight = height_;
  desc->lPitch = primary_ && !root_ ? LONG(TheDisplay().Screen().pitch) : pitch_;
  desc->ddpfPixelFormat = format_.dd;
  desc->ddsCaps = caps_;
  if (!chain_.empty()) {
    desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc->dwBackBufferCount = DWORD(chain_.size());
  }
  if (caps_.dwCaps & DDSCAPS_TEXTURE) {
    desc->dwFlags |= DDSD_TEXTURESTAGE;
    desc->dwTextureStage = textureStage_;
  }
  if (hasSourceKey_) {
    desc->dwFlags |= DDSD_CKSRCBLT;
    desc->ddckCKSrcBlt = sourceKey_;
  }
  return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
  if (!format) return DDERR_INVALIDPARAMS;
  *format = format_.dd;
  return DD_OK;
}

HRESULT Surface::IsLost() {
  if (orphan_ || lost_) return DDERR_SURFACELOST;
  if (primary_ && !root_) {
    Plane plane;
    if (!GetPlane(plane)) return DDERR_SURFACELOST;
  }
  return DD_OK;
}

HRESULT Surface::Restore() {
  ++version_;
  if (orphan_) return DDERR_INVALIDOBJECT;
  if (root_) return root_->Restore();  // a flip chain comes back as a whole
  if (primary_) {
    const ScreenBuffer& screen = TheDisplay().Screen();
    if (screen.width != createdWidth_ || screen.height != createdHeight_ ||
        screen.bitsPerPixel != createdBits_)
      return DDERR_WRONGMODE;
  }
  lost_ = false;
  for (Surface* back : chain_) back->lost_ = false;
  return DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE /*event*/) {
  ++version_;
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
  if (Busy()) return DDERR_SURFACEBUSY;
  int& stillDrawing = CurrentMachine().failures.lockStillDrawing;
  if (!(flags & DDLOCK_WAIT) && stillDrawing > 0) {
    --stillDrawing;
    return DDERR_WASSTILLDRAWING;
  }
  RECT r{0, 0, LONG(width_), LONG(height_)};
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right ||
        rect->top >= rect->bottom || rect->right > LONG(width_) || rect->bottom > LONG(height_))
      return DDERR_INVALIDRECT;
    r = *rect;
  }
  Plane plane;
  if (!GetPlane(plane)) return DDERR_SURFACELOST;
  GetSurfaceDesc(desc);
  desc->lPitch = plane.pitch;
  desc->dwFlags |= DDSD_LPSURFACE;
  uint8_t* start = plane.bits + ptrdiff_t(r.top) * plane.pitch + ptrdiff_t(r.left) * format_.bytes;
  lockKey_ = RegisterSurfaceAddress(start);
  desc->lpSurface.key = lockKey_;
  locked_ = true;
  return DD_OK;
}

HRESULT Surface::Unlock(LPRECT /*rect*/) {
  if (!locked_) return DDERR_NOTLOCKED;
  ForgetSurfaceAddress(lockKey_);
  locked_ = false;
  return DD_OK;
}

HRESULT Surface::GetDC(HDC* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
  if (dc_) return DDERR_DCALREADYCREATED;
  if (locked_) return DDERR_SURFACEBUSY;
  if (format_.kind == PixelKind::Depth) return DDERR_CANTCREATEDC;
  dc_ = GdiCreateSurfaceDC(this);
  if (!dc_) return DDERR_CANTCREATEDC;
  *out = dc_;
  return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
  ++version_;
  if (!dc_) return DDERR_NODC;
  if (dc != dc_) return DDERR_INVALIDPARAMS;
  GdiDeleteSurfaceDC(std::exchange(dc_, nullptr));
  return DD_OK;
}

bool Surface::GdiPixels(GdiSurfacePixels& out) {
  Plane plane;
  if (!GetPlane(plane)) return false;
  out.bits = plane.bits;
  out.width = int(plane.width);
  out.height = int(plane.height);
  out.pitch = plane.pitch;
  out.kind = format_.kind;
  out.palette = Colors();
  return true;
}

HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
  Clipper* c = nullptr;
  if (clipper && !(c = LiveClipper(clipper))) return DDERR_INVALIDOBJECT;
  if (c) c->AddRef();
  if (Clipper* old = std::exchange(clipper_, c)) old->Release();
  return DD_OK;
}

HRESULT Surface::GetClipper(LPDIRECTDRAWCLIPPER* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = clipper_;
  if (!clipper_) return DDERR_NOCLIPPERATTACHED;
  clipper_->AddRef();
  return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE palette) {
  ++version_;
  Palette* p = nullptr;
  if (palette && !(p = LivePalette(palette))) return DDERR_INVALIDOBJECT;
  if (p && format_.kind != PixelKind::P8) return DDERR_NOTPALETTIZED;
  if (orphan_) return DDERR_SURFACELOST;
  const bool onScreen = primary_ && !root_;
  if (p) {
    p->AddRef();
    if (onScreen) p->ShowOnScreen(true);
  }
  if (Palette* old = std::exchange(palette_, p)) {
    if (onScreen) old->ShowOnScreen(false);
    old->Release();
  }
  return DD_OK;
}

HRESULT Surface::GetPalette(LPDIRECTDRAWPALETTE* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = palette_;
  if (!palette_) return DDERR_NOPALETTEATTACHED;
  palette_->AddRef();
  return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
  if ((flags & ~DWORD(DDCKEY_COLORSPACE)) != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
  hasSourceKey_ = key != nullptr;
  if (key) {
    sourceKey_ = *key;
    if (!(flags & DDCKEY_COLORSPACE)) sourceKey_.dwColorSpaceHighValue = key->dwColorSpaceLowValue;
  }
  return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
  if (!key) return DDERR_INVALIDPARAMS;
  if (flags != DDCKEY_SRCBLT) return DDERR_UNSUPPORTED;
  if (!hasSourceKey_) return DDERR_NOCOLORKEY;
  *key = sourceKey_;
  return DD_OK;
}

HRESULT Surface::GetDDInterface(LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!owner_) return DDERR_INVALIDOBJECT;
  owner_->AddRef();
  *out = owner_->Interface4();
  return DD_OK;
}
