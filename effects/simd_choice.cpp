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

uint8_t BestSimdPath(const bool (&runnable)[SimdPathCount]) {
    for (uint8_t path = SimdPathCount - 1; path > PortableSimd; --path)
        if (runnable[path] && SimdPathPaysHere(path)) return path;
    return PortableSimd;
}

uint8_t ResolveSimdRequest(const char* request, const bool (&runnable)[SimdPathCount], uint8_t best,
                           char (&refusal)[160]) {
    refusal[0] = '\0';
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
                  "glimmerhex: GLIMMERHEX_SIMD=%.40s is not avx512, avx2, sse2 or portable; "
                  "using %s",
                  request, SimdPathNames[best]);
    return best;
}

void ChooseSimdPath() {
    if (SimdPathChosen) return;
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    char refusal[160];
    const uint8_t path = ResolveSimdRequest(std::getenv("GLIMMERHEX_SIMD"), runnable,
                                            BestSimdPath(runnable), refusal);
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

namespace {
// The register states a path's instructions need the operating system to save: SSE and
// AVX state for AVX2; for AVX-512 also the mask registers and both halves of the ZMM state.
constexpr uint64_t AvxState = 0x06;
constexpr uint64_t Avx512State = 0xE6;
// AVX-512 is chosen unasked only where it was measured faster than AVX2: AMD's family 26
// (Zen 5), on every effect and picture kind. On Intel's Xeon (family 6, model 207) a probe
// of this pass's loads and stores found it no faster than AVX2, and the pass itself was not
// measured there; AVX2 stays the choice of that family and of every family not measured
// (AMD's family 25, Zen 4, among them). GLIMMERHEX_SIMD=avx512 runs it anywhere it runs.
constexpr uint32_t FirstAmdFamilyWhereAvx512Pays = 26;
} // namespace

bool X86RunsSimdPath(const X86Processor& processor, uint8_t path) {
    const bool avx = (processor.Xcr0 & AvxState) == AvxState;
    switch (path) {
    case PortableSimd:
        return true;
    case Sse2Simd:
        return processor.Sse2;
    case Avx2Simd:
        return processor.Avx2 && avx;
    case Avx512Simd:
        return processor.Avx2 && processor.Avx512F && processor.Avx512Bw && processor.Avx512Vl &&
               (processor.Xcr0 & Avx512State) == Avx512State;
    default:
        return false;
    }
}

bool X86SimdPathPays(const X86Processor& processor, uint8_t path) {
    return path != Avx512Simd ||
           (processor.Amd && processor.Family >= FirstAmdFamilyWhereAvx512Pays);
}
