// No Direct3D yet: neither interface can be had.
#include "ddraw/d3d_seam.h"

HRESULT DdCreateDirect3D(IDirectDraw4* /*owner*/, void** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT DdCreateTexture(IDirectDrawSurface4* /*surface*/, void** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
