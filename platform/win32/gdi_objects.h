// Inside the platform layer: brushes, pens and fonts as GDI objects, the stock objects and the
// system colours, as the drawing calls and device contexts see them.
#pragma once

#include <windows.h>

#include <cstdint>

// Stock objects have fixed handles: this base plus the GetStockObject index.
constexpr uintptr_t kGdiStockBase = 0x00B00100;
inline HGDIOBJ GdiStockHandle(int index) {
  return reinterpret_cast<HGDIOBJ>(kGdiStockBase + uintptr_t(index));
}

// The cell height of SYSTEM_FONT, the font of a new device context.
constexpr int kGdiSystemFontHeight = 16;
// The cell height of DEFAULT_GUI_FONT, the font of windows and dialogs.
constexpr int kGdiGuiFontHeight = 13;

struct GdiFontSpec {
  int cellHeight = kGdiSystemFontHeight;  // ascent + descent in pixels
  bool bold = false;
  bool underline = false;
};

struct GdiPenSpec {
  COLORREF color = 0;
  bool visible = true;  // false for PS_NULL
};

enum class GdiDrawKind { None, Brush, Pen, Font };

// What a handle is among brushes, pens and fonts (stock or created).
GdiDrawKind GdiDrawObjectKind(HGDIOBJ object);
// The colour of a brush: stock, system-colour, created, or a COLOR_ index + 1. False for
// NULL_BRUSH and anything that is not a brush.
bool GdiBrushColor(HBRUSH brush, COLORREF& out);
bool GdiPenOf(HGDIOBJ pen, GdiPenSpec& out);
// The font a handle stands for; anything that is not a font gives the system font (false).
bool GdiFontOf(HGDIOBJ font, GdiFontSpec& out);

// DeleteObject and GetObjectA for brushes, pens and fonts: -1 when the handle is none of
// them, so that the bitmap table answers.
int GdiDeleteDrawObject(HGDIOBJ object);
int GdiGetDrawObject(HGDIOBJ object, int size, void* out);
