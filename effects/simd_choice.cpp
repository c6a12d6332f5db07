#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/fused_pass.h"

const SimdPath* ActiveSimdPath = &PortableSimdPath;

namespace {
bool SimdPathChosen = false;

bool CanRun(uint8_t path) {
    return path < SimdPathCount && CompiledSimdPaths[path] != nullptr &&
           ProcessorRunsSimdPath(path);
}

uint8_t BestSimdPath() {
    uint8_t best = PortableSimd;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (CanRun(path)) best = path;
    return best;
}
} // namespace

uint8_t ResolveSimdRequest(const char* request, char (&refusal)[160]) {
    refusal[0] = '\0';
    const uint8_t best = BestSimdPath();
    if (request == nullptr || request[0] == '\0') return best;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (std::strcmp(request, SimdPathNames[path]) == 0) {
            if (CanRun(path)) return path;
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
    char refusal[160];
    const uint8_t path = ResolveSimdRequest(std::getenv("GLIMMERHEX_SIMD"), refusal);
    if (refusal[0] != '\0') std::fprintf(stderr, "%s\n", refusal);
    UseSimdPath(path);
}

bool UseSimdPath(uint8_t path) {
    if (!CanRun(path)) return false;
    ActiveSimdPath = CompiledSimdPaths[path];
    SimdPathChosen = true;
    return true;
}
