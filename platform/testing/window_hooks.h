// What tests set in the window layer and the displays: a clean slate between tests, and the
// environment read again. Only tests include this.
#pragma once

#include <windows.h>

// Forgets every window, class, posted message and quit request, the active and focus windows,
// the key state and the cursor, without sending a message.
void TestResetWindows();

// Reads VELTA_CLOCK_MS again.
void TestReloadClock();

// Drops the display in force; the next use makes a new one from the environment (VELTA_VIDEO,
// VELTA_FRAMES, VELTA_SNAPSHOT and the machine's desktop). No DirectDraw object may be alive.
void TestResetDisplay();
