// Bytes in as a bitmap file, loaded the way textures are and read back through GDI.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = velta_fuzz::WriteFile("in.bmp", data, size);
  HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                            LR_CREATEDIBSECTION | LR_LOADFROMFILE);
  if (!image) return 0;
  BITMAP info;
  GetObjectA(image, sizeof info, &info);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, image);
  RGBQUAD table[256];
  GetDIBColorTable(dc, 0, 256, table);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(image);
  return 0;
}
