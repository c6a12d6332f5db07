#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/fused_pass.h"

const SimdPath* ActiveSimdPath = &PortableSimdPath;

namespace {
bool SimdPathChosen = false;
} // namespace

void FindRunnableSimdPaths(bool (&runnable)[SimdPathCount]) {
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        runnable[path] = CompiledSimdPaths[path] != nullptr && ProcessorRunsSimdPath(path);
}

uint8_t ResolveSimdRequest(const char* request, const bool (&runnable)[SimdPathCount],
                           char (&refusal)[160]) {
    refusal[0] = '\0';
    uint8_t best = PortableSimd;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (runnable[path]) best = path;
    if (request == nullptr || request[0] == '\0') return best;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (std::strcmp(request, SimdPathNames[path]) == 0) {
            if (runnable[path]) return path;
            std::snprintf(refusal, sizeof refusal,
                          "glimmerhex: GLIMMERHEX_SIMD=%s cannot run on this processor; using %s",
                          request, SimdPathNames[best]);
            return best;
        }
    std::snprintf(refusal, sizeof refusal,
                  "glimmerhex: GLIMMERHEX_SIMD=%.40s is not avx2, sse2 or portable; using %s",
                  request, SimdPathNames[best]);
    return best;
}

void ChooseSimdPath() {
    if (SimdPathChosen) return;
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    char refusal[160];
    const uint8_t path = ResolveSimdRequest(std::getenv("GLIMMERHEX_SIMD"), runnable, refusal);
    if (refusal[0] != '\0') std::fprintf(stderr, "%s\n", refusal);
    UseSimdPath(path);
}

bool UseSimdPath(uint8_t path) {
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    if (path >= SimdPathCount || !runnable[path]) return false;
    ActiveSimdPath = CompiledSimdPaths[path];
    SimdPathChosen = true;
    return true;
}
