// Icons: pictures with alpha kept by handle in a table whose handles are never given out
// twice, drawn blended onto surfaces; and the system's standard icons, drawn here once.
#include "win32/gdi_icon.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "win32/font.h"
#include "win32/gdi_bitmap.h"
#include "win32/gdi_canvas.h"

namespace {

constexpr uintptr_t kFirstIconHandle = 0x18000000;
constexpr uintptr_t kIconHandleStep = 8;
constexpr WORD kFirstStandardIcon = 32512;  // IDI_APPLICATION
constexpr WORD kLastStandardIcon = 32517;   // IDI_WINLOGO
constexpr int kStandardSide = 32;

struct Icon {
  int width = 0;
  int height = 0;
  bool shared = false;  // standard icons outlive DestroyIcon
  std::vector<uint32_t> argb;
};

struct IconTable {
  std::unordered_map<uintptr_t, Icon> icons;
  uintptr_t next = kFirstIconHandle;
  HICON standard[kLastStandardIcon - kFirstStandardIcon + 1] = {};
};

// Never destroyed: window classes may hold icons until the end.
IconTable& Table() {
  static IconTable* table = new IconTable;
  return *table;
}

Icon* Find(HICON icon) {
  auto& icons = Table().icons;
  auto it = icons.find(reinterpret_cast<uintptr_t>(icon));
  return it == icons.end() ? nullptr : &it->second;
}

HICON Add(Icon&& icon) {
  try {
    IconTable& t = Table();
    const uintptr_t handle = t.next;
    t.icons.emplace(handle, std::move(icon));
    t.next += kIconHandleStep;
    return reinterpret_cast<HICON>(handle);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// ---- Drawing the standard icons: shapes with 4 x 4 samples per pixel for smooth edges ----

class Artboard {
 public:
  Artboard() : pixels_(size_t(kStandardSide) * kStandardSide, 0) {}
  std::vector<uint32_t>& Pixels() { return pixels_; }

  // Paints `argb` where `inside(x, y)` holds, pixel centres at half units.
  template <typename Inside>
  void Paint(uint32_t argb, Inside inside) {
    for (int y = 0; y < kStandardSide; ++y)
      for (int x = 0; x < kStandardSide; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx)
            hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) ? 1 : 0;
        if (hits) Over(pixels_[size_t(y) * kStandardSide + size_t(x)], argb, hits * 255 / 16);
      }
  }

  // Text from the UI font, centred on (cx, cy), bold.
  void Glyph(const char* text, int cellHeight, float cx, float cy, uint32_t argb) {
    GlyphRun run;
    if (!RenderTextRun(text, cellHeight, run) || run.width == 0) return;
    const int left = int(std::lround(cx - run.width / 2.0f)), top = int(std::lround(cy - run.height / 2.0f));
    for (int y = 0; y < run.height; ++y)
      for (int x = 0; x <= run.width; ++x) {
        const int a = x < run.width ? run.coverage[size_t(y) * size_t(run.width) + size_t(x)] : 0;
        const int b = x > 0 ? run.coverage[size_t(y) * size_t(run.width) + size_t(x) - 1] : 0;
        const int px = left + x, py = top + y;
        if (px < 0 || py < 0 || px >= kStandardSide || py >= kStandardSide) continue;
        if (const int c = std::max(a, b)) Over(pixels_[size_t(py) * kStandardSide + size_t(px)], argb, c);
      }
  }

 private:
  // Straight-alpha "over" with the colour's coverage.
  static void Over(uint32_t& dst, uint32_t argb, int coverage) {
    const float sa = float(argb >> 24) / 255 * float(coverage) / 255;
    const float da = float(dst >> 24) / 255;
    const float oa = sa + da * (1 - sa);
    if (oa <= 0) return;
    uint32_t out = uint32_t(std::lround(oa * 255)) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
      const float s = float(argb >> shift & 255), d = float(dst >> shift & 255);
      out |= uint32_t(std::lround((s * sa + d * da * (1 - sa)) / oa)) << shift;
    }
    dst = out;
  }

  std::vector<uint32_t> pixels_;
};

auto Disc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

auto Box(float l, float t, float r, float b) {
  return [=](float x, float y) { return x >= l && x < r && y >= t && y < b; };
}

// Within `half` of the segment from (ax, ay) to (bx, by).
auto Stroke(float ax, float ay, float bx, float by, float half) {
  return [=](float x, float y) {
    const float vx = bx - ax, vy = by - ay;
    float t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy);
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = x - (ax + t * vx), dy = y - (ay + t * vy);
    return dx * dx + dy * dy <= half * half;
  };
}

// The triangle pointing up, shrunk by `inset`.
auto Triangle(float inset) {
  return [=](float x, float y) {
    const float top = 2 + inset * 2, bottom = 30 - inset, cx = 16;
    if (y < top || y > bottom) return false;
    const float half = (y - top) * 15 / 28;
    return std::fabs(x - cx) <= half;
  };
}

std::vector<uint32_t> DrawStandard(WORD id) {
  Artboard art;
  constexpr uint32_t kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;
  switch (id) {
    case 32513:  // IDI_HAND: a red disc with a white cross
      art.Paint(0xFF800000, Disc(16, 16, 15));
      art.Paint(0xFFE00000, Disc(16, 16, 13.8f));
      art.Paint(kWhite, Stroke(10.5f, 10.5f, 21.5f, 21.5f, 2.1f));
      art.Paint(kWhite, Stroke(21.5f, 10.5f, 10.5f, 21.5f, 2.1f));
      break;
    case 32515:  // IDI_EXCLAMATION: a yellow triangle with a black '!'
      art.Paint(kBlack, Triangle(0));
      art.Paint(0xFFFFE000, Triangle(1.6f));
      art.Paint(kBlack, Box(14.5f, 10, 17.5f, 22));
      art.Paint(kBlack, Disc(16, 25.5f, 1.8f));
      break;
    case 32516:  // IDI_ASTERISK: a blue disc with a white 'i'
      art.Paint(0xFF000080, Disc(16, 16, 15));
      art.Paint(0xFF2060D0, Disc(16, 16, 13.8f));
      art.Paint(kWhite, Disc(16, 9, 2.2f));
      art.Paint(kWhite, Box(14, 13, 18, 25));
      break;
    case 32514:  // IDI_QUESTION: a white disc with a blue '?'
      art.Paint(0xFF000080, Disc(16, 16, 15));
      art.Paint(kWhite, Disc(16, 16, 13.8f));
      art.Glyph("?", 26, 16, 16, 0xFF0030B0);
      break;
    default:  // IDI_APPLICATION, IDI_WINLOGO: a small window
      art.Paint(kBlack, Box(3, 5, 29, 27));
      art.Paint(kWhite, Box(4, 6, 28, 26));
      art.Paint(0xFF000080, Box(4, 6, 28, 10));
      break;
  }
  return std::move(art.Pixels());
}

}  // namespace

HICON GdiCreateIcon(int width, int height, const uint32_t* argb) {
  if (!argb || width < 1 || height < 1 || width > kGdiMaxIconSide || height > kGdiMaxIconSide)
    return nullptr;
  try {
    Icon icon;
    icon.width = width;
    icon.height = height;
    icon.argb.assign(argb, argb + size_t(width) * size_t(height));
    return Add(std::move(icon));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HICON GdiStandardIcon(WORD id) {
  if (id < kFirstStandardIcon || id > kLastStandardIcon) return nullptr;
  HICON& slot = Table().standard[id - kFirstStandardIcon];
  if (!slot) {
    try {
      Icon icon;
      icon.width = icon.height = kStandardSide;
      icon.shared = true;
      icon.argb = DrawStandard(id);
      slot = Add(std::move(icon));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return slot;
}

bool GdiIconOf(HICON icon, GdiIconPixels& out) {
  const Icon* i = Find(icon);
  if (!i) return false;
  out = GdiIconPixels{i->width, i->height, i->argb.data()};
  return true;
}

HICON CreateIconIndirect(PICONINFO info) {
  if (!info) return nullptr;
  const Dib* color = GdiBitmapDib(info->hbmColor);
  const Dib* mask = GdiBitmapDib(info->hbmMask);
  if (!color || color->width > kGdiMaxIconSide || color->height > kGdiMaxIconSide) return nullptr;
  const int w = color->width, h = color->height;
  // A 32-bit picture with any alpha in its top byte carries its own transparency.
  bool ownAlpha = color->bitCount == 32 && color->alpha.bits;
  if (color->bitCount == 32 && !ownAlpha)
    for (int y = 0; y < h && !ownAlpha; ++y)
      for (int x = 0; x < w && !ownAlpha; ++x) ownAlpha = DibRow(*color, y)[4 * x + 3] != 0;
  std::vector<uint32_t> pixels;
  try {
    pixels.resize(size_t(w) * size_t(h));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      RGBQUAD q{};
      DibPixelRGB(*color, x, y, q);
      uint32_t alpha = 255;
      if (ownAlpha) {
        alpha = color->alpha.bits ? q.rgbReserved : DibRow(*color, y)[4 * x + 3];
      } else if (mask) {
        RGBQUAD m{};
        // Mask bits set keep the screen: those pixels are transparent.
        if (DibPixelRGB(*mask, x, y, m) && m.rgbRed > 127) alpha = 0;
      }
      pixels[size_t(y) * size_t(w) + size_t(x)] =
          alpha << 24 | uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    }
  return GdiCreateIcon(w, h, pixels.data());
}

BOOL DestroyIcon(HICON icon) {
  Icon* i = Find(icon);
  if (!i) return FALSE;
  if (!i->shared) Table().icons.erase(reinterpret_cast<uintptr_t>(icon));
  return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, HBRUSH,
                UINT flags) {
  GdiIconPixels pixels;
  if (!GdiIconOf(icon, pixels) || width < 0 || height < 0) return FALSE;
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return FALSE;
  if (width == 0) width = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : pixels.width;
  if (height == 0) height = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : pixels.height;
  width = std::min(width, 4 * kGdiMaxIconSide);
  height = std::min(height, 4 * kGdiMaxIconSide);
  const bool opaque = (flags & DI_NORMAL) == DI_IMAGE;
  const RECT place = canvas.ToSurface(GdiOffsetRect(RECT{0, 0, width, height}, x, y));
  const int64_t ox = canvas.SurfaceX(x), oy = canvas.SurfaceY(y);
  canvas.ForEachPart(place, [&](const RECT& r) {
    for (LONG sy = r.top; sy < r.bottom; ++sy) {
      const int iy = int((sy - oy) * pixels.height / height);
      for (LONG sx = r.left; sx < r.right; ++sx) {
        const int ix = int((sx - ox) * pixels.width / width);
        const uint32_t p = pixels.argb[size_t(iy) * size_t(pixels.width) + size_t(ix)];
        canvas.Blend(sx, sy, p | 0xFF000000u, opaque ? 255 : int(p >> 24));
      }
    }
  });
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
