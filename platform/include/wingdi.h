// GDI32 services: bitmaps and device contexts.
#pragma once

#include "wintypes.h"
