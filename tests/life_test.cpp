#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "allocation_counter.h"
#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "life/seeding.h"
#include "platform/headless/headless_display.h"
#include "ports/display_port.h"
#include "reference_checks.h"
#include "reference_model.h"
#include "simd_path_test.h"
#include "test_support.h"

namespace {
using Cells = std::vector<std::pair<int, int>>; // (column, row)

void Place(const Cells& cells) {
    for (const auto& [column, row] : cells)
        NextCell(column, row) = 1;
}

RefCells ReadField() {
    RefCells field{};
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x)
            field[y][x] = NextCell(x + 1, y + 1);
    return field;
}

// A glider heading towards larger columns and rows, its box's top-left at (c, r).
Cells Glider(int c, int r) {
    return {{c + 1, r}, {c + 2, r + 1}, {c, r + 2}, {c + 1, r + 2}, {c + 2, r + 2}};
}

Cells Pulsar(int c, int r) {
    Cells cells;
    for (int a : {0, 5, 7, 12})
        for (int b : {2, 3, 4, 8, 9, 10}) {
            cells.push_back({c + b, r + a});
            cells.push_back({c + a, r + b});
        }
    return cells;
}

// With a fixed effect and palette only seeding draws, so a moved random state means
// the tick seeded. Returns the 1-based ticks that seeded.
std::vector<int> SeedingTicks(int ticks) {
    std::vector<int> seeded;
    for (int tick = 1; tick <= ticks; ++tick) {
        const uint32_t before = RandomState;
        IdleTick();
        if (RandomState != before) seeded.push_back(tick);
    }
    return seeded;
}
} // namespace

TEST(RandomSource, KnownSequence) {
    SeedRandomSource(1);
    for (int expected : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464})
        EXPECT_EQ(DrawRandom(), expected);
    SeedRandomSource(0);
    EXPECT_EQ(DrawRandom(), 38);
    SeedRandomSource(0xFFFFFFFFu);
    for (int k = 0; k < 1000; ++k) {
        const int32_t draw = DrawRandom();
        ASSERT_GE(draw, 0);
        ASSERT_LE(draw, 32767);
    }
}

TEST(GenerationTick, GlidersWrapAcrossEdgesAndTheCorner) {
    StartHeadlessWorld(1);
    Place(Glider(316, 196));
    Place(Glider(150, 196));
    Place(Glider(316, 90));
    RefCells expected = ReadField();
    bool crossedCorner = false;
    for (int tick = 1; tick <= 120; ++tick) {
        expected = RefStep(expected);
        IdleTick();
        ASSERT_EQ(ReadField(), expected) << "tick " << tick;
        crossedCorner |= NextCell(1, 1) == 1 || NextCell(2, 1) == 1 || NextCell(1, 2) == 1;
    }
    EXPECT_TRUE(crossedCorner);
    EXPECT_EQ(CountLiveCells(NextCellGrid), 15);
}

TEST(GenerationTick, TheFirstTickOfAnEmptyWorldSeeds) {
    StartHeadlessWorld(1);
    const uint32_t before = RandomState;
    IdleTick();
    EXPECT_NE(RandomState, before);
    EXPECT_EQ(GenerationCount, 1);
    EXPECT_GT(CountLiveCells(CurrentCellGrid), 0) << "the seeded generation became current";
}

struct StagnationCase {
    const char* Name;
    Cells Pattern;
    std::vector<int> Expected; // seeding ticks among the first seven
};

TEST(GenerationTick, StagnationLooksSixGenerationsBack) {
    const StagnationCase cases[] = {
        {"block", {{160, 100}, {161, 100}, {160, 101}, {161, 101}}, {7}},
        {"blinker", {{160, 100}, {161, 100}, {162, 100}}, {7}},
        {"pulsar", Pulsar(150, 90), {7}},
        {"glider", Glider(150, 90), {}},
    };
    for (const StagnationCase& c : cases) {
        StartHeadlessWorld(1);
        Place(c.Pattern);
        SeedRandomSource(99);
        EXPECT_EQ(SeedingTicks(7), c.Expected) << c.Name;
    }
}

TEST(GenerationTick, AMovingPatternIsNeverReseeded) {
    StartHeadlessWorld(1);
    Place(Glider(100, 100));
    SeedRandomSource(5);
    EXPECT_TRUE(SeedingTicks(200).empty());
}

TEST(GenerationTick, WipeComesOnTheSecondTickAfterTheCountReaches10000) {
    StartHeadlessWorld(1);
    Place(Glider(100, 100));
    for (int tick = 0; tick < 10; ++tick)
        IdleTick();
    GenerationCount = 10000;
    IdleTick();
    EXPECT_EQ(GenerationCount, 10001);
    EXPECT_EQ(CountLiveCells(NextCellGrid), 5) << "no wipe yet";
    IdleTick();
    EXPECT_EQ(GenerationCount, 1);
    EXPECT_EQ(CountLiveCells(CurrentCellGrid), 0);
    EXPECT_EQ(CountLiveCells(NextCellGrid), 0) << "the wiping tick draws an all-dead generation";
}

TEST(GenerationTick, ReseedingAfterAWipeComesSevenOrEightTicksLater) {
    struct Case {
        Cells Extra;
        int Delay;
    };
    // A block in column 1 keeps a live cell on the edge, so the border copy of the
    // generation before the wipe lingers one snapshot longer.
    const Case cases[] = {{{}, 7}, {{{1, 50}, {2, 50}, {1, 51}, {2, 51}}, 8}};
    for (const Case& c : cases) {
        StartHeadlessWorld(1);
        Place(Glider(100, 100));
        Place(c.Extra);
        for (int tick = 0; tick < 10; ++tick)
            IdleTick();
        GenerationCount = 10000;
        IdleTick();
        const uint32_t before = RandomState;
        IdleTick(); // the wipe, tick R
        ASSERT_EQ(RandomState, before);
        ASSERT_EQ(GenerationCount, 1);
        const std::vector<int> seeded = SeedingTicks(10);
        ASSERT_FALSE(seeded.empty());
        EXPECT_EQ(seeded.front(), c.Delay);
    }
}

TEST(GenerationTick, AWipeWithFixedChoicesChangesNeitherNorNormalises) {
    StartHeadlessWorld(5, 12);
    Place(Glider(100, 100));
    CurrentShade(50, 50) = 3; // normalising would make it 4, then fade to 2
    GenerationCount = 10001;
    const uint32_t before = RandomState;
    IdleTick();
    EXPECT_EQ(GenerationCount, 1);
    EXPECT_EQ(GraphicEffect, 5);
    EXPECT_EQ(PaletteScheme, 12);
    EXPECT_EQ(RandomState, before);
    EXPECT_EQ(CurrentShade(50, 50), 1);
    EXPECT_EQ(HeadlessDisplay.PaletteRewrites, 0);
}

TEST(GenerationTick, AWipeRerollsTheEffectBeforeThePalette) {
    StartHeadlessWorld(0, 0);
    ASSERT_TRUE(RandomEffect);
    ASSERT_TRUE(RandomPalette);
    Place(Glider(100, 100));
    GenerationCount = 10001;
    const uint32_t state = RandomState;
    IdleTick();
    const uint32_t effectState = StepLcg(state);
    const uint32_t paletteState = StepLcg(effectState);
    EXPECT_EQ(GraphicEffect, LcgDraw(effectState) % 7 + 1);
    EXPECT_EQ(PaletteScheme, LcgDraw(paletteState) % 36 + 1);
    EXPECT_EQ(RandomState, paletteState);
    EXPECT_EQ(HeadlessDisplay.PaletteRewrites, 1);
}

TEST(GenerationTick, ALostFrameStepsTheWorldBackOneGeneration) {
    StartHeadlessWorld(1);
    Place(Glider(100, 100));
    const RefCells g0 = ReadField();
    const RefCells g1 = RefStep(g0), g2 = RefStep(g1), g3 = RefStep(g2);
    IdleTick();
    IdleTick();
    ASSERT_EQ(ReadField(), g2);
    HeadlessDisplay.LockResult = SurfaceLostError;
    HeadlessDisplay.LockFailures = 1;
    IdleTick();
    EXPECT_EQ(ReadField(), g1) << "the newest generation was not written";
    EXPECT_EQ(GenerationCount, 3) << "the skipped tick still counts";
    IdleTick();
    EXPECT_EQ(ReadField(), g2);
    IdleTick();
    EXPECT_EQ(ReadField(), g3);
}

namespace {
struct TickCase {
    uint8_t Path;
    ReferenceCase Case;
    uint32_t Seed; // 4 seeds rings first, 5 glider guns
    std::vector<TickEvent> Events;
};

std::string TickCaseName(const ::testing::TestParamInfo<TickCase>& info) {
    return std::string(SimdPathNames[info.param.Path]) + "Case" + std::to_string(info.index % 10);
}

class TickAgainstReference : public OnSimdPath<TickCase> {};

// The whole tick on every path, against the restated generation cycle: the history kept as
// bits must fire exactly where whole grids compared byte for byte would, with seeding by
// 'A' between ticks, wipes (the border copy deciding 7 or 8 ticks), and lost frames.
TEST_P(TickAgainstReference, RunsMatchTheRestatedCycle) {
    const TickCase& c = GetParam();
    EXPECT_EQ(CompareTicksWithReference(c.Case, c.Seed, 90, c.Events), "");
}

std::vector<TickCase> AllTickCases() {
    // 'X' before tick t wipes in tick t + 1; losing the frame after a wipe leaves the
    // wiped grid as the next one.
    const std::vector<TickEvent> keys = {{10, 'A'}, {11, 'A'}, {20, 'X'}, {22, 'L'}, {30, 'L'},
                                         {31, 'A'}, {40, 'L'}, {41, 'L'}, {60, 'X'}};
    const std::vector<TickEvent> early = {{3, 'X'},  {5, 'L'},  {6, 'L'}, {25, 'A'},
                                          {26, 'L'}, {50, 'X'}, {51, 'A'}};
    // From averaging to Plasma and back: the picture an averaging effect leaves is what a
    // Plasma frame then keeps (the copy of a picture in video memory included).
    const std::vector<TickEvent> switches = {{8, 'A'},  {15, '6'}, {30, 'L'}, {45, '3'},
                                             {60, '7'}, {61, 'L'}, {75, '2'}};
    std::vector<TickCase> cases;
    for (uint8_t path = 0; path < SimdPathCount; ++path) {
        cases.push_back({path, {1, NativeDisplay, 320, false}, 4, keys});
        cases.push_back({path, {2, DoubledDisplay, 1024, true}, 5, early});
        cases.push_back({path, {3, NativeDisplay, 384, false}, 5, keys});
        cases.push_back({path, {4, DoubledDisplay, 704, false}, 4, early});
        cases.push_back({path, {5, NativeDisplay, 320, false}, 4, early});
        cases.push_back({path, {6, DoubledDisplay, 640, false}, 5, keys});
        cases.push_back({path, {7, NativeDisplay, 352, true}, 4, keys});
        cases.push_back({path, {1, NativeDisplay, 320, true}, 5, switches});
        cases.push_back({path, {4, DoubledDisplay, 640, true}, 4, switches});
        cases.push_back({path, {2, NativeDisplay, 384, false}, 4, switches});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllPaths, TickAgainstReference, ::testing::ValuesIn(AllTickCases()),
                         TickCaseName);

struct PathCase {
    uint8_t Path;
};

class TickOnEveryPath : public OnSimdPath<PathCase> {};

// Column c, row r: bit (c - 1) % 8 of byte (r - 1) * 40 + (c - 1) / 8.
int FirstCellWhoseBitDiffers(const uint8_t* grid, const CellBits& bits) {
    for (int row = 1; row <= 200; ++row)
        for (int column = 1; column <= 320; ++column) {
            const int bit =
                (bits.Bits[(row - 1) * 40 + (column - 1) / 8] >> ((column - 1) % 8)) & 1;
            if (bit != grid[row * GridStride + column]) return row * GridStride + column;
        }
    return -1;
}

// What every frame and every seeding leaves: the next grid's bits mirror its cells.
TEST_P(TickOnEveryPath, MirrorTheNextGridAfterFramesAndSeeding) {
    for (const uint8_t effect : {1, 4, 6}) {
        StartHeadlessWorld(effect);
        std::mt19937 random(effect);
        for (int row = 1; row <= 200; ++row)
            for (int column = 1; column <= 320; ++column)
                NextCell(column, row) = random() % 3 == 0;
        for (int frame = 0; frame < 6; ++frame) {
            AdvanceGeneration();
            ActiveEffectRenderer();
            ASSERT_TRUE(NextCellBits->Known) << "a drawn generation needs no repacking";
            ASSERT_EQ(FirstCellWhoseBitDiffers(NextCellGrid, *NextCellBits), -1)
                << "effect " << +effect << " frame " << frame;
            SeedPatterns();
            ASSERT_EQ(FirstCellWhoseBitDiffers(NextCellGrid, *NextCellBits), -1)
                << "effect " << +effect << " seeded after frame " << frame;
        }
    }
}

// After set-up nothing is allocated: not by the tick of any effect on any path, nor by the
// seeding, nor by a wipe that rolls a new effect and palette.
TEST_P(TickOnEveryPath, TicksAllocateNothing) {
    StartHeadlessWorld(0, 0);
    for (uint8_t effect = 1; effect <= 7; ++effect) {
        GraphicEffect = effect;
        SelectEffect();
        Allocations = 0;
        CountingAllocations = true;
        for (int tick = 0; tick < 20; ++tick)
            IdleTick();
        SeedPatterns();
        GenerationCount = 10001;
        IdleTick();
        CountingAllocations = false;
        EXPECT_EQ(Allocations, 0) << "effect " << +effect;
    }
}

INSTANTIATE_TEST_SUITE_P(AllPaths, TickOnEveryPath,
                         ::testing::Values(PathCase{PortableSimd}, PathCase{Sse2Simd},
                                           PathCase{Avx2Simd}),
                         [](const ::testing::TestParamInfo<PathCase>& info) {
                             return std::string(SimdPathNames[info.param.Path]);
                         });
} // namespace
