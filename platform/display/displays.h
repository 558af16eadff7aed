// Inside the platform layer: the displays there are, for TheDisplay to choose from.
#pragma once

#include "display/display.h"

// The display without a screen: the desktop in memory, no input.
Display* NewHeadlessDisplay();
