// Inside the platform layer: text in a device context's selected font, shared by the text
// calls (ExtTextOutA, DrawTextA) and the window frames.
#pragma once

#include <windows.h>

#include <string_view>

#include "win32/font.h"
#include "win32/gdi_canvas.h"
#include "win32/gdi_objects.h"

// The font selected into a device context (the system font for a bad handle).
GdiFontSpec GdiSelectedFont(HDC dc);

// One line in a font: bold inks each column's right neighbour too, one pixel wider.
bool GdiRenderRun(const GdiFontSpec& font, std::string_view text, GlyphRun& out);
bool GdiMeasureRun(const GdiFontSpec& font, std::string_view text, int& width, int& height);

// Draws a rendered line with its cell's top-left corner at logical (x, y) in the text colour,
// over the background colour when the mode is OPAQUE, underlined when the font is; kept
// inside the logical `limit` when one is given.
void GdiDrawRun(GdiCanvas& canvas, const GlyphRun& run, const GdiFontSpec& font, int64_t x,
                int64_t y, const RECT* limit);
