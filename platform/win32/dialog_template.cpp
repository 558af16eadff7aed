// Dialog templates: a cursor over the bytes that refuses to read past its limit, and the
// DLGTEMPLATE layout read through it field by field.
#include "win32/dialog_template.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

class Cursor {
 public:
  Cursor(const BYTE* base, size_t limit) : base_(base), limit_(limit) {}

  bool Word(WORD& out) { return Bytes(&out, sizeof out); }
  bool Dword(DWORD& out) { return Bytes(&out, sizeof out); }
  bool Short(short& out) { return Bytes(&out, sizeof out); }
  bool Bytes(void* out, size_t n) {
    if (n > limit_ - pos_) return false;
    if (n == 0) return true;  // an empty buffer may have no address
    std::memcpy(out, base_ + pos_, n);
    pos_ += n;
    return true;
  }
  // Items start on a DWORD boundary from the template's start (the same as the address for a
  // template in allocated memory).
  bool AlignDword() {
    const size_t aligned = (pos_ + 3) & ~size_t(3);
    if (aligned > limit_) return false;
    pos_ = aligned;
    return true;
  }
  // A NUL-terminated UTF-16 text, converted to the ANSI code page.
  bool Text(std::string& out) {
    std::u16string units;
    for (;;) {
      WORD u;
      if (!Word(u)) return false;
      if (u == 0) break;
      units.push_back(char16_t(u));
    }
    out = WideToAnsi(units.data(), units.size());
    return true;
  }
  // 0: absent; 0xFFFF: an ordinal follows; anything else: the first unit of a text.
  bool Name(TemplateName& out) {
    out = TemplateName{};
    WORD first;
    const size_t start = pos_;
    if (!Word(first)) return false;
    if (first == 0) return true;
    out.present = true;
    if (first == 0xFFFF) {
      out.isOrdinal = true;
      return Word(out.ordinal);
    }
    pos_ = start;
    return Text(out.text);
  }

 private:
  const BYTE* base_;
  size_t limit_;
  size_t pos_ = 0;
};

TemplateError ReadItem(Cursor& in, DialogItemSpec& item) {
  if (!in.AlignDword() || !in.Dword(item.style) || !in.Dword(item.exStyle) || !in.Short(item.x) ||
      !in.Short(item.y) || !in.Short(item.cx) || !in.Short(item.cy) || !in.Word(item.id))
    return TemplateError::Truncated;
  TemplateName cls;
  if (!in.Name(cls)) return TemplateError::Truncated;
  if (cls.isOrdinal) {
    const char* name = PredefinedControlClass(cls.ordinal);
    if (!name) return TemplateError::BadClass;
    item.className = name;
  } else {
    item.className = cls.text;
  }
  if (item.className.empty()) return TemplateError::BadClass;
  if (!in.Name(item.text)) return TemplateError::Truncated;
  WORD extra;
  if (!in.Word(extra)) return TemplateError::Truncated;
  // The size counts its own word.
  if (extra == 1) return TemplateError::Truncated;
  if (extra >= 2) {
    item.creationData.resize(extra - 2u);
    if (!in.Bytes(item.creationData.data(), item.creationData.size()))
      return TemplateError::Truncated;
  }
  return TemplateError::None;
}

}  // namespace

const char* PredefinedControlClass(WORD atom) {
  switch (atom) {
    case DLGITEM_BUTTON:
      return "BUTTON";
    case DLGITEM_EDIT:
      return "EDIT";
    case DLGITEM_STATIC:
      return "STATIC";
    case DLGITEM_LISTBOX:
      return "LISTBOX";
    case DLGITEM_SCROLLBAR:
      return "SCROLLBAR";
    case DLGITEM_COMBOBOX:
      return "COMBOBOX";
  }
  return nullptr;
}

TemplateError ParseDialogTemplate(const void* data, size_t limit, DialogSpec& out) {
  out = DialogSpec{};
  if (!data) return TemplateError::Truncated;
  Cursor in(static_cast<const BYTE*>(data), std::min(limit, kMaxDialogTemplateBytes));
  WORD count;
  if (!in.Dword(out.style)) return TemplateError::Truncated;
  if (out.style == kExtendedTemplateSignature) return TemplateError::Extended;
  if (!in.Dword(out.exStyle) || !in.Word(count) || !in.Short(out.x) || !in.Short(out.y) ||
      !in.Short(out.cx) || !in.Short(out.cy) || !in.Name(out.menu) || !in.Name(out.windowClass))
    return TemplateError::Truncated;
  TemplateName title;
  if (!in.Name(title)) return TemplateError::Truncated;
  if (title.isOrdinal) return TemplateError::BadClass;
  out.title = title.text;
  if (out.style & DS_SETFONT) {
    out.hasFont = true;
    if (!in.Word(out.pointSize) || !in.Text(out.faceName)) return TemplateError::Truncated;
  }
  out.items.resize(count);
  for (DialogItemSpec& item : out.items)
    if (TemplateError e = ReadItem(in, item); e != TemplateError::None) return e;
  return TemplateError::None;
}

std::string WideToAnsi(const WCHAR* text, size_t count) {
  std::string out;
  out.reserve(count);
  bool ascii = true;
  for (size_t i = 0; i < count && ascii; ++i) ascii = text[i] < 0x80;
  if (ascii) {
    for (size_t i = 0; i < count; ++i) out.push_back(char(text[i]));
    return out;
  }
  const char* source = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
  iconv_t cd = iconv_open("CP949", source);
  for (size_t i = 0; i < count; ++i) {
    const WCHAR u = text[i];
    if (u < 0x80) {
      out.push_back(char(u));
      continue;
    }
    char bytes[8];
    char* in = const_cast<char*>(reinterpret_cast<const char*>(&text[i]));
    size_t inLeft = sizeof(WCHAR);
    char* dst = bytes;
    size_t dstLeft = sizeof bytes;
    const bool surrogate = u >= 0xD800 && u <= 0xDFFF;
    if (cd != reinterpret_cast<iconv_t>(-1) && !surrogate &&
        iconv(cd, &in, &inLeft, &dst, &dstLeft) != size_t(-1)) {
      out.append(bytes, size_t(dst - bytes));
    } else {
      out.push_back('?');
    }
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}
