// Velta's own Win32 surface: the types, constants and calls the viewer uses, implemented by
// the platform layer on top of the host system. Include this, never the pieces directly.
#pragma once

#include "wintypes.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"
#include "wingdi.h"
#include "mmsystem.h"
