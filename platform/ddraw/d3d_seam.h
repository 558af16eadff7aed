// Where DirectDraw hands over to the Direct3D layer: the Direct3D object is a query of
// IDirectDraw4 (IID_IDirect3D3) and a texture's interface a query of its surface
// (IID_IDirect3DTexture2). The Direct3D layer defines both (platform/d3d/direct3d.cpp).
#pragma once

#include <ddraw.h>

// Makes the IDirect3D3 of a DirectDraw object into *out, with one reference for the caller.
HRESULT DdCreateDirect3D(IDirectDraw4* owner, void** out);
// Makes the IDirect3DTexture2 of a texture surface into *out, with one reference for the caller.
HRESULT DdCreateTexture(IDirectDrawSurface4* surface, void** out);
// The largest texture side the driver's 3D devices draw; DirectDraw refuses a texture surface
// beyond it, as a driver does, so that no texture it accepts is drawn blank.
DWORD DdLargestTextureSide();
