// The Direct3D layer's view of surfaces.
#include "ddraw/surface_access.h"

#include "ddraw/ddraw_internal.h"

bool DdSurfacePixelsOf(IDirectDrawSurface4* surface, DdSurfacePixels& out) {
  Surface* s = LiveSurface(surface);
  Plane plane;
  if (!s || !s->GetPlane(plane)) return false;
  out.bits = plane.bits;
  out.pitch = plane.pitch;
  out.width = plane.width;
  out.height = plane.height;
  out.format = plane.format;
  out.primary = s->IsPrimary();
  return true;
}

IDirectDrawSurface4* DdAttachedDepth(IDirectDrawSurface4* surface) {
  Surface* s = LiveSurface(surface);
  return s ? s->DepthAttachment() : nullptr;
}

const PALETTEENTRY* DdSurfaceColors(IDirectDrawSurface4* surface, bool& alpha) {
  alpha = false;
  Surface* s = LiveSurface(surface);
  return s ? s->Colors(&alpha) : nullptr;
}
