// Icons of a module's resources: the group icon picks the image nearest the standard icon
// size, whose device-independent bitmap (colour rows, then the AND mask) becomes a GDI icon.
// Loaded icons are shared, as LoadIconA's are, and made once.
#include "win32/gdi_icon.h"
#include "win32/module_resources.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr size_t kGroupHeader = 6;
constexpr size_t kGroupEntry = 14;

WORD Word(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }
DWORD Dword(const BYTE* p) { return DWORD(Word(p)) | (DWORD(Word(p + 2)) << 16); }

// The image of the group nearest `want` pixels across, the deepest of equals; 0 when none.
WORD PickImage(const BYTE* group, DWORD size, int want) {
  if (size < kGroupHeader || Word(group) != 0 || Word(group + 2) != 1) return 0;
  const WORD count = Word(group + 4);
  WORD best = 0;
  int bestDistance = 0, bestBits = 0;
  for (WORD i = 0; i < count; ++i) {
    const size_t at = kGroupHeader + size_t(i) * kGroupEntry;
    if (at + kGroupEntry > size) break;
    const BYTE* e = group + at;
    const int width = e[0] ? e[0] : 256;
    const int bits = Word(e + 6);
    const int distance = std::abs(width - want);
    if (!best || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
      best = Word(e + 12);
      bestDistance = distance;
      bestBits = bits;
    }
  }
  return best;
}

// Colour rows and mask of an icon image into ARGB pixels, rows top first; false when the
// image is not one this layer reads or is cut short.
bool DecodeImage(const BYTE* data, DWORD size, int& width, int& height,
                 std::vector<uint32_t>& argb) {
  BITMAPINFOHEADER h;
  if (size < sizeof h) return false;
  std::memcpy(&h, data, sizeof h);
  width = h.biWidth;
  height = h.biHeight / 2;
  const int bits = h.biBitCount;
  if (h.biSize < sizeof h || h.biSize > size || h.biCompression != BI_RGB || width <= 0 ||
      height <= 0 || width > kGdiMaxIconSide || height > kGdiMaxIconSide ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
    return false;
  const size_t colours = bits <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bits) ? h.biClrUsed
                                                                                 : 1u << bits)
                                   : 0;
  const size_t table = h.biSize;
  const size_t stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
  const size_t maskStride = (size_t(width) + 31) / 32 * 4;
  const size_t pixels = table + colours * 4;
  const size_t mask = pixels + stride * size_t(height);
  if (mask + maskStride * size_t(height) > size) return false;

  argb.assign(size_t(width) * size_t(height), 0);
  bool anyAlpha = false;
  for (int row = 0; row < height; ++row) {
    const BYTE* src = data + pixels + size_t(height - 1 - row) * stride;
    for (int x = 0; x < width; ++x) {
      uint32_t c = 0;
      if (bits == 32) {
        c = Dword(src + x * 4);
        anyAlpha |= (c >> 24) != 0;
      } else if (bits == 24) {
        c = uint32_t(src[x * 3]) | uint32_t(src[x * 3 + 1]) << 8 | uint32_t(src[x * 3 + 2]) << 16;
      } else {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        const size_t index = (src[x / perByte] >> shift) & ((1 << bits) - 1);
        if (index < colours) c = Dword(data + table + index * 4) & 0xFFFFFF;
      }
      argb[size_t(row) * size_t(width) + size_t(x)] = c;
    }
  }
  // Without alpha of its own, the AND mask says what shows.
  for (int row = 0; row < height; ++row) {
    const BYTE* m = data + mask + size_t(height - 1 - row) * maskStride;
    for (int x = 0; x < width; ++x) {
      uint32_t& c = argb[size_t(row) * size_t(width) + size_t(x)];
      if (anyAlpha) continue;
      const bool clear = m[x / 8] & (0x80 >> (x % 8));
      c = clear ? 0 : (c | 0xFF000000u);
    }
  }
  return true;
}

struct IconKey {
  HINSTANCE module;
  bool byNumber;
  WORD number;
  std::string text;
  bool operator<(const IconKey& o) const {
    return std::tie(module, byNumber, number, text) < std::tie(o.module, o.byNumber, o.number, o.text);
  }
};

std::map<IconKey, HICON>& Loaded() {
  static auto* loaded = new std::map<IconKey, HICON>;
  return *loaded;
}

}  // namespace

HICON LoadModuleIcon(HINSTANCE module, LPCSTR name) {
  if (!name || !module) return nullptr;
  IconKey key{module, IS_INTRESOURCE(name), 0, {}};
  if (key.byNumber)
    key.number = WORD(reinterpret_cast<ULONG_PTR>(name));
  else
    key.text = name;
  auto& loaded = Loaded();
  if (auto it = loaded.find(key); it != loaded.end()) {
    GdiIconPixels still;
    if (GdiIconOf(it->second, still)) return it->second;
    loaded.erase(it);
  }
  DWORD groupSize = 0;
  const BYTE* group = FindModuleResource(module, name, RT_GROUP_ICON, &groupSize);
  const WORD image = group ? PickImage(group, groupSize, GetSystemMetrics(SM_CXICON)) : 0;
  if (!image) return nullptr;
  DWORD imageSize = 0;
  const BYTE* bytes = FindModuleResource(module, MAKEINTRESOURCEA(image), RT_ICON, &imageSize);
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
  if (!bytes || !DecodeImage(bytes, imageSize, width, height, argb)) return nullptr;
  HICON icon = GdiCreateIcon(width, height, argb.data());
  if (icon) loaded[key] = icon;
  return icon;
}
