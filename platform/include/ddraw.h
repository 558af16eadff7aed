// DirectDraw: result codes now; interfaces and records come with the DirectDraw layer.
#pragma once

#include "windows.h"

#define MAKE_DDHRESULT(code) ((HRESULT)(0x88760000UL | (code)))

#define DD_OK S_OK
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
