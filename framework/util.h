// Direct3D utility routines shared by the framework, the enumeration and the textures, and the
// developer trace through which they report failures.
#pragma once

#include <d3d.h>

// Writes "FILE(LINE): MESSAGE" to the debugger output, then "(hr=XXXXXXXX)" and a line break
// when the code is non-zero, then a line break. Returns the code unchanged.
HRESULT DebugTrace(const char* sourceFile, LONG line, HRESULT code, const char* message);

// Record initialisers: each zeroes the whole record and sets its size fields first.
DDSURFACEDESC2& InitSurfaceDesc(DDSURFACEDESC2& desc, DWORD flags, DWORD caps);
D3DVIEWPORT2& InitViewportData(D3DVIEWPORT2& data, DWORD width, DWORD height);
void InitDeviceDesc(D3DDEVICEDESC& desc);
void InitMaterial(D3DMATERIAL& material, float red, float green, float blue);
void InitLight(D3DLIGHT& light, D3DLIGHTTYPE type, float x, float y, float z);

// The DirectDraw object owning the device's render target, with a reference the caller owns;
// null when there is none.
IDirectDraw4* GetDirectDrawFromDevice(IDirect3DDevice3* device);
// DDSCAPS_VIDEOMEMORY for a hardware device, DDSCAPS_SYSTEMMEMORY otherwise, 0 on failure.
DWORD GetDeviceMemoryType(IDirect3DDevice3* device);
// Bits per pixel of the current display mode (of the primary driver when null), 0 on failure.
DWORD GetDisplayBitDepth(IDirectDraw4* directDraw);
