// Blits (with stretching, conversion, colour keys and the clipper), fills and flips.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "ddraw/ddraw_internal.h"
#include "display/display.h"

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Inside(const RECT& r, DWORD width, DWORD height) {
  return r.left >= 0 && r.top >= 0 && r.right <= LONG(width) && r.bottom <= LONG(height);
}

// The bits of a pixel value a colour key compares (the X byte of XRGB is not among them).
uint32_t KeyMask(const PixelFormat& f) {
  if (f.kind == PixelKind::P8) return 0xFF;
  if (f.kind == PixelKind::Depth) return f.bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * f.bytes)) - 1;
  return f.dd.dwRBitMask | f.dd.dwGBitMask | f.dd.dwBBitMask | f.dd.dwRGBAlphaBitMask;
}

void CopyRaw(const uint8_t* s, uint8_t* d, int count, int bytes) {
  std::memmove(d, s, size_t(count) * bytes);
}

// A row onto the screen: nothing in the frame reads the screen again, so the stores go around
// the caches rather than evicting the back buffer and depth buffer the next frame draws into.
// The caller fences once after the last row.
void StreamRow(const uint8_t* s, uint8_t* d, size_t n) {
  const size_t head = std::min(n, size_t((16 - (reinterpret_cast<uintptr_t>(d) & 15)) & 15));
  std::memcpy(d, s, head);
  size_t i = head;
  for (; i + 64 <= n; i += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 32));
    const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + i), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + 48), e);
  }
  std::memcpy(d + i, s + i, n - i);
}

// Source coordinate of each destination pixel in [first, last): the centre of the destination
// pixel mapped into the source range.
std::vector<LONG> MapAxis(LONG first, LONG last, LONG destStart, LONG destSize, LONG sourceStart,
                          LONG sourceSize) {
  std::vector<LONG> map;
  map.reserve(size_t(last - first));
  for (LONG d = first; d < last; ++d)
    map.push_back(sourceStart + LONG((int64_t(2 * (int64_t(d) - destStart) + 1) * sourceSize) /
                                     (2 * int64_t(destSize))));
  return map;
}

}  // namespace

HRESULT Surface::Present() {
  if (CountDown(CurrentMachine().failures.loseSurfacesAtPresent)) {
    LoseVideoSurfaces();
    return DDERR_SURFACELOST;
  }
  return DD_OK;
}

bool Surface::ClipFor(const RECT& dest, bool useClipper, std::vector<RECT>& parts) {
  parts.clear();
  const RECT bounds{0, 0, LONG(width_), LONG(height_)};
  if (!useClipper || !clipper_) {
    parts.push_back(dest);
    return Inside(dest, width_, height_);
  }
  const RECT clip = Intersect(dest, bounds);
  // On the primary, a clipper bound to a window keeps the blit to what shows of its client
  // area: windows above it (a dialog, a menu) are left alone.
  if (primary_ && !root_ && clipper_->Window()) {
    for (const RECT& part : WindowClipList(clipper_->Window()))
      if (const RECT r = Intersect(clip, part); !IsEmpty(r)) parts.push_back(r);
    return true;
  }
  parts.push_back(clip);
  return true;
}

HRESULT Surface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
                     LPDDBLTFX fx) {
  return DoBlt(destRect, source, sourceRect, flags, fx, true);
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect,
                         DWORD flags) {
  constexpr DWORD known = DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT | DDBLTFAST_DONOTWAIT;
  if (flags & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;
  if (flags & ~known) return DDERR_INVALIDPARAMS;
  Surface* src = LiveSurface(source);
  if (!src) return source ? DDERR_INVALIDOBJECT : DDERR_INVALIDPARAMS;
  const RECT s = sourceRect ? *sourceRect : RECT{0, 0, LONG(src->width_), LONG(src->height_)};
  const int64_t right = int64_t(x) + (int64_t(s.right) - s.left);
  const int64_t bottom = int64_t(y) + (int64_t(s.bottom) - s.top);
  if (right > LONG(width_) || bottom > LONG(height_)) return DDERR_INVALIDRECT;
  const RECT dest{LONG(x), LONG(y), LONG(right), LONG(bottom)};
  return DoBlt(&dest, source, &s, flags & DDBLTFAST_SRCCOLORKEY ? DDBLT_KEYSRC : 0, nullptr,
               false);
}

HRESULT Surface::DoBlt(const RECT* destRect, LPDIRECTDRAWSURFACE4 source, const RECT* sourceRect,
                       DWORD flags, const DDBLTFX* fx, bool useClipper) {
  constexpr DWORD known = DDBLT_COLORFILL | DDBLT_DEPTHFILL | DDBLT_KEYSRC |
                          DDBLT_KEYSRCOVERRIDE | DDBLT_ROP | DDBLT_WAIT | DDBLT_ASYNC |
                          DDBLT_DONOTWAIT;
  if (flags & ~known) return DDERR_UNSUPPORTED;
  const bool fill = flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL);
  if ((flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL | DDBLT_KEYSRCOVERRIDE | DDBLT_ROP)) &&
      (!fx || fx->dwSize != sizeof(DDBLTFX)))
    return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_ROP) && fx->dwROP != SRCCOPY) return DDERR_UNSUPPORTED;
  if ((flags & DDBLT_COLORFILL) && (flags & DDBLT_DEPTHFILL)) return DDERR_INVALIDPARAMS;
  if (HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
  if (Busy()) return DDERR_SURFACEBUSY;

  const RECT dest = destRect ? *destRect : RECT{0, 0, LONG(width_), LONG(height_)};
  if (IsEmpty(dest)) return DDERR_INVALIDRECT;
  std::vector<RECT>& parts = clipParts_;
  try {
    if (!ClipFor(dest, useClipper, parts)) return DDERR_INVALIDRECT;
  } catch (const std::bad_alloc&) {
    return DDERR_OUTOFMEMORY;
  }

  if (fill) {
    const bool depth = format_.kind == PixelKind::Depth;
    if (depth != bool(flags & DDBLT_DEPTHFILL)) return DDERR_INVALIDPIXELFORMAT;
    HRESULT hr = DD_OK;
    for (const RECT& clip : parts)
      if (hr == DD_OK && !IsEmpty(clip)) hr = Fill(clip, fx->dwFillColor);
    return hr;
  }

  Surface* src = LiveSurface(source);
  if (!src) return source ? DDERR_INVALIDOBJECT : DDERR_INVALIDPARAMS;
  if (HRESULT hr = src->CheckUsable(); hr != DD_OK) return hr;
  if (src != this && src->Busy()) return DDERR_SURFACEBUSY;
  const RECT s = sourceRect ? *sourceRect : RECT{0, 0, LONG(src->width_), LONG(src->height_)};
  if (IsEmpty(s) || !Inside(s, src->width_, src->height_)) return DDERR_INVALIDRECT;
  const DDCOLORKEY* key = nullptr;
  if (flags & DDBLT_KEYSRCOVERRIDE) {
    key = &fx->ddckSrcColorkey;
  } else if (flags & DDBLT_KEYSRC) {
    if (!src->hasSourceKey_) return DDERR_NOCOLORKEY;
    key = &src->sourceKey_;
  }

  const bool presenting = primary_ && !root_;
  if (presenting) {
    if (HRESULT hr = Present(); hr != DD_OK) return hr;
  }
  HRESULT hr = DD_OK;
  for (const RECT& clip : parts)
    if (hr == DD_OK && !IsEmpty(clip)) hr = CopyFrom(src, dest, s, clip, key);
  if (presenting && hr == DD_OK) TheDisplay().FramePresented();
  return hr;
}

HRESULT Surface::Fill(const RECT& clip, DWORD value) {
  ++version_;
  Plane plane;
  if (!GetPlane(plane)) return DDERR_SURFACELOST;
  const int bytes = format_.bytes;
  const size_t rowBytes = size_t(clip.right - clip.left) * bytes;
  uint8_t* first = plane.bits + ptrdiff_t(clip.top) * plane.pitch + ptrdiff_t(clip.left) * bytes;
  for (LONG x = 0; x < clip.right - clip.left; ++x) StorePixel(first + x * bytes, bytes, value);
  for (LONG y = clip.top + 1; y < clip.bottom; ++y)
    std::memcpy(first + ptrdiff_t(y - clip.top) * plane.pitch, first, rowBytes);
  return DD_OK;
}

HRESULT Surface::CopyFrom(Surface* src, const RECT& dest, const RECT& s, const RECT& clip,
                          const DDCOLORKEY* key) {
  ++version_;
  Plane dp, sp;
  if (!GetPlane(dp) || !src->GetPlane(sp)) return DDERR_SURFACELOST;
  const PixelKind sk = src->format_.kind, dk = format_.kind;
  const int sb = src->format_.bytes, db = format_.bytes;

  // Depth values are copied between identical formats only; colours convert between any two.
  RowConverter convert = nullptr;
  ConvertContext context;
  std::unique_ptr<PaletteMatcher> matcher;
  if (sk == PixelKind::Depth || dk == PixelKind::Depth) {
    if (sk != dk || sb != db || src->format_.dd.dwZBitMask != format_.dd.dwZBitMask ||
        src->format_.dd.dwStencilBitMask != format_.dd.dwStencilBitMask)
      return DDERR_UNSUPPORTED;
  } else {
    convert = FindRowConverter(sk, dk);
    if (sk == PixelKind::P8 && dk != PixelKind::P8) {
      context.sourcePalette = src->Colors(&context.sourcePaletteAlpha);
      if (!context.sourcePalette) return DDERR_NOPALETTEATTACHED;
      PrepareLookup(dk, context);
    }
    if (dk == PixelKind::P8 && sk != PixelKind::P8) {
      const PALETTEENTRY* colors = Colors();
      if (!colors) return DDERR_NOPALETTEATTACHED;
      matcher = std::make_unique<PaletteMatcher>(colors);
      context.target = matcher.get();
    }
  }
  auto convertRow = [&](const uint8_t* from, uint8_t* to, int count) {
    if (convert)
      convert(from, to, count, context);
    else
      CopyRaw(from, to, count, sb);
  };

  // Blitting within one surface reads a copy of the source rectangle.
  RECT sr = s;
  std::vector<uint8_t> copy;
  if (src == this) {
    const LONG w = s.right - s.left, h = s.bottom - s.top;
    copy.resize(size_t(w) * h * sb);
    for (LONG y = 0; y < h; ++y)
      std::memcpy(copy.data() + size_t(y) * w * sb,
                  sp.bits + ptrdiff_t(s.top + y) * sp.pitch + ptrdiff_t(s.left) * sb,
                  size_t(w) * sb);
    sp.bits = copy.data();
    sp.pitch = w * sb;
    sr = RECT{0, 0, w, h};
  }

  const LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  const LONG sw = sr.right - sr.left, sh = sr.bottom - sr.top;
  const LONG count = clip.right - clip.left;
  const std::vector<LONG> rows = MapAxis(clip.top, clip.bottom, dest.top, dh, sr.top, sh);
  const bool stretchX = dw != sw;
  const std::vector<LONG> columns =
      stretchX || key ? MapAxis(clip.left, clip.right, dest.left, dw, sr.left, sw)
                      : std::vector<LONG>();
  const uint32_t keyMask = KeyMask(src->format_);
  std::vector<uint8_t> gathered(stretchX && !key ? size_t(count) * sb : 0);

  // A present between surfaces of one format streams its rows onto the screen.
  if (!key && !stretchX && sk == dk && primary_ && !root_ && src != this &&
      size_t(count) * sb >= 1024) {
    for (LONG y = clip.top; y < clip.bottom; ++y) {
      const uint8_t* srow = sp.bits + ptrdiff_t(rows[size_t(y - clip.top)]) * sp.pitch;
      StreamRow(srow + ptrdiff_t(sr.left + (clip.left - dest.left)) * sb,
                dp.bits + ptrdiff_t(y) * dp.pitch + ptrdiff_t(clip.left) * db, size_t(count) * sb);
    }
    _mm_sfence();
    return DD_OK;
  }

  for (LONG y = clip.top; y < clip.bottom; ++y) {
    const uint8_t* srow = sp.bits + ptrdiff_t(rows[size_t(y - clip.top)]) * sp.pitch;
    uint8_t* drow = dp.bits + ptrdiff_t(y) * dp.pitch + ptrdiff_t(clip.left) * db;
    if (key) {
      for (LONG i = 0; i < count; ++i) {
        const uint8_t* p = srow + ptrdiff_t(columns[size_t(i)]) * sb;
        const uint32_t v = LoadPixel(p, sb) & keyMask;
        if (v >= (key->dwColorSpaceLowValue & keyMask) &&
            v <= (key->dwColorSpaceHighValue & keyMask))
          continue;
        convertRow(p, drow + ptrdiff_t(i) * db, 1);
      }
    } else if (stretchX) {
      for (LONG i = 0; i < count; ++i)
        std::memcpy(gathered.data() + ptrdiff_t(i) * sb, srow + ptrdiff_t(columns[size_t(i)]) * sb,
                    size_t(sb));
      convertRow(gathered.data(), drow, int(count));
    } else {
      convertRow(srow + ptrdiff_t(sr.left + (clip.left - dest.left)) * sb, drow, int(count));
    }
  }
  return DD_OK;
}

void Surface::RotateChain(Surface* target) {
  ScreenBuffer& screen = TheDisplay().Screen();
  auto trade = [](std::vector<uint8_t>& a, std::vector<uint8_t>& b) {
    if (a.size() == b.size()) {
      a.swap(b);
      return;
    }
    const size_t n = std::min(a.size(), b.size());
    std::vector<uint8_t> keep(a.begin(), a.begin() + ptrdiff_t(n));
    std::copy(b.begin(), b.begin() + ptrdiff_t(n), a.begin());
    std::copy(keep.begin(), keep.end(), b.begin());
  };
  if (target) {
    trade(screen.pixels, target->pixels_);
    std::swap(buffer_, target->buffer_);
    return;
  }
  // The first back buffer goes on screen, each later one moves up, the old front goes last.
  trade(screen.pixels, chain_[0]->pixels_);
  std::swap(buffer_, chain_[0]->buffer_);
  for (size_t i = 1; i < chain_.size(); ++i) {
    trade(chain_[i - 1]->pixels_, chain_[i]->pixels_);
    std::swap(chain_[i - 1]->buffer_, chain_[i]->buffer_);
  }
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) {
  ++version_;
  if (flags & ~DWORD(DDFLIP_WAIT | DDFLIP_EVEN | DDFLIP_ODD)) return DDERR_INVALIDPARAMS;
  if (root_ || chain_.empty()) return DDERR_NOTFLIPPABLE;
  if (HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
  Surface* t = nullptr;
  if (target) {
    t = LiveSurface(target);
    if (!t || t->root_ != this) return DDERR_INVALIDPARAMS;
  }
  if (Busy()) return DDERR_SURFACEBUSY;
  for (Surface* back : chain_) {
    if (back->lost_) return DDERR_SURFACELOST;
    if (back->Busy()) return DDERR_SURFACEBUSY;
  }
  Plane plane;
  if (!GetPlane(plane)) return DDERR_SURFACELOST;
  if (HRESULT hr = Present(); hr != DD_OK) return hr;
  RotateChain(t);
  TheDisplay().FramePresented();
  return DD_OK;
}

void Surface::ShowGdiBuffer() {
  Plane plane;
  if (root_ || chain_.empty() || Busy() || !GetPlane(plane)) return;
  for (size_t i = 0; i < chain_.size() && buffer_ != gdiBuffer_; ++i) {
    for (Surface* back : chain_)
      if (back->Busy()) return;
    RotateChain(nullptr);
  }
}
