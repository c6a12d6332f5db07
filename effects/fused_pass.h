// The fused pass: one walk over the field per frame that counts neighbours, applies the
// Life rule, updates the shades and draws. It exists once per instruction set (a path);
// the best path the processor runs is chosen once, at start.
#pragma once
#include <cstddef>
#include <cstdint>

#include "settings/saver_settings.h"

// What one frame's pass reads and writes.
struct PassGrids {
    const uint8_t* Cells;  // the current cell grid
    uint8_t* NextCells;    // interior only; the border keeps what it held
    uint8_t* NextBits;     // the next generation again, one bit a cell (CellBits layout)
    uint8_t* Shades;       // the current shades; the Plasma effects rewrite them in place
    uint8_t* SpareShades;  // the averaging effects' new shades
    uint8_t* Pixels;       // where cell (1, 1) is drawn
    ptrdiff_t LineAdvance; // bytes from one field row's pixels to the next row's
    // A Native picture in video memory, as far as we know it (PictureCopy layout).
    uint8_t* Copy;
    uint8_t* Known;
};

// What a Native picture that must not be read back holds, one byte a cell in scan order:
// Copy holds the byte where Known is 0xFF (the pixel was drawn since the surface was made
// or restored). Where all of a run of pixels are known or changed, the vector paths write
// it whole; the portable path keeps no copy and writes changed pixels alone.
inline constexpr int32_t PictureCopyBytes = 320 * 200;

using FusedPass = void (*)(const PassGrids& grids);

// One effect's passes by display mode (0 Native, 1 Doubled) and by whether the picture may
// be read back (0: it lives in video memory and is only ever written).
struct EffectPasses {
    FusedPass ByMode[2][2];
};

struct SimdPath {
    EffectPasses Effects[EffectCount]; // effect 1..7 at 0..6
};

inline constexpr uint8_t PortableSimd = 0;
inline constexpr uint8_t Sse2Simd = 1;
inline constexpr uint8_t Avx2Simd = 2;
inline constexpr uint8_t Avx512Simd = 3;
inline constexpr uint8_t SimdPathCount = 4;
// As GLIMMERHEX_SIMD names them.
inline constexpr const char* SimdPathNames[SimdPathCount] = {"portable", "sse2", "avx2", "avx512"};

extern const SimdPath PortableSimdPath;
extern const SimdPath Sse2SimdPath;   // x86 builds only
extern const SimdPath Avx2SimdPath;   // x86 builds only
extern const SimdPath Avx512SimdPath; // x86 builds only
// This build's paths by number; null where the build has none (every non-x86 processor).
extern const SimdPath* const CompiledSimdPaths[SimdPathCount];
// Whether the processor (and its operating system) can run a compiled path.
bool ProcessorRunsSimdPath(uint8_t path);
// Whether a path the processor runs is worth choosing unasked on this processor family: a
// wider path is not faster everywhere (measured per family, never timed at start).
bool SimdPathPaysHere(uint8_t path);

// What an x86 processor reports of itself (cpuid), and which register states its
// operating system saves across task switches (XCR0, read by XGETBV; 0 without OSXSAVE).
struct X86Processor {
    bool Sse2, Avx2, Avx512F, Avx512Bw, Avx512Vl;
    uint64_t Xcr0;
    bool Amd;        // AuthenticAMD
    uint32_t Family; // the display family: base family plus extended family
};
// Whether such a processor runs a path, and whether the path pays on its family.
bool X86RunsSimdPath(const X86Processor& processor, uint8_t path);
bool X86SimdPathPays(const X86Processor& processor, uint8_t path);

extern const SimdPath* ActiveSimdPath;

// Which paths this build and processor can run (the portable one always).
void FindRunnableSimdPaths(bool (&runnable)[SimdPathCount]);
// The path chosen unasked: the widest runnable one that pays on this processor family.
uint8_t BestSimdPath(const bool (&runnable)[SimdPathCount]);
// The path a GLIMMERHEX_SIMD value asks for, given what can run and the best of it (null or
// empty: the best). A request that cannot be honoured gives the best path and the line that
// says so in `refusal` (else it is left empty).
uint8_t ResolveSimdRequest(const char* request, const bool (&runnable)[SimdPathCount], uint8_t best,
                           char (&refusal)[160]);
// The best path unless GLIMMERHEX_SIMD names another, a refusal going to stderr as one
// line. Runs once: later calls change nothing.
void ChooseSimdPath();
// Makes a path the active one (and counts as the choice) if it can run here; before a
// world is set up, which forgets what any path knew of the picture.
bool UseSimdPath(uint8_t path);
