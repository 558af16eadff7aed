// GDI bitmaps and memory device contexts. Handles are keys into a table of live objects,
// never pointers: a stale, foreign or made-up handle is looked up, not dereferenced, and a
// handle value is never given out twice, so a deleted handle stays invalid.
#include "win32/gdi_bitmap.h"

#include "win32/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

enum class GdiKind { Bitmap, MemoryDC, SurfaceDC };

struct GdiObject {
  GdiKind kind = GdiKind::Bitmap;
  bool stock = false;
  Dib dib;                       // bitmaps
  HDC selectedInto = nullptr;    // bitmaps: the device context holding it
  HGDIOBJ selected = nullptr;    // memory device contexts: the bitmap selected into it
  GdiSurfaceSource* surface = nullptr;  // surface device contexts: the surface drawn on
  GdiDrawState state;            // device contexts: text colour and background
};

constexpr uintptr_t kStockBitmap = 0x00B00010;
constexpr uintptr_t kFirstHandle = 0x00B10000;
constexpr uintptr_t kHandleStep = 8;

struct GdiTable {
  std::unordered_map<uintptr_t, std::unique_ptr<GdiObject>> objects;
  uintptr_t next = kFirstHandle;

  GdiTable() {
    // The 1 x 1 monochrome bitmap every new memory device context starts with.
    auto stock = std::make_unique<GdiObject>();
    stock->stock = true;
    stock->dib.width = stock->dib.height = 1;
    stock->dib.bitCount = 1;
    stock->dib.stride = 4;
    stock->dib.colorCount = 2;
    stock->dib.colors[1] = RGBQUAD{255, 255, 255, 0};
    stock->dib.bits.assign(4, 0);
    objects.emplace(kStockBitmap, std::move(stock));
  }
};

// Never destroyed: the texture table frees its bitmaps from its own exit routine, which may
// run after this file's statics would have been torn down.
GdiTable& Table() {
  static GdiTable* table = new GdiTable;
  return *table;
}

GdiObject* Find(const void* handle, GdiKind kind) {
  auto& objects = Table().objects;
  auto it = objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == objects.end() || it->second->kind != kind) return nullptr;
  return it->second.get();
}

void* Add(std::unique_ptr<GdiObject> object) {
  GdiTable& table = Table();
  const uintptr_t handle = table.next;
  table.objects.emplace(handle, std::move(object));
  table.next += kHandleStep;
  return reinterpret_cast<void*>(handle);
}

struct BitmapResource {
  HINSTANCE module;
  bool byNumber;
  WORD number;
  std::string name;
  std::vector<uint8_t> bytes;
};

std::vector<BitmapResource>& Resources() {
  static auto* resources = new std::vector<BitmapResource>;
  return *resources;
}

bool SameResourceName(const BitmapResource& r, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return r.byNumber && r.number == LOWORD(name);
  return !r.byNumber && ::strcasecmp(r.name.c_str(), name) == 0;
}

const BitmapResource* FindBitmapResource(HINSTANCE module, LPCSTR name) {
  for (const BitmapResource& r : Resources())
    if (r.module == module && SameResourceName(r, name)) return &r;
  return nullptr;
}

// Room for the largest image allowed plus its headers, RLE overhead and a colour profile;
// anything beyond is never needed and counts as missing.
constexpr uint64_t kMaxFileBytes = kDibMaxBytes + (16u << 20);

struct FileBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

bool ReadBitmapFile(LPCSTR name, FileBytes& out) {
  FILE* f = OpenHostFile(name, "rb");
  if (!f) return false;
  bool ok = false;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long end = std::ftell(f);
    if (end > 0 && std::fseek(f, 0, SEEK_SET) == 0) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(end), kMaxFileBytes));
      out.data.reset(new (std::nothrow) uint8_t[want]);
      if (out.data) {
        out.size = std::fread(out.data.get(), 1, want, f);
        ok = out.size > 0;
      }
    }
  }
  std::fclose(f);
  return ok;
}

}  // namespace

BOOL RegisterBitmapResource(HINSTANCE module, LPCSTR name, const BYTE* dib, DWORD size) {
  if (!name || !dib || size == 0) return FALSE;
  try {
    BitmapResource r{module, IS_INTRESOURCE(name), LOWORD(name), {}, {dib, dib + size}};
    if (!r.byNumber) r.name = name;
    auto& all = Resources();
    auto it = std::find_if(all.begin(), all.end(), [&](const BitmapResource& e) {
      return e.module == module && SameResourceName(e, name);
    });
    if (it != all.end())
      *it = std::move(r);
    else
      all.push_back(std::move(r));
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  return TRUE;
}

const Dib* GdiBitmapDib(HGDIOBJ bitmap) {
  const GdiObject* o = Find(bitmap, GdiKind::Bitmap);
  return o && !o->stock ? &o->dib : nullptr;
}

HGDIOBJ GdiSelectedBitmap(HDC dc) {
  const GdiObject* o = Find(dc, GdiKind::MemoryDC);
  return o ? o->selected : nullptr;
}

HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_BITMAP || !name || cx < 0 || cy < 0) return nullptr;
  auto object = std::unique_ptr<GdiObject>(new (std::nothrow) GdiObject);
  if (!object) return nullptr;
  BmpResult result;
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    FileBytes file;
    if (!ReadBitmapFile(name, file)) return nullptr;
    result = DecodeBmpFile(file.data.get(), file.size, object->dib);
  } else {
    const BitmapResource* r = FindBitmapResource(module, name);
    if (!r) return nullptr;
    result = DecodePackedDib(r->bytes.data(), r->bytes.size(), object->dib);
  }
  if (result != BmpResult::Ok) return nullptr;
  if ((cx && cx != object->dib.width) || (cy && cy != object->dib.height)) return nullptr;
  try {
    return Add(std::move(object));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
  if (const int drawn = GdiGetDrawObject(object, size, out); drawn >= 0) return drawn;
  const GdiObject* o = Find(object, GdiKind::Bitmap);
  if (!o) return 0;
  if (!out) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = o->dib.width;
  bm.bmHeight = o->dib.height;
  bm.bmWidthBytes = static_cast<LONG>(o->dib.stride);
  bm.bmPlanes = 1;
  bm.bmBitsPixel = o->dib.bitCount;
  bm.bmBits = o->stock ? nullptr : const_cast<uint8_t*>(o->dib.bits.data());
  std::memcpy(out, &bm, sizeof bm);
  return sizeof bm;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (const int deleted = GdiDeleteDrawObject(object); deleted >= 0) return deleted;
  GdiObject* o = Find(object, GdiKind::Bitmap);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (o->selectedInto) return FALSE;
  Table().objects.erase(reinterpret_cast<uintptr_t>(object));
  return TRUE;
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !Find(dc, GdiKind::MemoryDC)) return nullptr;
  try {
    auto object = std::make_unique<GdiObject>();
    object->kind = GdiKind::MemoryDC;
    object->selected = reinterpret_cast<HGDIOBJ>(kStockBitmap);
    return static_cast<HDC>(Add(std::move(object)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  // Fonts, brushes and pens go into any device context's drawing state.
  if (GdiDrawState* state = GdiStateOf(dc)) {
    switch (GdiDrawObjectKind(object)) {
      case GdiDrawKind::Font: return std::exchange(state->font, object);
      case GdiDrawKind::Brush: return std::exchange(state->brush, object);
      case GdiDrawKind::Pen: return std::exchange(state->pen, object);
      case GdiDrawKind::None: break;
    }
  }
  GdiObject* d = Find(dc, GdiKind::MemoryDC);
  GdiObject* b = Find(object, GdiKind::Bitmap);
  if (!d || !b) return nullptr;
  const HGDIOBJ previous = d->selected;
  if (previous == object) return previous;
  if (!b->stock && b->selectedInto) return nullptr;  // a bitmap lives in one DC at a time
  if (GdiObject* old = Find(previous, GdiKind::Bitmap)) old->selectedInto = nullptr;
  if (!b->stock) b->selectedInto = dc;
  d->selected = object;
  return previous;
}

BOOL DeleteDC(HDC dc) {
  GdiObject* d = Find(dc, GdiKind::MemoryDC);
  if (!d) return FALSE;
  if (GdiObject* b = Find(d->selected, GdiKind::Bitmap)) b->selectedInto = nullptr;
  Table().objects.erase(reinterpret_cast<uintptr_t>(dc));
  return TRUE;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  const GdiObject* d = Find(dc, GdiKind::MemoryDC);
  if (!d || !colors) return 0;
  const GdiObject* b = Find(d->selected, GdiKind::Bitmap);
  if (!b || b->stock || start >= b->dib.colorCount) return 0;
  const UINT n = std::min(count, b->dib.colorCount - start);
  std::memcpy(colors, b->dib.colors + start, n * sizeof(RGBQUAD));
  return n;
}

HDC GdiCreateSurfaceDC(GdiSurfaceSource* source) {
  if (!source) return nullptr;
  try {
    auto object = std::make_unique<GdiObject>();
    object->kind = GdiKind::SurfaceDC;
    object->surface = source;
    return static_cast<HDC>(Add(std::move(object)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

BOOL GdiDeleteSurfaceDC(HDC dc) {
  if (!Find(dc, GdiKind::SurfaceDC)) return FALSE;
  Table().objects.erase(reinterpret_cast<uintptr_t>(dc));
  return TRUE;
}

GdiSurfaceSource* GdiSurfaceOf(HDC dc) {
  GdiObject* o = Find(dc, GdiKind::SurfaceDC);
  return o ? o->surface : nullptr;
}

GdiDrawState* GdiStateOf(HDC dc) {
  if (GdiObject* o = Find(dc, GdiKind::SurfaceDC)) return &o->state;
  if (GdiObject* o = Find(dc, GdiKind::MemoryDC)) return &o->state;
  return nullptr;
}
