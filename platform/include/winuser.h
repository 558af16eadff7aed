// USER32 services: message boxes, text formatting and comparison.
#pragma once

#include "wintypes.h"
