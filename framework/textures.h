// The texture table: one entry per distinct bitmap file name the loaded models use. The bitmap
// is read once, at creation; the device objects are made from it at each restore.
#pragma once

#include <d3d.h>

#include "model/material.h"

enum TextureLoadFlags : DWORD {
  TransparentBright = 0x1,  // (255, 255, 255) becomes fully transparent
  TransparentBlack = 0x2,   // (0, 0, 0) becomes fully transparent; wins in the palette step
  Prefer32Bit = 0x4,        // look for a 32-bit texture format first
};

struct TextureEntry {
  HBITMAP bitmap;  // in the file's own bit depth, with its colour table
  IDirectDrawSurface4* surface;
  IDirect3DTexture2* texture;  // what drawing selects; null while not restored
  DWORD stage;
  char name[NameFieldSize];  // the key, compared without regard to letter case
  BOOL alphaRequested;
  DWORD flags;
  TextureEntry* prev;
  TextureEntry* next;
};

// Head of the table, newest first; null when empty.
extern TextureEntry* TextureTable;

constexpr int TexturePathSize = 512;
// Folder prefix of the last search step, "MEDIA\" unless changed.
extern char TexturePath[TexturePathSize];

HRESULT CreateTexture(const char* name, DWORD stage, DWORD flags);
TextureEntry* FindTextureEntry(const char* name);
IDirectDrawSurface4* GetTextureSurface(const char* name);
IDirect3DTexture2* GetTextureInterface(const char* name);
void SetTexturePath(const char* path);
HRESULT InvalidateTexture(const char* name);
HRESULT InvalidateAllTextures();
HRESULT DestroyTexture(const char* name);
// Destroys every entry; runs at program end.
void DestroyAllTextures();

// Makes the entry's texture surface and texture interface for the device from its bitmap.
HRESULT RestoreTexture(const char* name, IDirect3DDevice3* device);
// Restores every entry; the result of each is ignored.
HRESULT RestoreAllTextures(IDirect3DDevice3* device);

constexpr int MediaPathSize = 256;
// Finds a media file along the search path: the name itself, under D3DPATH, then under the
// registry's media folder. Writes the first candidate that opens to `path`.
HRESULT FindMediaFile(const char* name, const char* prefix, char (&path)[MediaPathSize]);
