// Direct3D immediate mode: vertex types now; the device comes with the Direct3D layer.
#pragma once

#include "ddraw.h"
#include "d3dtypes.h"
