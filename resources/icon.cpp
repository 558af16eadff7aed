// The program's icon, drawn from a few shapes: a small figure standing on a blue disc, with a
// dark outline so that it reads at 32 x 32 on any background.
#include "resources/resources.h"

#include <cmath>

namespace {

constexpr DWORD kOpaque = 0xFF000000;
constexpr DWORD kOutline = 0xFF141414;
constexpr DWORD kRim = 0xFF0B1F4A;
constexpr DWORD kShadow = 0xFF17336E;
constexpr DWORD kSkin = 0xFFF2C9A0;
constexpr DWORD kHair = 0xFF5A3A1E;
constexpr DWORD kDress = 0xFFD8403A;
constexpr DWORD kBelt = 0xFF8C1E1A;

float Sq(float v) { return v * v; }

// The disc's colour at a row: lighter at the top, as if lit from above.
DWORD DiscColour(int y) {
  const float t = float(y) / float(IconSize - 1);
  const auto mix = [t](int top, int bottom) { return DWORD(float(top) + (float(bottom - top)) * t); };
  return kOpaque | (mix(0x4A, 0x1C) << 16) | (mix(0x80, 0x3F) << 8) | mix(0xD8, 0x86);
}

// The figure at a pixel centre, or 0 where there is none.
DWORD FigureAt(float x, float y) {
  const float head = Sq(x - 16.0f) + Sq(y - 10.0f);
  if (head <= Sq(4.2f) && y < 9.0f) return kHair;
  if (head <= Sq(3.7f)) return kSkin;
  if (y >= 14.0f && y < 25.0f) {
    const float half = 2.5f + (y - 14.0f) * 0.45f;
    if (std::fabs(x - 16.0f) <= half) return (y >= 17.0f && y < 18.0f) ? kBelt : kDress;
    // Arms hang beside the dress's upper part.
    const float arm = std::fabs(x - 16.0f) - half;
    if (y < 21.0f && arm > 0.5f && arm <= 2.0f) return kSkin;
  }
  if (y >= 25.0f && y < 28.0f && (std::fabs(x - 14.0f) <= 1.0f || std::fabs(x - 18.0f) <= 1.0f))
    return kSkin;
  return 0;
}

bool InDisc(float x, float y, float radius) {
  return Sq(x - 16.0f) + Sq(y - 16.0f) <= Sq(radius);
}

}  // namespace

void DrawProgramIcon(DWORD* pixels) {
  DWORD figure[IconSize * IconSize];
  for (int y = 0; y < IconSize; ++y)
    for (int x = 0; x < IconSize; ++x)
      figure[y * IconSize + x] = FigureAt(float(x) + 0.5f, float(y) + 0.5f);

  for (int y = 0; y < IconSize; ++y) {
    for (int x = 0; x < IconSize; ++x) {
      const float cx = float(x) + 0.5f, cy = float(y) + 0.5f;
      DWORD& out = pixels[y * IconSize + x];
      if (!InDisc(cx, cy, 15.5f)) {
        out = 0;
        continue;
      }
      if (const DWORD f = figure[y * IconSize + x]) {
        out = f;
        continue;
      }
      const auto figureAt = [&figure](int px, int py) {
        return px >= 0 && py >= 0 && px < IconSize && py < IconSize && figure[py * IconSize + px];
      };
      if (figureAt(x - 1, y) || figureAt(x + 1, y) || figureAt(x, y - 1) || figureAt(x, y + 1)) {
        out = kOutline;
      } else if (!InDisc(cx, cy, 14.3f)) {
        out = kRim;
      } else if (Sq((cx - 16.0f) / 8.5f) + Sq((cy - 28.0f) / 1.8f) <= 1.0f) {
        out = kShadow;
      } else {
        out = DiscColour(y);
      }
    }
  }
}
