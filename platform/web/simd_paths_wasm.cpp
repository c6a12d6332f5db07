// The paths of the page's build with WebAssembly SIMD: the SSE2 pass, built through the
// compiler's SSE2 headers into WebAssembly's 128-bit vectors, beside the portable one. A
// browser runs this module only where it has those vectors (it refuses to load it
// elsewhere, and the page then loads the build without them), so both paths always run.
#include "effects/fused_pass.h"

const SimdPath* const CompiledSimdPaths[SimdPathCount] = {&PortableSimdPath, &Sse2SimdPath, nullptr,
                                                          nullptr};

bool ProcessorRunsSimdPath(uint8_t path) {
    return path == PortableSimd || path == Sse2Simd;
}

bool SimdPathPaysHere(uint8_t) {
    return true;
}
