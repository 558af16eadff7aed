// DirectDraw: result codes and interfaces. The interfaces grow with the DirectDraw layer.
#pragma once

#include "windows.h"
#include "unknwn.h"

#define MAKE_DDHRESULT(code) ((HRESULT)(0x88760000UL | (code)))

#define DD_OK S_OK
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)

struct IDirectDrawSurface4 : IUnknown {};
typedef IDirectDrawSurface4* LPDIRECTDRAWSURFACE4;
