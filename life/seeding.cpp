#include "life/seeding.h"

#include "life/grids.h"
#include "life/random_source.h"

// A period-30 gun whose blocks sit one row lower than in the usual drawing; after two
// generations it settles into the familiar shape.
const GunCell GunPattern[GunCellCount] = {
    {25, 0},                                                                         //
    {22, 1}, {23, 1}, {24, 1}, {25, 1},                                              //
    {13, 2}, {21, 2}, {22, 2}, {23, 2}, {24, 2},                                     //
    {12, 3}, {14, 3}, {21, 3}, {24, 3}, {34, 3}, {35, 3},                            //
    {11, 4}, {15, 4}, {16, 4}, {21, 4}, {22, 4}, {23, 4}, {24, 4}, {34, 4}, {35, 4}, //
    {0, 5},  {1, 5},  {11, 5}, {15, 5}, {16, 5}, {22, 5}, {23, 5}, {24, 5}, {25, 5}, //
    {0, 6},  {1, 6},  {11, 6}, {15, 6}, {16, 6}, {25, 6},                            //
    {12, 7}, {14, 7},                                                                //
    {13, 8},
};

namespace {
constexpr uint8_t SeededShade = 128;

void SetCell(int32_t column, int32_t row) {
    SetNextCellAlive(column, row);
    CurrentShadeGrid[CellIndex(column, row)] = SeededShade;
}
} // namespace

void SeedPatterns() {
    if ((DrawRandom() & 1) == 0)
        SeedRings();
    else
        SeedGliderGuns();
}

void SeedRings() {
    for (int copy = 0; copy < 4; ++copy) {
        const int32_t x = DrawRandom() % 316 + 2;
        const int32_t y = DrawRandom() % 196 + 2;
        PlaceRing(x, y);
    }
}

void PlaceRing(int32_t x, int32_t y) {
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) SetCell(x + dx, y + dy);
}

void SeedGliderGuns() {
    for (int copy = 0; copy < 4; ++copy) {
        const int32_t bx = DrawRandom() % 284 + 1;
        const int32_t by = DrawRandom() % 191 + 1;
        const bool rightward = (DrawRandom() & 1) != 0;
        const bool downward = (DrawRandom() & 1) != 0;
        PlaceGliderGun(bx, by, rightward, downward);
    }
}

void PlaceGliderGun(int32_t bx, int32_t by, bool rightward, bool downward) {
    const int32_t ax = rightward ? bx : bx + 35;
    const int32_t ay = downward ? by : by + 8;
    const int32_t sx = rightward ? 1 : -1;
    const int32_t sy = downward ? 1 : -1;
    for (const GunCell& cell : GunPattern)
        SetCell(ax + sx * cell.Dx, ay + sy * cell.Dy);
}
