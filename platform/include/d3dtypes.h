// Direct3D value types and vertex layouts shared by the device and the system's mesh code.
#pragma once

#include "wintypes.h"

typedef float D3DVALUE;
typedef DWORD D3DCOLOR;  // 0xAARRGGBB: bytes blue, green, red, alpha in memory

#define RGBA_MAKE(r, g, b, a) ((D3DCOLOR)(((DWORD)(a) << 24) | ((DWORD)(r) << 16) | ((DWORD)(g) << 8) | (DWORD)(b)))
#define RGB_MAKE(r, g, b) ((D3DCOLOR)(((DWORD)(r) << 16) | ((DWORD)(g) << 8) | (DWORD)(b)))

// Untransformed, unlit vertex: position, normal, texture coordinates (32 bytes).
typedef struct _D3DVERTEX {
  D3DVALUE x, y, z;
  D3DVALUE nx, ny, nz;
  D3DVALUE tu, tv;
} D3DVERTEX, *LPD3DVERTEX;

// Screen-space, pre-lit vertex the device rasterizes directly (32 bytes).
typedef struct _D3DTLVERTEX {
  D3DVALUE sx, sy, sz;
  D3DVALUE rhw;
  D3DCOLOR color;
  D3DCOLOR specular;
  D3DVALUE tu, tv;
} D3DTLVERTEX, *LPD3DTLVERTEX;

static_assert(sizeof(D3DVERTEX) == 32, "D3DVERTEX is 8 floats");
static_assert(sizeof(D3DTLVERTEX) == 32, "D3DTLVERTEX is 32 bytes");

typedef enum _D3DPRIMITIVETYPE {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
} D3DPRIMITIVETYPE;

#define D3DFVF_XYZ 0x002
#define D3DFVF_XYZRHW 0x004
#define D3DFVF_NORMAL 0x010
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_SPECULAR 0x080
#define D3DFVF_TEX1 0x100
#define D3DFVF_VERTEX (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)
#define D3DFVF_TLVERTEX (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)

#define D3DDP_WAIT 0x00000001L
#define D3DDP_DONOTCLIP 0x00000004L
#define D3DDP_DONOTUPDATEEXTENTS 0x00000008L
#define D3DDP_DONOTLIGHT 0x00000010L
