// The AVX2 span loops compiled for AVX-512 (F, VL, BW, DQ): the same operations with 32
// vector registers, so the loop state no longer spills. Called only where the processor has it.
#include <immintrin.h>

#include <cstring>

#include "raster/raster_internal.h"

namespace {

#include "raster/raster_kernel.h"
#include "raster/raster_avx2_backend.h"

}  // namespace

RasterTriangleFn RasterSelectLoopAvx512(RasterFormat target, RasterTexMode tex,
                                        RasterDepthMode depth) {
  return SelectLoop<Avx2>(target, tex, depth);
}
