// Text rasterisation for GDI text output: one TrueType face that covers Latin and Hangul, found
// through fontconfig and drawn with FreeType. Callers composite the coverage onto their surface
// in its own pixel format.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Limits that keep a bad call from asking for unbounded memory: cell heights past the first
// are refused, lines past the second are cut there (a 640 x 480 screen needs far less).
constexpr int kMaxTextPixelHeight = 512;
constexpr int kMaxTextRunWidth = 8192;

// One line of text rendered as 8-bit coverage (0 = background, 255 = full ink).
struct GlyphRun {
  int width = 0;                  // pixels; the advance of the whole line
  int height = 0;                 // pixels: ascent + descent of the face at this size
  int baseline = 0;               // rows from the top of the run to the baseline
  std::vector<uint8_t> coverage;  // width * height bytes, row by row, top row first
};

// Renders `ansiText` (code page 949 bytes, as the system hands them to the ANSI calls) at a
// cell height of `pixelHeight` pixels. Characters the face lacks are drawn as its missing-glyph
// box; line breaks are not interpreted. Empty text gives a zero-width run of full height.
// Returns false when no usable font exists at all or `pixelHeight` is outside
// 1..kMaxTextPixelHeight, in which case `out` is a zero-sized run.
bool RenderTextRun(std::string_view ansiText, int pixelHeight, GlyphRun& out);

// Width and height RenderTextRun would produce, without drawing; false (and zeros) where it
// would fail.
bool MeasureTextRun(std::string_view ansiText, int pixelHeight, int& width, int& height);

// Cell metrics of the face at a size: the cell height whose em (the character height without
// internal leading) is `emPixels` (at most kMaxTextPixelHeight), the em of a cell, and the rows
// of a cell above the baseline. Without a usable font the em is the cell and the ascent 0.
int TextCellForEm(int emPixels);
int TextEmForCell(int pixelHeight);
int TextAscent(int pixelHeight);

// The font file in use (for diagnostics), or empty when none was found.
const char* TextFontPath();
