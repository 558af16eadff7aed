// The Direct3D device: collects render and texture-stage states, and draws indexed lists of
// screen-space triangles with the software rasterizer into its render target.
#include <algorithm>
#include <cstring>

#include "d3d/d3d_internal.h"

void RegisterD3dObject(int kind, const void* p);
void ForgetD3dObject(int kind, const void* p);
bool RasterFormatOfKind(PixelKind kind, RasterFormat& out);

namespace {

constexpr DWORD RenderStateCount = 256;

}  // namespace

Device::Device(Direct3DObject* d3d, const ProfileDevice& profile, Surface* target)
    : d3d_(d3d), profile_(profile), target_(target), renderStates_(RenderStateCount, 0) {
  d3d_->AddRef();
  target_->AddRef();
  // The states of a freshly made device.
  renderStates_[D3DRENDERSTATE_ZENABLE] = target_->DepthAttachment() ? D3DZB_TRUE : D3DZB_FALSE;
  renderStates_[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  renderStates_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  renderStates_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  renderStates_[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  renderStates_[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  renderStates_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  renderStates_[D3DRENDERSTATE_SPECULARENABLE] = TRUE;
  renderStates_[D3DRENDERSTATE_DITHERENABLE] = FALSE;
  stageStates_[D3DTSS_COLOROP] = D3DTOP_MODULATE;
  stageStates_[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  stageStates_[D3DTSS_COLORARG2] = D3DTA_CURRENT;
  stageStates_[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  stageStates_[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
  stageStates_[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
  stageStates_[D3DTSS_ADDRESS] = stageStates_[D3DTSS_ADDRESSU] = stageStates_[D3DTSS_ADDRESSV] =
      D3DTADDRESS_WRAP;
  stageStates_[D3DTSS_MAGFILTER] = D3DTFG_POINT;
  stageStates_[D3DTSS_MINFILTER] = D3DTFN_POINT;
  RegisterD3dObject(0, static_cast<IDirect3DDevice3*>(this));
}

Device::~Device() {
  ForgetD3dObject(0, static_cast<IDirect3DDevice3*>(this));
  if (texture_) texture_->Release();
  for (Viewport* v : viewports_) {
    v->Attach(nullptr);
    v->Release();
  }
  target_->Release();
  d3d_->Release();
}

HRESULT Device::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IDirect3DDevice3) {
    AddRef();
    *out = static_cast<IDirect3DDevice3*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Device::GetCaps(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) {
  if (!hardware || !software || hardware->dwSize != sizeof(D3DDEVICEDESC) ||
      software->dwSize != sizeof(D3DDEVICEDESC))
    return DDERR_INVALIDPARAMS;
  *hardware = profile_.hardware;
  *software = profile_.software;
  return DD_OK;
}

HRESULT Device::AddViewport(LPDIRECT3DVIEWPORT3 viewport) {
  Viewport* v = LiveViewport(viewport);
  if (!v || v->AttachedDevice()) return DDERR_INVALIDPARAMS;
  v->AddRef();
  v->Attach(this);
  viewports_.push_back(v);
  return DD_OK;
}

HRESULT Device::DeleteViewport(LPDIRECT3DVIEWPORT3 viewport) {
  Viewport* v = LiveViewport(viewport);
  auto it = std::find(viewports_.begin(), viewports_.end(), v);
  if (!v || it == viewports_.end()) return DDERR_INVALIDPARAMS;
  viewports_.erase(it);
  if (current_ == v) current_ = nullptr;
  v->Attach(nullptr);
  v->Release();
  return DD_OK;
}

HRESULT Device::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  const std::vector<DDPIXELFORMAT> formats = profile_.textureFormats;
  for (DDPIXELFORMAT f : formats)
    if (callback(&f, context) == D3DENUMRET_CANCEL) break;
  return DD_OK;
}

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_SCENE_IN_SCENE;
  inScene_ = true;
  return DD_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  inScene_ = false;
  return DD_OK;
}

HRESULT Device::GetDirect3D(LPDIRECT3D3* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  d3d_->AddRef();
  *out = d3d_;
  return DD_OK;
}

HRESULT Device::SetCurrentViewport(LPDIRECT3DVIEWPORT3 viewport) {
  Viewport* v = LiveViewport(viewport);
  if (!v || v->AttachedDevice() != this) return DDERR_INVALIDPARAMS;
  current_ = v;
  return DD_OK;
}

HRESULT Device::GetCurrentViewport(LPDIRECT3DVIEWPORT3* viewport) {
  if (!viewport) return DDERR_INVALIDPARAMS;
  *viewport = current_;
  if (!current_) return D3DERR_INVALIDCALL;
  current_->AddRef();
  return DD_OK;
}

HRESULT Device::SetRenderTarget(LPDIRECTDRAWSURFACE4 surface, DWORD /*flags*/) {
  Surface* s = LiveSurface(surface);
  if (!s) return DDERR_INVALIDPARAMS;
  DDSCAPS2 caps{};
  s->GetCaps(&caps);
  RasterFormat format;
  if (!(caps.dwCaps & DDSCAPS_3DDEVICE) || !RasterFormatOfKind(s->Format().kind, format) ||
      RasterFormatBytes(format) < 2 || format == RasterFormat::Argb1555 ||
      format == RasterFormat::Argb4444)
    return DDERR_INVALIDCAPS;
  s->AddRef();
  target_->Release();
  target_ = s;
  return DD_OK;
}

HRESULT Device::GetRenderTarget(LPDIRECTDRAWSURFACE4* surface) {
  if (!surface) return DDERR_INVALIDPARAMS;
  target_->AddRef();
  *surface = target_;
  return DD_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
  if (!value || static_cast<DWORD>(state) >= RenderStateCount) return DDERR_INVALIDPARAMS;
  *value = renderStates_[state];
  return DD_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (static_cast<DWORD>(state) >= RenderStateCount) return DDERR_INVALIDPARAMS;
  renderStates_[state] = value;
  return DD_OK;
}

HRESULT Device::GetTexture(DWORD stage, LPDIRECT3DTEXTURE2* texture) {
  if (!texture) return DDERR_INVALIDPARAMS;
  *texture = stage == 0 ? texture_ : nullptr;
  if (*texture) texture_->AddRef();
  return DD_OK;
}

HRESULT Device::SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) {
  if (stage != 0) return texture ? DDERR_INVALIDPARAMS : DD_OK;  // one stage only
  TextureObject* t = nullptr;
  if (texture && !(t = LiveTexture(texture))) return DDERR_INVALIDPARAMS;
  if (t) t->AddRef();
  if (texture_) texture_->Release();
  texture_ = t;
  return DD_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) {
  if (!value || stage != 0 || static_cast<DWORD>(state) > D3DTSS_MIPFILTER)
    return DDERR_INVALIDPARAMS;
  *value = stageStates_[state];
  return DD_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  if (stage != 0 || static_cast<DWORD>(state) > D3DTSS_MIPFILTER) return DDERR_INVALIDPARAMS;
  stageStates_[state] = value;
  return DD_OK;
}

bool Device::Target(const RasterRect& rect, RasterTarget& out) {
  Plane plane;
  if (!target_->GetPlane(plane)) return false;
  RasterFormat format;
  if (!RasterFormatOfKind(plane.format.kind, format)) return false;
  out.pixels = plane.bits;
  out.pitch = plane.pitch;
  out.width = static_cast<int32_t>(plane.width);
  out.height = static_cast<int32_t>(plane.height);
  out.format = format;
  out.viewport = rect;
  out.depth = nullptr;
  out.depthFormat = RasterDepthFormat::None;
  Plane depth;
  if (Surface* z = target_->DepthAttachment(); z && z->GetPlane(depth) &&
                                               depth.width >= plane.width &&
                                               depth.height >= plane.height) {
    if (depth.format.bytes == 2 || depth.format.bytes == 4) {
      out.depth = depth.bits;
      out.depthPitch = depth.pitch;
      out.depthFormat = depth.format.bytes == 2 ? RasterDepthFormat::D16 : RasterDepthFormat::D32;
    }
  }
  return true;
}

RasterState Device::State() const {
  RasterState s;
  s.zEnable = renderStates_[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE;
  s.zWriteEnable = renderStates_[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  DWORD zFunc = renderStates_[D3DRENDERSTATE_ZFUNC];
  s.zFunc = zFunc >= D3DCMP_NEVER && zFunc <= D3DCMP_ALWAYS
                ? static_cast<RasterCompare>(zFunc - D3DCMP_NEVER)
                : RasterCompare::LessEqual;
  switch (renderStates_[D3DRENDERSTATE_CULLMODE]) {
    case D3DCULL_NONE: s.cull = RasterCull::None; break;
    case D3DCULL_CW: s.cull = RasterCull::Clockwise; break;
    default: s.cull = RasterCull::CounterClockwise; break;
  }
  s.shade = renderStates_[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT ? RasterShade::Flat
                                                                      : RasterShade::Gouraud;
  s.dither = renderStates_[D3DRENDERSTATE_DITHERENABLE] != 0;
  s.filter = stageStates_[D3DTSS_MAGFILTER] == D3DTFG_LINEAR ? RasterFilter::Linear
                                                             : RasterFilter::Point;
  DWORD op = stageStates_[D3DTSS_COLOROP];
  DWORD arg1 = stageStates_[D3DTSS_COLORARG1] & D3DTA_SELECTMASK;
  DWORD arg2 = stageStates_[D3DTSS_COLORARG2] & D3DTA_SELECTMASK;
  if (op == D3DTOP_SELECTARG1)
    s.colorOp = arg1 == D3DTA_TEXTURE ? RasterColorOp::SelectTexture : RasterColorOp::SelectDiffuse;
  else if (op == D3DTOP_SELECTARG2)
    s.colorOp = arg2 == D3DTA_TEXTURE ? RasterColorOp::SelectTexture : RasterColorOp::SelectDiffuse;
  else if (op == D3DTOP_DISABLE)
    s.colorOp = RasterColorOp::SelectDiffuse;
  else
    s.colorOp = RasterColorOp::Modulate;
  return s;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                                     DWORD vertexCount, LPWORD indices, DWORD indexCount,
                                     DWORD /*flags*/) {
  if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
  if (type != D3DPT_TRIANGLELIST) return DDERR_UNSUPPORTED;
  if (vertexFormat != D3DFVF_TLVERTEX) return D3DERR_INVALIDVERTEXFORMAT;
  if (profile_.guid == IID_IDirect3DNullDevice) return DD_OK;
  RasterTarget target;
  if (!current_ || !Target(current_->Rect(), target)) return current_ ? DDERR_SURFACELOST : D3DERR_INVALIDCALL;
  const RasterTexture* texture = texture_ ? texture_->ForDrawing() : nullptr;
  HRESULT hr = RasterDrawIndexed(target, State(), texture, static_cast<const D3DTLVERTEX*>(vertices),
                                 vertexCount, indices, indexCount, &stats_);
  return hr == E_INVALIDARG ? DDERR_INVALIDPARAMS : hr;
}
