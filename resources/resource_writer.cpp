// Writes the binary layouts of Win32 resources, little-endian, as the resource compiler does.
#include "resources/resource_writer.h"

#include <cstring>

namespace {

constexpr WORD kLastAccelerator = 0x80;
constexpr WORD kOrdinalMark = 0xFFFF;

void PutWord(std::vector<BYTE>& out, WORD v) {
  out.push_back(BYTE(v & 0xFF));
  out.push_back(BYTE(v >> 8));
}

void PutDword(std::vector<BYTE>& out, DWORD v) {
  PutWord(out, WORD(v & 0xFFFF));
  PutWord(out, WORD(v >> 16));
}

void AlignDword(std::vector<BYTE>& out) {
  while (out.size() % 4) out.push_back(0);
}

// A text of the ANSI code page as NUL-terminated UTF-16.
void PutText(std::vector<BYTE>& out, const char* text) {
  if (text && *text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<WCHAR> wide(size_t(n > 0 ? n : 1), 0);
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    for (WCHAR c : wide) {
      if (c == 0) break;
      PutWord(out, WORD(c));
    }
  }
  PutWord(out, 0);
}

}  // namespace

std::vector<BYTE> WriteMenuTemplate(const MenuLine* lines, size_t count) {
  std::vector<BYTE> out;
  PutWord(out, 0);  // version
  PutWord(out, 0);  // offset to the items
  for (size_t i = 0; i < count; ++i) {
    const MenuLine& line = lines[i];
    // A level deeper than one past the line before, or a popup without items, cannot nest.
    if (i == 0 ? line.level != 0 : line.level > lines[i - 1].level + 1) return {};
    const bool hasItems = i + 1 < count && lines[i + 1].level == line.level + 1;
    if (line.popup != hasItems) return {};
    // The last line of its level: the next one at this level or above is above, or none.
    bool last = true;
    for (size_t j = i + 1; j < count; ++j) {
      if (lines[j].level <= line.level) {
        last = lines[j].level < line.level;
        break;
      }
    }
    WORD option = line.popup ? WORD(MF_POPUP) : 0;
    if (last) option |= MF_END;
    PutWord(out, option);
    if (!line.popup) PutWord(out, line.id);
    PutText(out, line.text);
  }
  return out;
}

std::vector<BYTE> WriteAcceleratorTable(const AccelLine* lines, size_t count) {
  std::vector<BYTE> out;
  for (size_t i = 0; i < count; ++i) {
    PutWord(out, WORD(lines[i].flags | (i + 1 == count ? kLastAccelerator : 0)));
    PutWord(out, lines[i].key);
    PutWord(out, lines[i].id);
    PutWord(out, 0);
  }
  return out;
}

std::vector<BYTE> WriteDialogTemplate(const DialogLine& dialog, const ControlLine* controls,
                                      size_t count) {
  std::vector<BYTE> out;
  const DWORD style = dialog.face ? dialog.style | DS_SETFONT : dialog.style & ~DWORD(DS_SETFONT);
  PutDword(out, style);
  PutDword(out, 0);  // extended style
  PutWord(out, WORD(count));
  PutWord(out, WORD(dialog.x));
  PutWord(out, WORD(dialog.y));
  PutWord(out, WORD(dialog.cx));
  PutWord(out, WORD(dialog.cy));
  PutWord(out, 0);  // no menu
  PutWord(out, 0);  // the dialog class
  PutText(out, dialog.caption);
  if (style & DS_SETFONT) {
    PutWord(out, dialog.pointSize);
    PutText(out, dialog.face);
  }
  for (size_t i = 0; i < count; ++i) {
    const ControlLine& c = controls[i];
    AlignDword(out);
    PutDword(out, c.style);
    PutDword(out, 0);  // extended style
    PutWord(out, WORD(c.x));
    PutWord(out, WORD(c.y));
    PutWord(out, WORD(c.cx));
    PutWord(out, WORD(c.cy));
    PutWord(out, c.id);
    PutWord(out, kOrdinalMark);
    PutWord(out, c.classAtom);
    if (c.text) {
      PutText(out, c.text);
    } else {
      PutWord(out, kOrdinalMark);
      PutWord(out, c.image);
    }
    PutWord(out, 0);  // no creation data
  }
  return out;
}

std::vector<BYTE> WriteIconImage(const DWORD* pixels, int width, int height) {
  std::vector<BYTE> out;
  const DWORD maskStride = DWORD((width + 31) / 32 * 4);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = 2 * height;  // the colour image and the mask, one above the other
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  h.biSizeImage = DWORD(width * height * 4) + maskStride * DWORD(height);
  out.resize(sizeof h);
  std::memcpy(out.data(), &h, sizeof h);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) {
      const DWORD p = pixels[y * width + x];
      // Transparent pixels carry no colour, so the image shows the same on every background.
      PutDword(out, (p >> 24) ? p : 0);
    }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<BYTE> row(maskStride, 0);
    for (int x = 0; x < width; ++x)
      if (!(pixels[y * width + x] >> 24)) row[size_t(x / 8)] |= BYTE(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<BYTE> WriteGroupIcon(int width, int height, DWORD imageBytes, WORD imageId) {
  std::vector<BYTE> out;
  PutWord(out, 0);  // reserved
  PutWord(out, 1);  // icons (2 would be cursors)
  PutWord(out, 1);  // one image
  out.push_back(BYTE(width >= 256 ? 0 : width));
  out.push_back(BYTE(height >= 256 ? 0 : height));
  out.push_back(0);  // colour count: 0 for 8 bits and more
  out.push_back(0);
  PutWord(out, 1);   // planes
  PutWord(out, 32);  // bits per pixel
  PutDword(out, imageBytes);
  PutWord(out, imageId);
  return out;
}
