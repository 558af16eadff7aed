// Builds in-memory dialog templates byte by byte, the way a program lays them out: a
// DLGTEMPLATE, menu, class, title and font, then DWORD-aligned DLGITEMTEMPLATE items.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class TemplateBuilder {
 public:
  TemplateBuilder& Header(DWORD style, WORD count, short x, short y, short cx, short cy,
                          const char* title, WORD pointSize = 0, const char* face = nullptr) {
    Dword(style);
    Dword(0);
    Word(count);
    Short(x), Short(y), Short(cx), Short(cy);
    Word(0);  // no menu
    Word(0);  // the dialog class
    Text(title);
    if (style & DS_SETFONT) {
      Word(pointSize);
      Text(face ? face : "");
    }
    return *this;
  }

  // An item whose class is a text (`cls`) or, with `atom`, a predefined class's atom; the text
  // is a string or, with `ordinal`, 0xFFFF and that number.
  TemplateBuilder& Item(DWORD style, short x, short y, short cx, short cy, WORD id, const char* cls,
                        const char* text, WORD atom = 0, WORD ordinal = 0,
                        const std::vector<BYTE>& creation = {}) {
    while (bytes_.size() % 4) bytes_.push_back(0);
    Dword(style);
    Dword(0);
    Short(x), Short(y), Short(cx), Short(cy);
    Word(id);
    if (atom) {
      Word(0xFFFF), Word(atom);
    } else {
      Text(cls);
    }
    if (ordinal) {
      Word(0xFFFF), Word(ordinal);
    } else {
      Text(text);
    }
    if (creation.empty()) {
      Word(0);
    } else {
      Word(WORD(creation.size() + 2));
      bytes_.insert(bytes_.end(), creation.begin(), creation.end());
    }
    return *this;
  }

  void Word(WORD v) { Raw(&v, sizeof v); }
  void Dword(DWORD v) { Raw(&v, sizeof v); }
  void Short(short v) { Raw(&v, sizeof v); }
  // ASCII (or code page 949 through MultiByteToWideChar) as UTF-16 with its terminator.
  void Text(const char* s) {
    std::vector<WCHAR> wide(std::strlen(s) + 1);
    const int n = *s ? MultiByteToWideChar(CP_ACP, 0, s, -1, wide.data(), int(wide.size())) : 1;
    for (int i = 0; i < n; ++i) Word(WORD(wide[size_t(i)]));
  }
  void Raw(const void* p, size_t n) {
    const auto* b = static_cast<const BYTE*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }

  const std::vector<BYTE>& bytes() const { return bytes_; }
  std::vector<BYTE>& bytes() { return bytes_; }
  LPCDLGTEMPLATEA get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(bytes_.data()); }

 private:
  std::vector<BYTE> bytes_;
};

// The device selection dialog's layout: 179 x 84 units, "Arial" 8 points, OK, Cancel, three
// drop-down lists and their labels.
inline TemplateBuilder SelectionLikeTemplate() {
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  TemplateBuilder t;
  t.Header(0x90C80BC4, 8, 0, 0, 179, 84, "Select New Direct3D Driver", 8, "Arial");
  t.Item(kChild | WS_TABSTOP, 65, 65, 51, 14, IDOK, "BUTTON", "OK");
  t.Item(kChild | WS_TABSTOP, 123, 65, 51, 14, IDCANCEL, "BUTTON", "Cancel");
  t.Item(kChild | kCombo, 36, 5, 138, 45, 1000, "COMBOBOX", "");
  t.Item(kChild | kCombo, 36, 24, 138, 45, 1001, "COMBOBOX", "");
  t.Item(kChild | kCombo, 36, 44, 138, 45, 1002, "COMBOBOX", "");
  t.Item(kChild, 5, 5, 22, 13, 0xFFFF, "STATIC", "Driver:");
  t.Item(kChild, 5, 24, 25, 13, 0xFFFF, "STATIC", "Device:");
  t.Item(kChild, 5, 44, 22, 13, 0xFFFF, "STATIC", "Mode:");
  return t;
}
