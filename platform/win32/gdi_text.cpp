// Text in the selected font: extents, metrics, and DrawTextA's lines, word wrapping, alignment
// and '&' prefixes.
#include "win32/gdi_text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// DrawTextA looks at no more text, and makes no more lines, than these.
constexpr size_t kMaxDrawTextBytes = 65536;
constexpr size_t kMaxDrawTextLines = 4096;
constexpr int kTabColumns = 8;

// One character of a line: its bytes (two for a double-byte character), advance, and whether
// a '&' prefix marks it.
struct Unit {
  char bytes[2];
  uint8_t size;
  bool underlined;
  int width;
};
using Line = std::vector<Unit>;

bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

int UnitWidth(const GdiFontSpec& font, const char* bytes, size_t size) {
  GdiFontSpec plain = font;
  plain.bold = false;  // the extra bold column counts once per line
  int width = 0, height = 0;
  GdiMeasureRun(plain, std::string_view(bytes, size), width, height);
  return width;
}

int LineWidth(const Line& line, bool bold) {
  int64_t width = 0;
  for (const Unit& u : line) width += u.width;
  if (bold && width > 0) ++width;
  return int(std::min<int64_t>(width, kMaxTextRunWidth));
}

std::string LineText(const Line& line) {
  std::string s;
  for (const Unit& u : line) s.append(u.bytes, u.size);
  return s;
}

// Splits the text into its lines of characters, taking out prefixes and line breaks.
std::vector<Line> SplitLines(const GdiFontSpec& font, std::string_view text, UINT format) {
  std::vector<Line> lines(1);
  const bool prefixes = !(format & DT_NOPREFIX);
  const bool single = format & DT_SINGLELINE;
  bool underlineNext = false;
  auto add = [&](const char* bytes, uint8_t size) {
    Unit u{{bytes[0], size > 1 ? bytes[1] : '\0'}, size, underlineNext && !(format & DT_HIDEPREFIX), 0};
    u.width = UnitWidth(font, u.bytes, size);
    lines.back().push_back(u);
    underlineNext = false;
  };
  for (size_t i = 0; i < text.size() && lines.size() <= kMaxDrawTextLines; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!single) lines.emplace_back();
      continue;
    }
    if (c == '&' && prefixes) {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        add("&", 1);
        ++i;
      } else {
        underlineNext = true;
      }
      continue;
    }
    if (c == '\t') {
      const size_t spaces = (format & DT_EXPANDTABS)
                                ? kTabColumns - lines.back().size() % kTabColumns
                                : 1;
      for (size_t k = 0; k < spaces; ++k) add(" ", 1);
      continue;
    }
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      add(text.data() + i, 2);
      ++i;
      continue;
    }
    add(&c, 1);
  }
  if (lines.size() > kMaxDrawTextLines) lines.resize(kMaxDrawTextLines);
  return lines;
}

// Wraps one line at spaces to `width`; a word wider than that breaks between characters.
void WrapLine(const Line& line, int width, std::vector<Line>& out) {
  size_t start = 0;
  while (start < line.size() && out.size() < kMaxDrawTextLines) {
    int64_t used = 0;
    size_t end = start, lastBreak = 0;
    while (end < line.size() && (end == start || used + line[end].width <= width)) {
      used += line[end].width;
      ++end;
      if (end < line.size() && line[end].bytes[0] == ' ' && line[end - 1].bytes[0] != ' ')
        lastBreak = end;
    }
    if (end < line.size() && lastBreak > start) end = lastBreak;
    if (end == line.size()) {
      out.emplace_back(line.begin() + ptrdiff_t(start), line.end());
      return;
    }
    out.emplace_back(line.begin() + ptrdiff_t(start), line.begin() + ptrdiff_t(end));
    start = end;
    while (start < line.size() && line[start].bytes[0] == ' ') ++start;  // spaces at a break go
  }
  if (line.empty()) out.emplace_back();
}

}  // namespace

GdiFontSpec GdiSelectedFont(HDC dc) {
  GdiFontSpec shape;
  if (const GdiDrawState* state = GdiStateOf(dc)) GdiFontOf(state->font, shape);
  return shape;
}

bool GdiRenderRun(const GdiFontSpec& font, std::string_view text, GlyphRun& out) {
  if (!RenderTextRun(text, font.cellHeight, out)) return false;
  if (!font.bold || out.width == 0 || out.width >= kMaxTextRunWidth) return true;
  const int width = out.width + 1;
  std::vector<uint8_t> wide(size_t(width) * size_t(out.height), 0);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* src = out.coverage.data() + size_t(y) * size_t(out.width);
    uint8_t* dst = wide.data() + size_t(y) * size_t(width);
    for (int x = 0; x < out.width; ++x) {
      dst[x] = std::max(dst[x], src[x]);
      dst[x + 1] = src[x];
    }
  }
  out.width = width;
  out.coverage.swap(wide);
  return true;
}

bool GdiMeasureRun(const GdiFontSpec& font, std::string_view text, int& width, int& height) {
  if (!MeasureTextRun(text, font.cellHeight, width, height)) return false;
  if (font.bold && width > 0 && width < kMaxTextRunWidth) ++width;
  return true;
}

void GdiDrawRun(GdiCanvas& canvas, const GlyphRun& run, const GdiFontSpec& font, int64_t x,
                int64_t y, const RECT* limit) {
  const GdiDrawState& state = canvas.State();
  RECT cell = GdiOffsetRect(RECT{0, 0, run.width, run.height}, x, y);
  if (limit) cell = GdiIntersect(cell, *limit);
  if (state.backMode == OPAQUE) canvas.Fill(cell, state.backColor);
  canvas.Coverage(run.coverage.data(), run.width, run.height, x, y, state.textColor, limit);
  if (font.underline && run.height > 0) {
    const LONG row = std::min(run.baseline + 1, run.height - 1);
    RECT line = GdiOffsetRect(RECT{0, row, run.width, row + 1}, x, y);
    if (limit) line = GdiIntersect(line, *limit);
    canvas.Fill(line, state.textColor);
  }
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  if (!GdiStateOf(dc) || !size || count < 0 || (!text && count > 0)) return FALSE;
  int width = 0, height = 0;
  if (!GdiMeasureRun(GdiSelectedFont(dc), std::string_view(text ? text : "", size_t(count)), width,
                     height))
    return FALSE;
  size->cx = width;
  size->cy = height;
  return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
  if (!GdiStateOf(dc) || !metrics) return FALSE;
  const GdiFontSpec font = GdiSelectedFont(dc);
  int average = 0, wide = 0, hangul = 0, height = 0;
  if (!GdiMeasureRun(font, "x", average, height)) return FALSE;
  GdiMeasureRun(font, "W", wide, height);
  GdiMeasureRun(font, "\xB0\xA1", hangul, height);
  TEXTMETRICA tm{};
  tm.tmHeight = font.cellHeight;
  tm.tmAscent = TextAscent(font.cellHeight);
  tm.tmDescent = tm.tmHeight - tm.tmAscent;
  tm.tmInternalLeading = std::max(0, font.cellHeight - TextEmForCell(font.cellHeight));
  tm.tmAveCharWidth = average;
  tm.tmMaxCharWidth = std::max(wide, hangul);
  tm.tmWeight = font.bold ? FW_BOLD : FW_NORMAL;
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = '?';
  tm.tmBreakChar = ' ';
  tm.tmUnderlined = font.underline ? 1 : 0;
  tm.tmPitchAndFamily = 0x07 | FF_SWISS;  // variable pitch, vector, TrueType
  tm.tmCharSet = HANGUL_CHARSET;
  *metrics = tm;
  return TRUE;
}

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
  if (!GdiStateOf(dc) || !rect || count < -1 || (!text && count != 0)) return 0;
  const size_t length = count == -1 ? std::strlen(text) : size_t(count);
  const std::string_view source(text ? text : "", std::min(length, kMaxDrawTextBytes));
  const GdiFontSpec font = GdiSelectedFont(dc);
  const bool single = format & DT_SINGLELINE;

  std::vector<Line> lines = SplitLines(font, source, format);
  if ((format & DT_WORDBREAK) && !single) {
    const int width = int(std::clamp<int64_t>(int64_t(rect->right) - rect->left, 1, INT32_MAX));
    std::vector<Line> wrapped;
    for (const Line& line : lines) WrapLine(line, width, wrapped);
    lines.swap(wrapped);
  }
  const int lineHeight = font.cellHeight;
  int widest = 0;
  for (const Line& line : lines) widest = std::max(widest, LineWidth(line, font.bold));
  const int height = int(lines.size()) * lineHeight;

  if (format & DT_CALCRECT) {
    rect->right = LONG(std::min<int64_t>(int64_t(rect->left) + widest, INT32_MAX));
    rect->bottom = LONG(std::min<int64_t>(int64_t(rect->top) + height, INT32_MAX));
    return height;
  }

  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return 0;
  int64_t y = rect->top;
  if (single && (format & DT_VCENTER))
    y += (int64_t(rect->bottom) - rect->top - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    y = int64_t(rect->bottom) - lineHeight;
  const int64_t firstY = y;
  const RECT* limit = (format & DT_NOCLIP) ? nullptr : rect;
  const int ascent = TextAscent(lineHeight);
  for (const Line& line : lines) {
    const int width = LineWidth(line, font.bold);
    int64_t x = rect->left;
    if (format & DT_CENTER)
      x += (int64_t(rect->right) - rect->left - width) / 2;
    else if (format & DT_RIGHT)
      x = int64_t(rect->right) - width;
    GlyphRun run;
    if (!GdiRenderRun(font, LineText(line), run)) return 0;
    GdiDrawRun(canvas, run, font, x, y, limit);
    int64_t ux = x;
    for (const Unit& u : line) {
      if (u.underlined) {
        RECT mark = GdiOffsetRect(RECT{0, ascent + 1, u.width, ascent + 2}, ux, y);
        if (limit) mark = GdiIntersect(mark, *limit);
        canvas.Fill(mark, canvas.State().textColor);
      }
      ux += u.width;
    }
    y += lineHeight;
  }
  return int(std::min<int64_t>(firstY - rect->top + height, INT32_MAX));
}
