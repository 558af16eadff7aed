// Inside the platform layer: icons as GDI objects. Resource loaders make icons from their
// pixels here; the system's standard icons are drawn here once and shared.
#pragma once

#include <windows.h>

#include <cstdint>

// The largest icon side accepted.
constexpr int kGdiMaxIconSide = 256;

// A new icon from width x height pixels 0xAARRGGBB, rows top first (alpha 0 is transparent,
// 255 opaque, between blended). Null for sizes outside 1..kGdiMaxIconSide, null pixels or no
// memory. DestroyIcon frees it.
HICON GdiCreateIcon(int width, int height, const uint32_t* argb);

// The shared icon of a standard IDI_ number (32512..32517), made at first use; null for other
// numbers.
HICON GdiStandardIcon(WORD id);

// The pixels of a live icon, valid until it is destroyed; false for anything else.
struct GdiIconPixels {
  int width = 0;
  int height = 0;
  const uint32_t* argb = nullptr;
};
bool GdiIconOf(HICON icon, GdiIconPixels& out);
