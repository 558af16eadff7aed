#include "framework/textures.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

TextureEntry* TextureTable = nullptr;
char TexturePath[TexturePathSize] = "MEDIA\\";

namespace {

// Frees the entries still in the table when the program ends.
struct TextureTableExit {
  ~TextureTableExit() { DestroyAllTextures(); }
} TheTextureTableExit;

void ReleaseDeviceObjects(TextureEntry* entry) {
  if (entry->texture) entry->texture->Release();
  entry->texture = nullptr;
  if (entry->surface) entry->surface->Release();
  entry->surface = nullptr;
}

void FreeEntry(TextureEntry* entry) {
  ReleaseDeviceObjects(entry);
  if (entry->bitmap) DeleteObject(entry->bitmap);
  delete entry;
}

void Unlink(TextureEntry* entry) {
  if (entry->prev)
    entry->prev->next = entry->next;
  else
    TextureTable = entry->next;
  if (entry->next) entry->next->prev = entry->prev;
}

// Formats a search candidate; false when it does not fit the path buffer, so a candidate is
// never tried cut short.
bool FormatCandidate(char (&path)[MediaPathSize], const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(path, MediaPathSize, format, args);
  va_end(args);
  return n >= 0 && n < MediaPathSize;
}

bool CandidateExists(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

HRESULT LoadEntryBitmap(TextureEntry* entry) {
  const char* dot = std::strrchr(entry->name, '.');
  if (!dot) return E_NOTIMPL;
  HINSTANCE module = GetModuleHandleA(nullptr);
  entry->bitmap = static_cast<HBITMAP>(
      LoadImageA(module, entry->name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (entry->bitmap) return S_OK;
  char path[MediaPathSize];
  if (FAILED(FindMediaFile(entry->name, TexturePath, path))) return DDERR_NOTFOUND;
  if (lstrcmpiA(dot, ".bmp") != 0) return E_NOTIMPL;
  entry->bitmap =
      static_cast<HBITMAP>(LoadImageA(module, path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!entry->bitmap)
    entry->bitmap = static_cast<HBITMAP>(LoadImageA(
        nullptr, path, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  return entry->bitmap ? S_OK : DDERR_NOTFOUND;
}

}  // namespace

HRESULT FindMediaFile(const char* name, const char* prefix, char (&path)[MediaPathSize]) {
  if (!name) return DDERR_NOTFOUND;
  if (FormatCandidate(path, "%s", name) && CandidateExists(path)) return S_OK;
  if (const char* env = std::getenv("D3DPATH"))
    if (FormatCandidate(path, "%s\\%s", env, name) && CandidateExists(path)) return S_OK;

  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Velta", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return DDERR_NOTFOUND;
  char media[512] = {};
  DWORD type = 0, size = sizeof media - 1;
  LONG read = RegQueryValueExA(key, "Media Path", nullptr, &type,
                               reinterpret_cast<BYTE*>(media), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS) return DDERR_NOTFOUND;
  if (FormatCandidate(path, "%s\\Media\\%s", media, name) && CandidateExists(path)) return S_OK;
  if (FormatCandidate(path, "%s\\%s%s", media, prefix ? prefix : "", name) &&
      CandidateExists(path))
    return S_OK;
  return DDERR_NOTFOUND;
}

TextureEntry* FindTextureEntry(const char* name) {
  if (!name) return nullptr;
  for (TextureEntry* e = TextureTable; e; e = e->next)
    if (lstrcmpiA(e->name, name) == 0) return e;
  return nullptr;
}

IDirectDrawSurface4* GetTextureSurface(const char* name) {
  TextureEntry* e = FindTextureEntry(name);
  return e ? e->surface : nullptr;
}

IDirect3DTexture2* GetTextureInterface(const char* name) {
  TextureEntry* e = FindTextureEntry(name);
  return e ? e->texture : nullptr;
}

HRESULT CreateTexture(const char* name, DWORD stage, DWORD flags) {
  if (!name) return E_INVALIDARG;
  if (FindTextureEntry(name)) return S_OK;
  TextureEntry* entry = new (std::nothrow) TextureEntry();
  if (!entry) return E_OUTOFMEMORY;
  CopyName(entry->name, name);
  entry->stage = stage;
  entry->flags = flags;
  if (FAILED(LoadEntryBitmap(entry))) {
    FreeEntry(entry);
    return E_FAIL;
  }
  entry->next = TextureTable;
  if (TextureTable) TextureTable->prev = entry;
  TextureTable = entry;
  return S_OK;
}

void SetTexturePath(const char* path) {
  size_t n = path ? strnlen(path, TexturePathSize - 1) : 0;
  std::memcpy(TexturePath, path ? path : "", n);
  TexturePath[n] = '\0';
}

HRESULT InvalidateTexture(const char* name) {
  TextureEntry* e = FindTextureEntry(name);
  if (!e) return DDERR_NOTFOUND;
  ReleaseDeviceObjects(e);
  return S_OK;
}

HRESULT InvalidateAllTextures() {
  for (TextureEntry* e = TextureTable; e; e = e->next) ReleaseDeviceObjects(e);
  return S_OK;
}

HRESULT DestroyTexture(const char* name) {
  TextureEntry* e = FindTextureEntry(name);
  if (!e) return DDERR_NOTFOUND;
  Unlink(e);
  FreeEntry(e);
  return S_OK;
}

void DestroyAllTextures() {
  while (TextureTable) {
    TextureEntry* e = TextureTable;
    Unlink(e);
    FreeEntry(e);
  }
}
