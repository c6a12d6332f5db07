// The paths of an x86 build: SSE2 and AVX2 beside the portable one.
#include "effects/fused_pass.h"

const SimdPath* const CompiledSimdPaths[SimdPathCount] = {&PortableSimdPath, &Sse2SimdPath,
                                                          &Avx2SimdPath};

bool ProcessorRunsSimdPath(uint8_t path) {
    // The compiler's check reads cpuid and, for AVX2, XGETBV too: the wide registers count
    // only where the operating system saves them across task switches.
    __builtin_cpu_init();
    if (path == Avx2Simd) return __builtin_cpu_supports("avx2");
    if (path == Sse2Simd) return __builtin_cpu_supports("sse2");
    return path == PortableSimd;
}
