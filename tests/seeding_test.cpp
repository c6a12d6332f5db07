#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "life/grids.h"
#include "life/random_source.h"
#include "life/seeding.h"
#include "reference_model.h"
#include "test_support.h"

namespace {
using CellSet = std::set<std::pair<int, int>>; // (column, row)

CellSet LiveCells() {
    CellSet cells;
    for (int row = 1; row <= 200; ++row)
        for (int column = 1; column <= 320; ++column)
            if (NextCell(column, row) != 0) cells.insert({column, row});
    return cells;
}

CellSet GunFromPicture(int left, int top, bool rightward, bool downward) {
    const auto cells = RefGunCells(left, top, rightward, downward);
    return CellSet(cells.begin(), cells.end());
}

int DrawsTaken(uint32_t from, uint32_t to) {
    for (int draws = 0; draws < 100; ++draws, from = StepLcg(from))
        if (from == to) return draws;
    return -1;
}

RefCells FieldOf(const CellSet& cells) {
    RefCells field{};
    for (const auto& [column, row] : cells)
        field[row - 1][column - 1] = 1;
    return field;
}

int StepAndCount(RefCells& field, int generations) {
    for (int g = 0; g < generations; ++g)
        field = RefStep(field);
    int live = 0;
    for (const auto& row : field)
        for (uint8_t cell : row)
            live += cell;
    return live;
}
} // namespace

TEST(Seeding, TheGunTableMatchesThePicture) {
    StartHeadlessWorld(1);
    PlaceGliderGun(1, 1, true, true);
    EXPECT_EQ(LiveCells(), GunFromPicture(1, 1, true, true));
    EXPECT_EQ(LiveCells().size(), 43u);
}

struct GunCase {
    int Bx, By;
    bool Rightward, Downward;
};

TEST(Seeding, GunsAreMirroredInsideTheirBox) {
    const GunCase cases[] = {
        {1, 1, true, true},      {1, 1, false, false},   {284, 191, true, false},
        {284, 191, false, true}, {100, 50, false, true},
    };
    for (const GunCase& c : cases) {
        StartHeadlessWorld(1);
        PlaceGliderGun(c.Bx, c.By, c.Rightward, c.Downward);
        EXPECT_EQ(LiveCells(), GunFromPicture(c.Bx, c.By, c.Rightward, c.Downward))
            << c.Bx << "," << c.By << " " << c.Rightward << c.Downward;
    }
}

TEST(Seeding, BlocksOfTheExtremeGuns) {
    StartHeadlessWorld(1);
    PlaceGliderGun(1, 1, true, true);
    for (auto [column, row] : {std::pair{1, 6}, {2, 7}, {35, 4}, {36, 5}})
        EXPECT_EQ(NextCell(column, row), 1) << column << "," << row;
    StartHeadlessWorld(1);
    PlaceGliderGun(1, 1, false, false);
    for (auto [column, row] : {std::pair{35, 3}, {36, 4}, {1, 5}, {2, 6}})
        EXPECT_EQ(NextCell(column, row), 1) << column << "," << row;
}

TEST(Seeding, AGunAloneSettlesAndFiresOneGlider) {
    StartHeadlessWorld(1);
    PlaceGliderGun(100, 80, true, true);
    RefCells field = FieldOf(LiveCells());
    EXPECT_EQ(StepAndCount(field, 2), 36);
    EXPECT_EQ(StepAndCount(field, 30), 41);
}

TEST(Seeding, RingsAtTheExtremeCentres) {
    StartHeadlessWorld(1);
    PlaceRing(2, 2);
    CellSet expected;
    for (int row = 1; row <= 3; ++row)
        for (int column = 1; column <= 3; ++column)
            if (column != 2 || row != 2) expected.insert({column, row});
    EXPECT_EQ(LiveCells(), expected);
    EXPECT_EQ(CurrentShade(1, 1), 128);
    EXPECT_EQ(CurrentShade(2, 2), 0);

    StartHeadlessWorld(1);
    PlaceRing(317, 197);
    EXPECT_EQ(LiveCells().size(), 8u);
    EXPECT_EQ(NextCell(316, 196), 1);
    EXPECT_EQ(NextCell(318, 198), 1);
    EXPECT_EQ(NextCell(317, 197), 0);
}

TEST(Seeding, DrawsChooseThePatternAndItsPlaces) {
    // An even first draw places four rings from eight draws; an odd one four guns
    // from sixteen. Each centre and box is the draw reduced as stated.
    for (int first : {0, 1, 2, 32767}) {
        StartHeadlessWorld(1);
        const uint32_t start = StateBeforeDraw(first);
        SeedRandomSource(start);
        SeedPatterns();
        const bool rings = first % 2 == 0;
        EXPECT_EQ(DrawsTaken(start, RandomState), rings ? 9 : 17) << first;

        StartHeadlessWorld(1);
        uint32_t state = StepLcg(start);
        for (int copy = 0; copy < 4; ++copy) {
            state = StepLcg(state);
            const int a = LcgDraw(state);
            state = StepLcg(state);
            const int b = LcgDraw(state);
            if (rings) {
                PlaceRing(a % 316 + 2, b % 196 + 2);
            } else {
                state = StepLcg(state);
                const bool rightward = LcgDraw(state) & 1;
                state = StepLcg(state);
                PlaceGliderGun(a % 284 + 1, b % 191 + 1, rightward, LcgDraw(state) & 1);
            }
        }
        const CellSet expected = LiveCells();
        StartHeadlessWorld(1);
        SeedRandomSource(start);
        SeedPatterns();
        EXPECT_EQ(LiveCells(), expected) << first;
    }
}

TEST(Seeding, SeedingAddsToLiveCellsAndTouchesNothingElse) {
    StartHeadlessWorld(1);
    NextCell(10, 10) = 1; // inside the ring
    CurrentShade(10, 10) = 7;
    NextCell(200, 150) = 1; // far away
    CurrentShade(200, 150) = 9;
    CurrentShade(5, 5) = 3;
    PlaceRing(11, 11);
    EXPECT_EQ(NextCell(10, 10), 1);
    EXPECT_EQ(CurrentShade(10, 10), 128);
    EXPECT_EQ(NextCell(200, 150), 1);
    EXPECT_EQ(CurrentShade(200, 150), 9);
    EXPECT_EQ(CurrentShade(5, 5), 3);
    EXPECT_EQ(CountLiveCells(NextCellGrid), 9);
}

TEST(Seeding, TwoCallsTakeConsecutiveDraws) {
    StartHeadlessWorld(1);
    SeedRandomSource(4242);
    SeedPatterns();
    const int first = DrawsTaken(4242, RandomState);
    const uint32_t middle = RandomState;
    SeedPatterns();
    const int second = DrawsTaken(middle, RandomState);
    EXPECT_TRUE(first == 9 || first == 17);
    EXPECT_TRUE(second == 9 || second == 17);
}
