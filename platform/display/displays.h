// Inside the platform layer: the displays there are, for TheDisplay to choose from.
#pragma once

#include "display/display.h"

#include <string>

// The display without a screen: the desktop in memory, no input.
Display* NewHeadlessDisplay();

// The display in a host window through SDL, or null (with SDL's reason in `why`) when SDL
// cannot open one here.
Display* NewSdlDisplay(std::string& why);
