// Brushes, pens and fonts: the stock ones and the system-colour brushes at fixed handles, the
// created ones in a table of live objects whose handles are never given out twice.
#include "win32/gdi_objects.h"

#include "win32/font.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <unordered_map>

namespace {

// The classic grey scheme, by COLOR_ index (25 is unused).
constexpr COLORREF kSysColors[] = {
    0xC0C0C0,  // COLOR_SCROLLBAR
    0x808000,  // COLOR_BACKGROUND (teal)
    0x800000,  // COLOR_ACTIVECAPTION (navy)
    0x808080,  // COLOR_INACTIVECAPTION
    0xC0C0C0,  // COLOR_MENU
    0xFFFFFF,  // COLOR_WINDOW
    0x000000,  // COLOR_WINDOWFRAME
    0x000000,  // COLOR_MENUTEXT
    0x000000,  // COLOR_WINDOWTEXT
    0xFFFFFF,  // COLOR_CAPTIONTEXT
    0xC0C0C0,  // COLOR_ACTIVEBORDER
    0xC0C0C0,  // COLOR_INACTIVEBORDER
    0x808080,  // COLOR_APPWORKSPACE
    0x800000,  // COLOR_HIGHLIGHT
    0xFFFFFF,  // COLOR_HIGHLIGHTTEXT
    0xC0C0C0,  // COLOR_BTNFACE
    0x808080,  // COLOR_BTNSHADOW
    0x808080,  // COLOR_GRAYTEXT
    0x000000,  // COLOR_BTNTEXT
    0xC0C0C0,  // COLOR_INACTIVECAPTIONTEXT
    0xFFFFFF,  // COLOR_BTNHIGHLIGHT
    0x000000,  // COLOR_3DDKSHADOW
    0xC0C0C0,  // COLOR_3DLIGHT
    0x000000,  // COLOR_INFOTEXT
    0xE1FFFF,  // COLOR_INFOBK
    0x000000,  // unused
    0x800000,  // COLOR_HOTLIGHT
    0xD08410,  // COLOR_GRADIENTACTIVECAPTION
    0xB5B5B5,  // COLOR_GRADIENTINACTIVECAPTION
    0x800000,  // COLOR_MENUHILIGHT
    0xC0C0C0,  // COLOR_MENUBAR
};
constexpr int kSysColorCount = int(std::size(kSysColors));

// System-colour brushes sit at this base plus their index; created objects from kFirstHandle.
constexpr uintptr_t kSysBrushBase = 0x00B00200;
constexpr uintptr_t kFirstHandle = 0x10000000;
constexpr uintptr_t kHandleStep = 8;

constexpr COLORREF kStockBrushColors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};

struct DrawObject {
  GdiDrawKind kind = GdiDrawKind::None;
  COLORREF color = 0;     // brushes and pens
  bool visible = true;    // pens
  LOGFONTA font{};        // fonts
};

struct ObjectTable {
  std::unordered_map<uintptr_t, DrawObject> objects;
  uintptr_t next = kFirstHandle;
};

// Never destroyed: objects may be used by exit routines.
ObjectTable& Table() {
  static ObjectTable* table = new ObjectTable;
  return *table;
}

const DrawObject* Find(HGDIOBJ handle) {
  auto& objects = Table().objects;
  auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == objects.end() ? nullptr : &it->second;
}

void* Add(const DrawObject& object) {
  try {
    ObjectTable& t = Table();
    const uintptr_t handle = t.next;
    t.objects.emplace(handle, object);
    t.next += kHandleStep;
    return reinterpret_cast<void*>(handle);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The stock index of a handle, or -1.
int StockIndex(HGDIOBJ handle) {
  const uintptr_t h = reinterpret_cast<uintptr_t>(handle);
  if (h < kGdiStockBase || h > kGdiStockBase + DEFAULT_GUI_FONT) return -1;
  const int index = int(h - kGdiStockBase);
  return index == 9 ? -1 : index;
}

int SysBrushIndex(HGDIOBJ handle) {
  const uintptr_t h = reinterpret_cast<uintptr_t>(handle);
  if (h < kSysBrushBase || h >= kSysBrushBase + kSysColorCount) return -1;
  return int(h - kSysBrushBase);
}

bool IsStockFont(int index) { return index >= OEM_FIXED_FONT && index != DEFAULT_PALETTE; }

GdiFontSpec SpecOf(const LOGFONTA& f) {
  GdiFontSpec shape;
  if (f.lfHeight > 0) shape.cellHeight = f.lfHeight;
  if (f.lfHeight < 0) shape.cellHeight = TextCellForEm(int(std::min<int64_t>(-int64_t(f.lfHeight), 512)));
  shape.cellHeight = std::clamp(shape.cellHeight, 1, kMaxTextPixelHeight);
  shape.bold = f.lfWeight >= FW_SEMIBOLD;
  shape.underline = f.lfUnderline != 0;
  return shape;
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  if (index < WHITE_BRUSH || index > DEFAULT_GUI_FONT || index == 9) return nullptr;
  return GdiStockHandle(index);
}

DWORD GetSysColor(int index) {
  return index >= 0 && index < kSysColorCount ? kSysColors[index] : 0;
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return reinterpret_cast<HBRUSH>(kSysBrushBase + uintptr_t(index));
}

GdiDrawKind GdiDrawObjectKind(HGDIOBJ object) {
  const int stock = StockIndex(object);
  if (stock >= 0) {
    if (stock <= NULL_BRUSH) return GdiDrawKind::Brush;
    if (stock <= NULL_PEN) return GdiDrawKind::Pen;
    return IsStockFont(stock) ? GdiDrawKind::Font : GdiDrawKind::None;
  }
  if (SysBrushIndex(object) >= 0) return GdiDrawKind::Brush;
  const DrawObject* o = Find(object);
  return o ? o->kind : GdiDrawKind::None;
}

bool GdiBrushColor(HBRUSH brush, COLORREF& out) {
  const uintptr_t h = reinterpret_cast<uintptr_t>(brush);
  if (h >= 1 && h <= uintptr_t(kSysColorCount)) {  // COLOR_ index + 1
    out = kSysColors[h - 1];
    return true;
  }
  const int stock = StockIndex(brush);
  if (stock >= 0) {
    if (stock >= NULL_BRUSH) return false;
    out = kStockBrushColors[stock];
    return true;
  }
  if (const int sys = SysBrushIndex(brush); sys >= 0) {
    out = kSysColors[sys];
    return true;
  }
  const DrawObject* o = Find(brush);
  if (!o || o->kind != GdiDrawKind::Brush) return false;
  out = o->color;
  return true;
}

bool GdiPenOf(HGDIOBJ pen, GdiPenSpec& out) {
  switch (StockIndex(pen)) {
    case WHITE_PEN: out = GdiPenSpec{0xFFFFFF, true}; return true;
    case BLACK_PEN: out = GdiPenSpec{0x000000, true}; return true;
    case NULL_PEN: out = GdiPenSpec{0, false}; return true;
  }
  const DrawObject* o = Find(pen);
  if (!o || o->kind != GdiDrawKind::Pen) return false;
  out = GdiPenSpec{o->color, o->visible};
  return true;
}

bool GdiFontOf(HGDIOBJ font, GdiFontSpec& out) {
  out = GdiFontSpec{};
  const int stock = StockIndex(font);
  if (stock >= 0 && IsStockFont(stock)) {
    if (stock == DEFAULT_GUI_FONT || stock == ANSI_VAR_FONT) out.cellHeight = kGdiGuiFontHeight;
    // The system font, every new DC's font, is Windows' bold one.
    if (stock == SYSTEM_FONT || stock == DEVICE_DEFAULT_FONT) out.bold = true;
    return true;
  }
  const DrawObject* o = Find(font);
  if (!o || o->kind != GdiDrawKind::Font) return false;
  out = SpecOf(o->font);
  return true;
}

int GdiDeleteDrawObject(HGDIOBJ object) {
  switch (GdiDrawObjectKind(object)) {
    case GdiDrawKind::None: return -1;
    default: break;
  }
  // Stock and system objects stay; deleting them is harmless.
  Table().objects.erase(reinterpret_cast<uintptr_t>(object));
  return TRUE;
}

int GdiGetDrawObject(HGDIOBJ object, int size, void* out) {
  const GdiDrawKind kind = GdiDrawObjectKind(object);
  if (kind == GdiDrawKind::None) return -1;
  if (kind != GdiDrawKind::Font) return 0;
  LOGFONTA f{};
  if (const DrawObject* o = Find(object)) {
    f = o->font;
  } else {
    GdiFontSpec shape;
    GdiFontOf(object, shape);
    f.lfHeight = shape.cellHeight;
    f.lfWeight = shape.bold ? FW_BOLD : FW_NORMAL;
    f.lfCharSet = DEFAULT_CHARSET;
  }
  if (!out) return int(sizeof f);
  if (size < int(sizeof f)) return 0;
  std::memcpy(out, &f, sizeof f);
  return int(sizeof f);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  DrawObject o;
  o.kind = GdiDrawKind::Brush;
  o.color = color & 0x00FFFFFF;
  return static_cast<HBRUSH>(Add(o));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME || width < 0) return nullptr;
  DrawObject o;
  o.kind = GdiDrawKind::Pen;
  o.color = color & 0x00FFFFFF;
  o.visible = style != PS_NULL;
  return static_cast<HPEN>(Add(o));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  DrawObject o;
  o.kind = GdiDrawKind::Font;
  o.font = *font;
  o.font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return static_cast<HFONT>(Add(o));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR faceName) {
  LOGFONTA f{};
  f.lfHeight = height;
  f.lfWidth = width;
  f.lfEscapement = escapement;
  f.lfOrientation = orientation;
  f.lfWeight = weight;
  f.lfItalic = BYTE(italic);
  f.lfUnderline = BYTE(underline);
  f.lfStrikeOut = BYTE(strikeOut);
  f.lfCharSet = BYTE(charSet);
  f.lfOutPrecision = BYTE(outPrecision);
  f.lfClipPrecision = BYTE(clipPrecision);
  f.lfQuality = BYTE(quality);
  f.lfPitchAndFamily = BYTE(pitchAndFamily);
  if (faceName) std::strncpy(f.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&f);
}
