// Direct3D immediate mode: vertex types and interfaces. The interfaces grow with the
// Direct3D layer.
#pragma once

#include "ddraw.h"
#include "d3dtypes.h"

struct IDirect3DTexture2 : IUnknown {};
typedef IDirect3DTexture2* LPDIRECT3DTEXTURE2;
