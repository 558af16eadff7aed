// The device selection dialog: driver, 3D device and full-screen mode (or windowed operation)
// chosen from the enumerated lists. It has no resource; its template is built in memory each
// time it is shown.
#pragma once

#include <windows.h>

#include "framework/devices.h"

// Control identifiers of the dialog.
enum SelectDialogControl : WORD {
  DriverCombo = 1000,
  DeviceCombo = 1001,
  ModeCombo = 1002,
};

// Size of the zeroed buffer the template is built in.
constexpr size_t SelectDialogTemplateSize = 900;

// A newly allocated template (free it with FreeSelectDialogTemplate), or null when the
// allocation fails.
DLGTEMPLATE* BuildSelectDialogTemplate();
void FreeSelectDialogTemplate(DLGTEMPLATE* dialogTemplate);

INT_PTR CALLBACK SelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Refills the three combo boxes for the given choice. A null driver or device is replaced by the
// first driver of the list and that driver's first device (written back).
void FillSelectionControls(HWND dialog, DriverInfo** driver, DeviceInfo** device, ModeInfo** mode,
                           BOOL windowed);

// For tests: the next template allocations fail while set.
void TestFailSelectDialogAllocation(bool fail);
