#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "effects/fused_pass.h"
#include "life/generation.h"
#include "life/grids.h"
#include "platform/headless/headless_display.h"
#include "ports/display_port.h"
#include "reference_checks.h"
#include "simd_path_test.h"
#include "test_support.h"

namespace {
constexpr uint8_t Sentinel = 0xAB;

struct FrameCase {
    uint8_t Path;
    ReferenceCase Case;
};

std::string FrameCaseName(const ::testing::TestParamInfo<FrameCase>& info) {
    const ReferenceCase& c = info.param.Case;
    return std::string(SimdPathNames[info.param.Path]) + "Effect" + std::to_string(c.Effect) +
           (c.Mode == DoubledDisplay ? "Doubled" : "Native") + "Pitch" + std::to_string(c.Pitch) +
           (c.VideoMemory ? "VideoMemory" : "SystemMemory");
}

class EffectAgainstReference : public OnSimdPath<FrameCase> {};

// Every path, on a surface that may be read back (whole rows blended) and on one that may
// not (changed pixels alone), draws what the restated rules draw.
TEST_P(EffectAgainstReference, FramesMatchThePlainRules) {
    EXPECT_EQ(CompareFramesWithReference(GetParam().Case, 12), "");
}

std::vector<FrameCase> AllFrameCases() {
    std::vector<FrameCase> cases;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        for (uint8_t effect = 1; effect <= 7; ++effect)
            for (const bool video : {false, true})
                for (const auto& [mode, pitch] :
                     {std::pair{NativeDisplay, 320}, std::pair{NativeDisplay, 384},
                      std::pair{DoubledDisplay, 640}, std::pair{DoubledDisplay, 1024}})
                    cases.push_back({path, {effect, mode, pitch, video}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllPaths, EffectAgainstReference, ::testing::ValuesIn(AllFrameCases()),
                         FrameCaseName);

class PictureCopy : public OnSimdPath<FrameCase> {};

// On a picture in video memory the effects keep a copy of what it holds: an averaging
// effect's frames must leave the copy as they leave the picture, for the Plasma frames
// after a change of effect; and a new world on a new surface starts from nothing known.
TEST_P(PictureCopy, FollowsTheEffectsAndLastsOneSurface) {
    const ReferenceCase& c = GetParam().Case;
    for (const uint8_t plasma : {5, 6, 7})
        EXPECT_EQ(CompareFramesWithReference(c, 8, plasma), "") << "changed to " << +plasma;
    EXPECT_EQ(CompareFramesWithReference({7, c.Mode, c.Pitch, c.VideoMemory}, 6, 3), "");
    EXPECT_EQ(CompareFramesWithReference({5, c.Mode, c.Pitch, c.VideoMemory}, 6), "")
        << "a second world on a fresh surface";
}

std::vector<FrameCase> PictureCopyCases() {
    std::vector<FrameCase> cases;
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        for (const bool video : {false, true}) {
            cases.push_back({path, {1, NativeDisplay, 320, video}});
            cases.push_back({path, {4, DoubledDisplay, 704, video}});
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllPaths, PictureCopy, ::testing::ValuesIn(PictureCopyCases()),
                         FrameCaseName);

struct OffsetCase {
    uint8_t Mode;
    int32_t Pitch;
    int32_t Column, Row;
    size_t Offset;
};

// One dying cell under "Plasma Lite" writes exactly one byte: the one its cell maps to.
TEST(EffectFrame, EachCellIsDrawnAtItsOffset) {
    const OffsetCase cases[] = {
        {NativeDisplay, 320, 1, 1, 0},       {NativeDisplay, 320, 320, 1, 319},
        {NativeDisplay, 320, 1, 2, 320},     {NativeDisplay, 320, 320, 200, 63999},
        {NativeDisplay, 384, 1, 2, 384},     {NativeDisplay, 384, 320, 200, 199 * 384 + 319},
        {DoubledDisplay, 640, 1, 1, 25600},  {DoubledDisplay, 640, 320, 1, 26238},
        {DoubledDisplay, 640, 1, 2, 26880},  {DoubledDisplay, 640, 320, 200, 280958},
        {DoubledDisplay, 1024, 1, 2, 43008}, {DoubledDisplay, 1024, 320, 200, 438 * 1024 + 638},
    };
    for (const OffsetCase& c : cases) {
        StartHeadlessWorld(5, 1, c.Mode, c.Pitch);
        NextCell(c.Column, c.Row) = 1;
        CurrentShade(c.Column, c.Row) = 128;
        AdvanceGeneration();
        ActiveEffectRenderer();
        std::vector<size_t> written;
        for (size_t i = 0; i < HeadlessDisplay.Pixels.size(); ++i)
            if (HeadlessDisplay.Pixels[i] != 0) written.push_back(i);
        ASSERT_EQ(written.size(), 1u) << c.Column << "," << c.Row;
        EXPECT_EQ(written[0], c.Offset) << c.Column << "," << c.Row << " pitch " << c.Pitch;
        EXPECT_EQ(HeadlessDisplay.Pixels[c.Offset], 126);
    }
}

// The headless surface starts a cache line in every mode and pitch, as the programs' pictures
// do, so that the tests and the bench store where the programs store.
TEST(EffectFrame, TheHeadlessSurfaceStartsACacheLine) {
    const std::pair<uint8_t, int32_t> cases[] = {
        {NativeDisplay, 320}, {NativeDisplay, 352}, {DoubledDisplay, 640}, {DoubledDisplay, 704}};
    for (const auto& [mode, pitch] : cases) {
        StartHeadlessWorld(1, 1, mode, pitch);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(HeadlessDisplay.Pixels.data()) % 64, 0u)
            << "mode " << +mode << ", pitch " << pitch;
    }
}

TEST(EffectFrame, ALockFailureSkipsTheWholeFrame) {
    for (const int32_t code : {SurfaceLostError, static_cast<int32_t>(0x88760096u)}) {
        StartHeadlessWorld(1);
        NextCell(10, 10) = NextCell(11, 10) = NextCell(12, 10) = 1;
        CurrentShade(50, 50) = 200;
        AdvanceGeneration();
        const std::vector<uint8_t> next(NextCellGrid, NextCellGrid + GridCells);
        const std::vector<uint8_t> shades(CurrentShadeGrid, CurrentShadeGrid + GridCells);
        uint8_t* const current = CurrentShadeGrid;
        HeadlessDisplay.LockResult = code;
        HeadlessDisplay.LockFailures = 1;
        std::fill(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel);

        ActiveEffectRenderer();

        EXPECT_EQ(HeadlessDisplay.RestoreCalls, code == SurfaceLostError ? 1 : 0);
        EXPECT_EQ(HeadlessDisplay.UnlockCalls, 0);
        EXPECT_EQ(std::vector<uint8_t>(NextCellGrid, NextCellGrid + GridCells), next);
        EXPECT_EQ(CurrentShadeGrid, current) << "no shade exchange";
        EXPECT_EQ(std::vector<uint8_t>(CurrentShadeGrid, CurrentShadeGrid + GridCells), shades);
        EXPECT_EQ(
            std::count(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel),
            static_cast<long>(HeadlessDisplay.Pixels.size()));
    }
}

TEST(EffectFrame, ASurfaceThatStaysLostIsRestoredOnEveryTick) {
    StartHeadlessWorld(3);
    HeadlessDisplay.LockResult = SurfaceLostError;
    HeadlessDisplay.LockFailures = -1;
    HeadlessDisplay.RestoreFails = true;
    for (int tick = 0; tick < 3; ++tick)
        IdleTick();
    EXPECT_EQ(HeadlessDisplay.RestoreCalls, 3);
    HeadlessDisplay.RestoreFails = false;
    IdleTick(); // this restore heals the surface
    IdleTick();
    EXPECT_EQ(HeadlessDisplay.RestoreCalls, 4);
    EXPECT_EQ(HeadlessDisplay.UnlockCalls, 1);
}

struct SingleCellCase {
    uint8_t Effect;
    int Dx, Dy;
    uint8_t Expected;
};

// A lone live cell with nothing around it: what each neighbour shows the next frame.
TEST(ShadeAveraging, ALoneHeatSourceSpreadsToItsNeighbours) {
    const SingleCellCase cases[] = {
        {1, 1, 0, 16},  {1, 1, 1, 16},  {1, 0, 0, 0},               // Heated: 128 / 8
        {2, 1, 0, 32},  {2, 0, -1, 32}, {2, 1, 1, 0}, {2, 0, 0, 0}, // orthogonal only
        {3, -1, 0, 30}, {3, 1, -1, 30},                             // 255 / 8 - 1
        {4, 0, 1, 62},  {4, -1, -1, 0},                             // 255 / 4 - 1
    };
    for (const SingleCellCase& c : cases) {
        StartHeadlessWorld(c.Effect);
        NextCell(100, 100) = 1;
        CurrentShade(100, 100) = c.Effect <= 2 ? 128 : 255;
        AdvanceGeneration();
        ActiveEffectRenderer();
        EXPECT_EQ(CurrentShade(100 + c.Dx, 100 + c.Dy), c.Expected)
            << "effect " << +c.Effect << " at " << c.Dx << "," << c.Dy;
        EXPECT_EQ(CellPixel(100 + c.Dx, 100 + c.Dy), c.Expected);
    }
}

TEST(ShadeAveraging, ABlockFlashesAndItsStoredShadeStays) {
    for (uint8_t effect : {1, 3}) {
        StartHeadlessWorld(effect);
        NextCell(50, 50) = NextCell(51, 50) = NextCell(50, 51) = NextCell(51, 51) = 1;
        for (int frame = 0; frame < 3; ++frame) {
            AdvanceGeneration();
            ActiveEffectRenderer();
        }
        EXPECT_EQ(CellPixel(50, 50), 255);
        EXPECT_EQ(CurrentShade(51, 51), effect == 1 ? 128 : 255);
    }
}

struct FadeCase {
    uint8_t Effect;
    uint8_t StartShade;
    uint8_t Step;
    int Frames;
};

// A dying cell fades one step per frame to exactly 0 and is then left alone.
TEST(Plasma, DyingCellsFadeToZeroAndStop) {
    const FadeCase cases[] = {
        {5, 128, 2, 64},
        {6, 254, 2, 127},
        {7, 252, 4, 63},
        {7, 128, 4, 32},
    };
    for (const FadeCase& c : cases) {
        StartHeadlessWorld(c.Effect);
        NextCell(160, 100) = 1;
        CurrentShade(160, 100) = c.StartShade;
        for (int frame = 1; frame <= c.Frames; ++frame) {
            AdvanceGeneration();
            ActiveEffectRenderer();
            ASSERT_EQ(CellPixel(160, 100), c.StartShade - frame * c.Step)
                << "effect " << +c.Effect << " frame " << frame;
        }
        CellPixel(160, 100) = Sentinel;
        AdvanceGeneration();
        ActiveEffectRenderer();
        EXPECT_EQ(CellPixel(160, 100), Sentinel) << "a faded cell is not redrawn";
        EXPECT_EQ(CurrentShade(160, 100), 0);
    }
}

TEST(Plasma, ASurvivorOnTwoNeighboursIsNeitherChangedNorDrawn) {
    StartHeadlessWorld(5);
    NextCell(20, 20) = NextCell(21, 20) = NextCell(22, 20) = 1; // blinker
    CurrentShade(21, 20) = 128;
    std::fill(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel);
    for (int frame = 0; frame < 3; ++frame) {
        AdvanceGeneration();
        ActiveEffectRenderer();
        EXPECT_EQ(CellPixel(21, 20), Sentinel);
        EXPECT_EQ(CurrentShade(21, 20), 128);
    }
    EXPECT_EQ(CellPixel(21, 19), 255) << "the ends are born on three neighbours";
    EXPECT_EQ(CellPixel(20, 20), 126) << "and fade when they die";
}
} // namespace

// A surface narrower than the picture would send the last rows past its end; such a frame
// is skipped like a failed lock.
TEST(EffectFrame, ASurfaceNarrowerThanThePictureIsNeverWritten) {
    StartHeadlessWorld(5, 1, NativeDisplay, 300);
    NextCell(10, 10) = NextCell(11, 10) = NextCell(12, 10) = 1;
    std::fill(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel);
    const std::vector<uint8_t> before(NextCellGrid, NextCellGrid + GridCells);
    AdvanceGeneration();
    ActiveEffectRenderer();
    EXPECT_EQ(HeadlessDisplay.UnlockCalls, 1);
    EXPECT_EQ(std::count(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel),
              static_cast<long>(HeadlessDisplay.Pixels.size()));
    EXPECT_EQ(CountLiveCells(NextCellGrid), 0) << "no generation was written";
}

namespace {
struct SimdRequestCase {
    const char* Request;
    bool Runnable[SimdPathCount]; // portable, sse2, avx2, avx512
    uint8_t Best;                 // what the processor runs unasked
    uint8_t Path;
    const char* Refusal;
};

// GLIMMERHEX_SIMD against what a processor runs: an x86 one with AVX-512 (where it pays and
// where AVX2 stays the choice), with and without AVX2, and one with the portable path alone.
// A refused request says so in one line and gets the best.
TEST(SimdChoice, ARequestIsHonouredOrRefusedInOneLine) {
    const std::string longName(100, 'z');
    const SimdRequestCase cases[] = {
        {nullptr, {true, true, true}, Avx2Simd, Avx2Simd, ""},
        {"", {true, true, false}, Sse2Simd, Sse2Simd, ""},
        {nullptr, {true, false, false}, PortableSimd, PortableSimd, ""},
        {"portable", {true, true, true}, Avx2Simd, PortableSimd, ""},
        {"sse2", {true, true, true}, Avx2Simd, Sse2Simd, ""},
        {"avx2", {true, true, true}, Avx2Simd, Avx2Simd, ""},
        {nullptr, {true, true, true, true}, Avx512Simd, Avx512Simd, ""},
        {nullptr, {true, true, true, true}, Avx2Simd, Avx2Simd, ""},
        {"avx512", {true, true, true, true}, Avx2Simd, Avx512Simd, ""},
        {"avx2", {true, true, true, true}, Avx512Simd, Avx2Simd, ""},
        {"avx512",
         {true, true, true},
         Avx2Simd,
         Avx2Simd,
         "glimmerhex: GLIMMERHEX_SIMD=avx512 cannot run on this processor; using avx2"},
        {"avx2",
         {true, true, false},
         Sse2Simd,
         Sse2Simd,
         "glimmerhex: GLIMMERHEX_SIMD=avx2 cannot run on this processor; using sse2"},
        {"sse2",
         {true, false, false},
         PortableSimd,
         PortableSimd,
         "glimmerhex: GLIMMERHEX_SIMD=sse2 cannot run on this processor; using portable"},
        {"AVX2",
         {true, true, true},
         Avx2Simd,
         Avx2Simd,
         "glimmerhex: GLIMMERHEX_SIMD=AVX2 is not avx512, avx2, sse2 or portable; using avx2"},
        {"neon",
         {true, false, false},
         PortableSimd,
         PortableSimd,
         "glimmerhex: GLIMMERHEX_SIMD=neon is not avx512, avx2, sse2 or portable; using portable"},
        {longName.c_str(), {true, true, false}, Sse2Simd, Sse2Simd, nullptr},
    };
    for (const SimdRequestCase& c : cases) {
        char refusal[160];
        const char* request = c.Request == nullptr ? "(unset)" : c.Request;
        EXPECT_EQ(ResolveSimdRequest(c.Request, c.Runnable, c.Best, refusal), c.Path) << request;
        if (c.Refusal != nullptr) {
            EXPECT_STREQ(refusal, c.Refusal) << request;
        }
    }
    // A long name is cut short, and the line still ends with the path used.
    char refusal[160];
    ResolveSimdRequest(longName.c_str(), cases[0].Runnable, Avx2Simd, refusal);
    EXPECT_EQ(std::string(refusal), "glimmerhex: GLIMMERHEX_SIMD=" + std::string(40, 'z') +
                                        " is not avx512, avx2, sse2 or portable; using avx2");
}

// What cpuid and XCR0 say decides what runs: an instruction set counts only where the
// operating system saves its registers. AVX-512 is chosen unasked only where measured faster:
// Zen 5 and Intel, not Zen 4.
TEST(SimdChoice, AProcessorRunsWhatItAndItsSystemSupport) {
    constexpr uint64_t Xmm = 0x03, Ymm = 0x07, Zmm = 0xE7;
    const struct {
        const char* Name;
        const char* Flags; // what cpuid says: s SSE2, a AVX2, f AVX-512 F, b BW, v VL
        uint64_t Xcr0;
        bool Amd;
        uint32_t Family;
        const char* Runs; // portable, sse2, avx2, avx512
        bool Avx512Pays;
    } cases[] = {
        {"Zen 5", "safbv", Zmm, true, 26, "1111", true},
        {"Zen 4", "safbv", Zmm, true, 25, "1111", false},
        {"Zen 3", "sa", Ymm, true, 25, "1110", false},
        {"Xeon", "safbv", Zmm, false, 6, "1111", true},
        {"ZMM state not saved", "safbv", Ymm, true, 26, "1110", true},
        {"opmask state alone missing", "safbv", Zmm & ~uint64_t{0x20}, true, 26, "1110", true},
        {"no AVX-512 BW", "safv", Zmm, true, 26, "1110", true},
        {"no AVX-512 VL", "safb", Zmm, true, 26, "1110", true},
        {"AVX2 only", "sa", Ymm, false, 6, "1110", true},
        {"YMM state not saved", "sa", Xmm, false, 6, "1100", true},
        {"no OSXSAVE", "safbv", 0, true, 26, "1100", true},
        {"no SSE2", "", 0, false, 6, "1000", true},
    };
    for (const auto& c : cases) {
        const auto has = [&](char flag) { return std::strchr(c.Flags, flag) != nullptr; };
        const X86Processor processor{has('s'), has('a'), has('f'), has('b'),
                                     has('v'), c.Xcr0,   c.Amd,    c.Family};
        for (uint8_t path = 0; path < SimdPathCount; ++path)
            EXPECT_EQ(X86RunsSimdPath(processor, path), c.Runs[path] == '1')
                << c.Name << ", " << SimdPathNames[path];
        EXPECT_EQ(X86SimdPathPays(processor, Avx512Simd), c.Avx512Pays) << c.Name;
        EXPECT_TRUE(X86SimdPathPays(processor, Avx2Simd)) << c.Name;
    }
}

TEST(SimdChoice, OnlyPathsThisProcessorRunsCanBeMadeActive) {
    const SimdPath* const chosen = ActiveSimdPath;
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    EXPECT_TRUE(runnable[PortableSimd]) << "every processor runs the portable path";
    for (uint8_t path = 0; path < SimdPathCount; ++path) {
        EXPECT_EQ(UseSimdPath(path), runnable[path]) << SimdPathNames[path];
        if (runnable[path]) {
            EXPECT_EQ(ActiveSimdPath, CompiledSimdPaths[path]);
        }
    }
    EXPECT_FALSE(UseSimdPath(SimdPathCount));
    ActiveSimdPath = chosen;
}
} // namespace
