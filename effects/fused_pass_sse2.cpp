// The fused passes for SSE2, the baseline of every x86 processor the saver runs on.
#include "effects/vectors_sse2.h"

#include "effects/fused_pass_kernels.h"

const SimdPath Sse2SimdPath = MakeSimdPath();
