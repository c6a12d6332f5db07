// The paths of an x86 build: SSE2, AVX2 and AVX-512 beside the portable one, and what the
// processor says of itself.
#include <cpuid.h>

#include "effects/fused_pass.h"

const SimdPath* const CompiledSimdPaths[SimdPathCount] = {&PortableSimdPath, &Sse2SimdPath,
                                                          &Avx2SimdPath, &Avx512SimdPath};

namespace {
X86Processor ReadX86Processor() {
    X86Processor processor{};
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) return processor;
    const unsigned highestLeaf = eax;
    processor.Amd = ebx == 0x68747541 && edx == 0x69746E65 && ecx == 0x444D4163; // "AuthenticAMD"
    __get_cpuid(1, &eax, &ebx, &ecx, &edx);
    const uint32_t baseFamily = (eax >> 8) & 0xF;
    processor.Family = baseFamily == 0xF ? baseFamily + ((eax >> 20) & 0xFF) : baseFamily;
    processor.Sse2 = (edx & bit_SSE2) != 0;
    // XGETBV exists only where the operating system has turned it on (OSXSAVE).
    if ((ecx & bit_OSXSAVE) != 0) {
        unsigned low = 0, high = 0;
        __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
        processor.Xcr0 = (uint64_t{high} << 32) | low;
    }
    if (highestLeaf >= 7) {
        __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx);
        processor.Avx2 = (ebx & bit_AVX2) != 0;
        processor.Avx512F = (ebx & bit_AVX512F) != 0;
        processor.Avx512Bw = (ebx & bit_AVX512BW) != 0;
        processor.Avx512Vl = (ebx & bit_AVX512VL) != 0;
    }
    return processor;
}

const X86Processor& ThisProcessor() {
    static const X86Processor processor = ReadX86Processor();
    return processor;
}
} // namespace

bool ProcessorRunsSimdPath(uint8_t path) {
    return X86RunsSimdPath(ThisProcessor(), path);
}

bool SimdPathPaysHere(uint8_t path) {
    return X86SimdPathPays(ThisProcessor(), path);
}
