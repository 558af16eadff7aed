// Viewports: the rectangle a device draws into, and the clear of target and depth buffer.
#include <algorithm>
#include <cstring>

#include "d3d/d3d_internal.h"

void RegisterD3dObject(int kind, const void* p);
void ForgetD3dObject(int kind, const void* p);

Viewport::Viewport() { RegisterD3dObject(1, static_cast<IDirect3DViewport3*>(this)); }

Viewport::~Viewport() { ForgetD3dObject(1, static_cast<IDirect3DViewport3*>(this)); }

HRESULT Viewport::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IDirect3DViewport3) {
    AddRef();
    *out = static_cast<IDirect3DViewport3*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG Viewport::AddRef() { return ++refs_; }

ULONG Viewport::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Viewport::SetViewport2(LPD3DVIEWPORT2 data) {
  if (!data || data->dwSize != sizeof(D3DVIEWPORT2)) return DDERR_INVALIDPARAMS;
  data_ = *data;
  set_ = true;
  return DD_OK;
}

HRESULT Viewport::GetViewport2(LPD3DVIEWPORT2 data) {
  if (!data || data->dwSize != sizeof(D3DVIEWPORT2)) return DDERR_INVALIDPARAMS;
  *data = data_;
  return DD_OK;
}

RasterRect Viewport::Rect() const {
  RasterRect r;
  if (!set_) return r;
  // Sizes past the largest target cannot overflow the rectangle.
  int64_t x = std::min<int64_t>(data_.dwX, kRasterMaxTargetSide);
  int64_t y = std::min<int64_t>(data_.dwY, kRasterMaxTargetSide);
  r.left = static_cast<int32_t>(x);
  r.top = static_cast<int32_t>(y);
  r.right = static_cast<int32_t>(std::min<int64_t>(x + data_.dwWidth, kRasterMaxTargetSide));
  r.bottom = static_cast<int32_t>(std::min<int64_t>(y + data_.dwHeight, kRasterMaxTargetSide));
  return r;
}

HRESULT Viewport::Clear2(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                         DWORD /*stencil*/) {
  if (!device_) return D3DERR_VIEWPORTHASNODEVICE;
  if (count && !rects) return DDERR_INVALIDPARAMS;
  RasterTarget target;
  if (!device_->Target(Rect(), target)) return DDERR_SURFACELOST;
  for (DWORD i = 0; i < count; ++i) {
    RasterRect r{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
    RasterClear(target, r, flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), color, z);
  }
  return DD_OK;
}
