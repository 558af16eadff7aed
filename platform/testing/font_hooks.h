// What tests change in the text rasteriser. Only tests include this.
#pragma once

// Forgets the loaded face and every cached glyph, rereads the fontconfig configuration (so
// FONTCONFIG_FILE and VELTA_FONT as they are now apply) and searches for the font again.
void TestReloadTextFont();
