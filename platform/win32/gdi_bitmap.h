// Inside the platform layer: what the GDI bitmap objects give to the rest of GDI (BitBlt,
// surface device contexts) and the seam through which bitmap resources reach LoadImageA.
#pragma once

#include <windows.h>

#include "win32/bmp_decode.h"

// The pixels of a live bitmap handle, or null for anything else (the stock bitmap included:
// it is not a DIB section). Valid until the bitmap is deleted.
const Dib* GdiBitmapDib(HGDIOBJ bitmap);

// The bitmap selected into a live memory device context (the stock bitmap when none was
// selected), or null for a handle that is not one.
HGDIOBJ GdiSelectedBitmap(HDC dc);

// Makes a packed DIB (info header, masks, colour table, pixels: a bitmap resource's bytes)
// loadable by LoadImageA without LR_LOADFROMFILE, under `module` and `name`: a text name,
// compared without regard to case, or a MAKEINTRESOURCEA number. The bytes are copied.
// Registering the same module and name again replaces the entry.
BOOL RegisterBitmapResource(HINSTANCE module, LPCSTR name, const BYTE* dib, DWORD size);
