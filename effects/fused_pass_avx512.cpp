// The fused passes for AVX-512: the one file built with -mavx512f -mavx512bw -mavx512vl, run
// only where the processor and the operating system can.
#include "effects/vectors_avx512.h"

#include "effects/fused_pass_kernels.h"

const SimdPath Avx512SimdPath = MakeSimdPath();
