// Inside DirectDraw: the objects behind the interfaces and the state they share.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <vector>

#include "ddraw/pixels.h"
#include "machine/profile.h"
#include "win32/gdi_bitmap.h"
#include "win32/nothrow.h"

class DirectDrawObject;
class Surface;
class Clipper;
class Palette;

// Where a surface's pixels are right now.
struct Plane {
  uint8_t* bits = nullptr;
  LONG pitch = 0;
  DWORD width = 0;
  DWORD height = 0;
  PixelFormat format;
};

class DirectDrawObject final : public IDirectDraw, public IDirectDraw4 {
 public:
  explicit DirectDrawObject(const ProfileDriver& driver);

  // IUnknown, for both interfaces.
  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDirectDraw.
  HRESULT GetCaps(LPDDCAPS driver, LPDDCAPS emulation) override;
  HRESULT GetDisplayMode(LPDDSURFACEDESC mode) override;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) override;
  HRESULT RestoreDisplayMode() override;

  // IDirectDraw4.
  HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) override;
  HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out,
                        IUnknown* outer) override;
  HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE4* out, IUnknown* outer) override;
  HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                           LPDDENUMMODESCALLBACK2 callback) override;
  HRESULT FlipToGDISurface() override;
  HRESULT GetDisplayMode(LPDDSURFACEDESC2 mode) override;
  HRESULT GetGDISurface(LPDIRECTDRAWSURFACE4* out) override;
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                         DWORD flags) override;
  HRESULT GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) override;
  HRESULT RestoreAllSurfaces() override;
  HRESULT TestCooperativeLevel() override;

  IDirectDraw4* Interface4() { return this; }
  // The driver this object was made for, as the machine profile names it.
  const GUID& DriverGuid() const { return driverGuid_; }
  bool PrimaryDriver() const { return primaryDriver_; }
  bool Exclusive() const;
  // Forgets a surface that is going away.
  void SurfaceGone(Surface* surface);
  Surface* Primary() const { return primary_; }

 private:
  ~DirectDrawObject();
  HRESULT ChangeMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                     DWORD flags);
  // Gives the screen back to the desktop if this object had changed the mode.
  void ReturnToDesktop();
  // The exclusive window covers the whole screen, frameless and above the others; it gets its
  // own style back when exclusive mode ends.
  void CoverScreen();
  void UncoverScreen();

  ULONG refs_ = 1;
  GUID driverGuid_{};
  bool primaryDriver_ = true;
  DDCAPS hardwareCaps_{};
  DDCAPS emulationCaps_{};
  DWORD level_ = 0;  // DDSCL_ flags; 0 until set
  HWND window_ = nullptr;
  bool changedMode_ = false;
  HWND covered_ = nullptr;  // the window made to cover the screen, and its own styles
  LONG_PTR coveredStyle_ = 0, coveredExStyle_ = 0;
  Surface* primary_ = nullptr;
  std::vector<Surface*> surfaces_;
  friend class Surface;
};

class Surface final : public IDirectDrawSurface4, private GdiSurfaceSource {
 public:
  enum class Memory { Video, System, Managed };

  struct Params {
    DirectDrawObject* owner = nullptr;
    DDSCAPS2 caps{};
    DWORD width = 0;
    DWORD height = 0;
    PixelFormat format;
    Memory memory = Memory::Video;
    bool primary = false;
    DWORD textureStage = 0;
    LONG pitch = 0;  // 0: chosen from the width
  };

  // Allocates the pixels; null when out of memory.
  static Surface* Make(const Params& params);

  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) override;
  HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect, DWORD flags,
              LPDDBLTFX fx) override;
  HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source, LPRECT sourceRect,
                  DWORD flags) override;
  HRESULT DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE4 surface) override;
  HRESULT EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK2 callback) override;
  HRESULT Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) override;
  HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE4* out) override;
  HRESULT GetCaps(LPDDSCAPS2 caps) override;
  HRESULT GetClipper(LPDIRECTDRAWCLIPPER* out) override;
  HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT GetDC(HDC* out) override;
  HRESULT GetPalette(LPDIRECTDRAWPALETTE* out) override;
  HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override;
  HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
  HRESULT IsLost() override;
  HRESULT Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT Restore() override;
  HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
  HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
  HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) override;
  HRESULT Unlock(LPRECT rect) override;
  HRESULT GetDDInterface(LPVOID* out) override;

  // Adds `count` back buffers sharing this primary's lifetime; false when out of memory.
  bool MakeFlipChain(DWORD count, DWORD backCaps);
  // Flips until the buffer the desktop was drawn in is on screen again.
  void ShowGdiBuffer();
  // The surface is lost; Restore brings it back.
  void Lose() { lost_ = true; }
  bool InVideoMemory() const { return memory_ == Memory::Video; }
  bool IsPrimary() const { return primary_; }
  bool Orphaned() const { return orphan_; }
  // The owning DirectDraw object is going away: the surface keeps only its references.
  void Orphan();
  // Current pixels; false for a lost or orphaned surface.
  bool GetPlane(Plane& out);
  const PixelFormat& Format() const { return format_; }
  // The colours of an 8-bit surface: its palette, the screen's for an 8-bit primary, or null.
  const PALETTEENTRY* Colors(bool* alpha = nullptr) const;
  bool Busy() const { return locked_ || dc_; }
  Surface* DepthAttachment() const;
  Palette* AttachedPalette() const { return palette_; }
  DirectDrawObject* Owner() const { return owner_; }
  // Counts changes to the pixels or the palette, so readers can cache what they derive.
  uint64_t Version() const { return version_; }

 private:
  explicit Surface(const Params& params);
  ~Surface();
  bool GdiPixels(GdiSurfacePixels& out) override;
  void Destroy();
  Surface* ChainRoot() { return root_ ? root_ : this; }
  HRESULT CheckUsable() const;
  // Blt and BltFast; BltFast keeps to the surface and ignores the clipper.
  HRESULT DoBlt(const RECT* destRect, LPDIRECTDRAWSURFACE4 source, const RECT* sourceRect,
                DWORD flags, const DDBLTFX* fx, bool useClipper);
  HRESULT CopyFrom(Surface* source, const RECT& dest, const RECT& src, const RECT& clip,
                   const DDCOLORKEY* key);
  HRESULT Fill(const RECT& clip, DWORD value);
  // The parts of `dest` a blit draws in: the surface's bounds, and on the primary the parts of
  // the clipper's window that show. False when `dest` leaves an unclipped surface.
  bool ClipFor(const RECT& dest, bool useClipper, std::vector<RECT>& parts);
  HRESULT Present();  // the injected loss at presentation
  void RotateChain(Surface* target);  // a flip: the back buffer (or target) goes on screen
  void ReleaseResources();            // clipper, palette, attachments, device context, lock

  ULONG refs_ = 1;
  DirectDrawObject* owner_;
  DDSCAPS2 caps_;
  DWORD width_, height_;
  PixelFormat format_;
  Memory memory_;
  bool primary_;
  DWORD textureStage_;
  LONG pitch_ = 0;
  std::vector<uint8_t> pixels_;  // the primary's are the screen's
  uint32_t buffer_ = 0;          // which flip buffer the pixels are (the primary's: on screen)
  uint32_t gdiBuffer_ = 0;       // the primary: the buffer the desktop was drawn in
  DWORD createdWidth_ = 0, createdHeight_ = 0, createdBits_ = 0;  // the mode a primary was made in

  Surface* root_ = nullptr;      // flip-chain members: the primary they belong to
  std::vector<Surface*> chain_;  // the primary: its back buffers, nearest first
  std::vector<Surface*> attached_;  // attached by AddAttachedSurface, one reference each
  std::vector<RECT> clipParts_;     // the last blit's parts, kept so that blits reuse the room
  Clipper* clipper_ = nullptr;
  Palette* palette_ = nullptr;
  DDCOLORKEY sourceKey_{};
  bool hasSourceKey_ = false;

  uint64_t version_ = 1;
  bool lost_ = false;
  bool orphan_ = false;
  bool locked_ = false;
  DWORD lockKey_ = 0;
  HDC dc_ = nullptr;
};

class Clipper final : public IDirectDrawClipper {
 public:
  static Clipper* Make();
  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetHWnd(HWND* out) override;
  HRESULT SetHWnd(DWORD flags, HWND window) override;
  HWND Window() const { return window_; }

 private:
  Clipper();
  ~Clipper();
  ULONG refs_ = 1;
  HWND window_ = nullptr;
};

class Palette final : public IDirectDrawPalette {
 public:
  static Palette* Make(DWORD caps, const PALETTEENTRY* entries);
  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetCaps(LPDWORD caps) override;
  HRESULT GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) override;
  HRESULT SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;
  const PALETTEENTRY* Entries() const { return entries_; }
  bool HasAlpha() const { return caps_ & DDPCAPS_ALPHA; }
  // The primary of an 8-bit mode shows its palette: entries set later reach the screen too.
  void ShowOnScreen(bool shown);

 private:
  Palette(DWORD caps, const PALETTEENTRY* entries);
  ~Palette();
  void CopyToScreen() const;
  ULONG refs_ = 1;
  DWORD caps_;
  PALETTEENTRY entries_[256];
  int shownOnScreen_ = 0;
};

// Our objects behind foreign-looking pointers: null for a pointer that is not a live one of
// ours, so a stale or foreign interface is refused instead of followed.
DirectDrawObject* LiveDirectDraw(const void* p);
Surface* LiveSurface(IDirectDrawSurface4* p);
Clipper* LiveClipper(IDirectDrawClipper* p);
Palette* LivePalette(IDirectDrawPalette* p);

// Live objects of each kind, for the registries above and the tests.
struct DdRegistry {
  std::vector<DirectDrawObject*> directDraws;
  std::vector<Surface*> surfaces;
  std::vector<Clipper*> clippers;
  std::vector<Palette*> palettes;
  DirectDrawObject* exclusiveOwner = nullptr;  // the object holding exclusive full-screen mode
  DWORD lastModeFlags = 0;  // flags of the last SetDisplayMode that changed the mode
};
DdRegistry& Registry();

template <class T>
void Forget(std::vector<T*>& list, T* item) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == item) {
      list[i] = list.back();
      list.pop_back();
      return;
    }
}

// Every surface in video memory of every DirectDraw object is lost (a display-mode change).
void LoseVideoSurfaces();

// The window's client area in screen coordinates; false for a window that is gone.
bool WindowClientOnScreen(HWND window, RECT& out);
// What of the window's client area shows on the screen (screen coordinates): the rectangles a
// clipper bound to it draws in. Empty for a window that is gone or covered.
std::vector<RECT> WindowClipList(HWND window);

// Lock's address keys.
DWORD RegisterSurfaceAddress(void* address);
void ForgetSurfaceAddress(DWORD key);

// A one-shot injected failure: counts down and fires on 1.
inline bool CountDown(int& counter) {
  if (counter <= 0) return false;
  return --counter == 0;
}
