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
// AVX-512 is chosen unasked where it was measured faster than AVX2, with the grid rows and
// the picture on cache lines (tick_bench, Native, every effect): on AMD's family 26 (Zen 5),
// and on Intel's Xeon of family 6 model 167, where it ran 1.77-2.15x SSE2 against AVX2's
// 1.44-1.61x (averaging effects 6.8-7.3 us a tick against AVX2's 8.5-8.8; Plasma 5.4-5.5
// against 7.2-7.3). Before the rows lay on cache lines it was no faster than AVX2 there: its
// 64-byte stores split a line at nearly every step. Intel's processors that run it are taken
// as that one; AMD's family 25 (Zen 4), whose AVX-512 is 256 bits wide inside, was not
// measured and keeps AVX2. GLIMMERHEX_SIMD=avx512 runs it anywhere it runs.
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
    return path != Avx512Simd || !processor.Amd ||
           processor.Family >= FirstAmdFamilyWhereAvx512Pays;
}
