// Clippers (a window whose client area blits to the primary keep to) and 256-entry palettes.
#include <cstring>
#include <new>

#include "ddraw/ddraw_internal.h"
#include "display/display.h"

Clipper* LiveClipper(IDirectDrawClipper* p) {
  if (!p) return nullptr;
  for (Clipper* c : Registry().clippers)
    if (static_cast<IDirectDrawClipper*>(c) == p) return c;
  return nullptr;
}

Palette* LivePalette(IDirectDrawPalette* p) {
  if (!p) return nullptr;
  for (Palette* c : Registry().palettes)
    if (static_cast<IDirectDrawPalette*>(c) == p) return c;
  return nullptr;
}

Clipper* Clipper::Make() { try {
    return new Clipper;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } }

Clipper::Clipper() { Registry().clippers.push_back(this); }
Clipper::~Clipper() { Forget(Registry().clippers, this); }

HRESULT Clipper::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(riid == IID_IUnknown || riid == IID_IDirectDrawClipper)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDirectDrawClipper*>(this);
  return DD_OK;
}

ULONG Clipper::AddRef() { return ++refs_; }

ULONG Clipper::Release() {
  if (--refs_ > 0) return refs_;
  delete this;
  return 0;
}

HRESULT Clipper::GetHWnd(HWND* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = window_;
  return DD_OK;
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND window) {
  if (flags) return DDERR_INVALIDPARAMS;
  window_ = window;
  return DD_OK;
}

Palette* Palette::Make(DWORD caps, const PALETTEENTRY* entries) {
  try {
    return new Palette(caps, entries);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Palette::Palette(DWORD caps, const PALETTEENTRY* entries) : caps_(caps) {
  std::memcpy(entries_, entries, sizeof entries_);
  Registry().palettes.push_back(this);
}

Palette::~Palette() { Forget(Registry().palettes, this); }

HRESULT Palette::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (!(riid == IID_IUnknown || riid == IID_IDirectDrawPalette)) return E_NOINTERFACE;
  AddRef();
  *out = static_cast<IDirectDrawPalette*>(this);
  return DD_OK;
}

ULONG Palette::AddRef() { return ++refs_; }

ULONG Palette::Release() {
  if (--refs_ > 0) return refs_;
  delete this;
  return 0;
}

HRESULT Palette::GetCaps(LPDWORD caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = caps_;
  return DD_OK;
}

HRESULT Palette::GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) {
  if (flags || !out || first >= 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
  std::memcpy(out, entries_ + first, count * sizeof(PALETTEENTRY));
  return DD_OK;
}

HRESULT Palette::SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) {
  if (flags || !entries || first >= 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
  std::memcpy(entries_ + first, entries, count * sizeof(PALETTEENTRY));
  if (shownOnScreen_ > 0) CopyToScreen();
  return DD_OK;
}

void Palette::ShowOnScreen(bool shown) {
  shownOnScreen_ += shown ? 1 : -1;
  if (shown) CopyToScreen();
}

void Palette::CopyToScreen() const {
  ScreenBuffer& screen = TheDisplay().Screen();
  if (screen.bitsPerPixel == 8) std::memcpy(screen.palette, entries_, sizeof entries_);
}
