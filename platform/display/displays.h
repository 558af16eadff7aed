// Inside the platform layer: the displays there are, for TheDisplay to choose from.
#pragma once

#include "display/display.h"

#include <string>

// The display without a screen: the desktop in memory, no input but a VELTA_INPUT script.
Display* NewHeadlessDisplay();

// Writes a rectangle of the screen (screen coordinates, cut to the screen) as a 24-bit BMP
// file. False when nothing of it is on the screen or the file cannot be written.
bool SaveScreenArea(const ScreenBuffer& screen, const RECT& area, const char* path);

// The display in a host window through SDL, or null (with SDL's reason in `why`) when SDL
// cannot open one here.
Display* NewSdlDisplay(std::string& why);
