// The paths of a build for any processor but x86: the portable one alone.
#include "effects/fused_pass.h"

const SimdPath* const CompiledSimdPaths[SimdPathCount] = {&PortableSimdPath, nullptr, nullptr,
                                                          nullptr};

bool ProcessorRunsSimdPath(uint8_t path) {
    return path == PortableSimd;
}

bool SimdPathPaysHere(uint8_t) {
    return true;
}
