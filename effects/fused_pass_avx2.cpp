// The fused passes for AVX2: the one file built with -mavx2, run only where the processor
// and the operating system can.
#include "effects/vectors_avx2.h"

#include "effects/fused_pass_kernels.h"

const SimdPath Avx2SimdPath = MakeSimdPath();
