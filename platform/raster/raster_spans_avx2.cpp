// The span loops for AVX2, called only where the processor has it.
#include <immintrin.h>

#include <cstring>

#include "raster/raster_internal.h"

namespace {

#include "raster/raster_kernel.h"
#include "raster/raster_avx2_backend.h"

}  // namespace

RasterTriangleFn RasterSelectLoopAvx2(RasterFormat target, RasterTexMode tex,
                                      RasterDepthMode depth) {
  return SelectLoop<Avx2>(target, tex, depth);
}
