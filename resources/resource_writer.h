// The resource compiler's part: turns the program's resource tables into the binary layouts
// its module carries (menu templates, accelerator tables, dialog templates, icons).
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// One line of a menu, in the order a resource script lists it. `level` 0 is the bar (or the
// menu's own items), 1 the items of a popup at level 0, and so on. A null text is a separator.
struct MenuLine {
  BYTE level;
  const char* text;
  WORD id;       // 0 for popups and separators
  bool popup;
};

struct AccelLine {
  BYTE flags;  // FVIRTKEY, FNOINVERT, FSHIFT, FCONTROL, FALT
  WORD key;
  WORD id;
};

struct DialogLine {
  DWORD style;
  short x, y, cx, cy;
  const char* caption;
  WORD pointSize;
  const char* face;
};

// A control of a dialog: a predefined class atom (0x0080 button, 0x0082 static) and either a
// text or, when `text` is null, the resource ordinal `image` (an icon).
struct ControlLine {
  DWORD style;
  short x, y, cx, cy;
  WORD id;
  WORD classAtom;
  const char* text;
  WORD image;
};

// Empty results stand for a table that cannot be written (a menu whose levels do not nest).
std::vector<BYTE> WriteMenuTemplate(const MenuLine* lines, size_t count);
std::vector<BYTE> WriteAcceleratorTable(const AccelLine* lines, size_t count);
std::vector<BYTE> WriteDialogTemplate(const DialogLine& dialog, const ControlLine* controls,
                                      size_t count);
// The image of an icon resource: a BITMAPINFOHEADER of twice the height, the 32-bit pixels
// (0xAARRGGBB, rows top first; alpha 0 is transparent) bottom row first, then the AND mask.
std::vector<BYTE> WriteIconImage(const DWORD* pixels, int width, int height);
// The group icon that names one image resource of that size.
std::vector<BYTE> WriteGroupIcon(int width, int height, DWORD imageBytes, WORD imageId);
