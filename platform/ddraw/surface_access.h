// What the Direct3D layer sees of DirectDraw's surfaces beyond the interfaces: where a surface's
// pixels are for drawing, its depth buffer and its colours. No references change hands.
#pragma once

#include <ddraw.h>

#include <cstdint>

#include "ddraw/pixels.h"

struct DdSurfacePixels {
  uint8_t* bits = nullptr;  // row 0 first; valid until the surface is flipped, lost or released
  LONG pitch = 0;
  DWORD width = 0;
  DWORD height = 0;
  PixelFormat format;
  bool primary = false;  // the screen itself (a windowed device draws at the window's place)
};

// False for a pointer that is not a live surface, or one that is lost.
bool DdSurfacePixelsOf(IDirectDrawSurface4* surface, DdSurfacePixels& out);
// The depth buffer attached to a surface, or null.
IDirectDrawSurface4* DdAttachedDepth(IDirectDrawSurface4* surface);
// The 256 colours of an 8-bit surface (its palette, or the screen's for the primary), with
// `alpha` telling whether the entry flags are alpha; null without any.
const PALETTEENTRY* DdSurfaceColors(IDirectDrawSurface4* surface, bool& alpha);
