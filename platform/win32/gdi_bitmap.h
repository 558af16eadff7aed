// Inside the platform layer: what the GDI bitmap objects give to the rest of GDI (BitBlt,
// surface device contexts) and the seam through which bitmap resources reach LoadImageA.
#pragma once

#include <windows.h>

#include "ddraw/pixels.h"
#include "win32/bmp_decode.h"
#include "win32/gdi_objects.h"

#include <vector>

// The pixels of a live bitmap handle, or null for anything else (the stock bitmap included:
// it is not a DIB section). Valid until the bitmap is deleted.
const Dib* GdiBitmapDib(HGDIOBJ bitmap);

// The bitmap selected into a live memory device context (the stock bitmap when none was
// selected), or null for a handle that is not one.
HGDIOBJ GdiSelectedBitmap(HDC dc);

// Makes a packed DIB (info header, masks, colour table, pixels: a bitmap resource's bytes)
// loadable by LoadImageA without LR_LOADFROMFILE, under `module` and `name`: a text name,
// compared without regard to case, or a MAKEINTRESOURCEA number. The bytes are copied.
// Registering the same module and name again replaces the entry.
BOOL RegisterBitmapResource(HINSTANCE module, LPCSTR name, const BYTE* dib, DWORD size);

// What a DirectDraw surface lends to GDI through GetDC: where its pixels are at the moment of
// each drawing call.
struct GdiSurfacePixels {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  LONG pitch = 0;
  PixelKind kind = PixelKind::XRGB8888;
  const PALETTEENTRY* palette = nullptr;  // 256 entries of an 8-bit surface; null: the default
};

class GdiSurfaceSource {
 public:
  // False when the surface cannot be drawn on now (lost); the drawing call then fails.
  virtual bool GdiPixels(GdiSurfacePixels& out) = 0;

 protected:
  ~GdiSurfaceSource() = default;
};

// A device context drawing on a surface, until GdiDeleteSurfaceDC; null when out of memory.
HDC GdiCreateSurfaceDC(GdiSurfaceSource* source);
BOOL GdiDeleteSurfaceDC(HDC dc);
// The surface behind a surface device context, or null for any other handle.
GdiSurfaceSource* GdiSurfaceOf(HDC dc);

// The drawing state of a memory or surface device context, or null for any other handle.
struct GdiDrawState {
  COLORREF textColor = 0x000000;
  COLORREF backColor = 0xFFFFFF;
  int backMode = OPAQUE;
  HGDIOBJ font = GdiStockHandle(SYSTEM_FONT);
  HGDIOBJ brush = GdiStockHandle(WHITE_BRUSH);
  HGDIOBJ pen = GdiStockHandle(BLACK_PEN);
  POINT position{};  // MoveToEx, LineTo
  // Where the context's (0, 0) lies on the surface, and, when `clipped`, the only surface
  // rectangles drawing may touch (none: nothing is drawn). Window contexts set both.
  POINT origin{};
  bool clipped = false;
  std::vector<RECT> clip;
};
GdiDrawState* GdiStateOf(HDC dc);
