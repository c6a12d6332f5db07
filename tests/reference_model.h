// A plain, independent statement of the saver's rules, written from their description and
// not from the fused pass: the Life rule on the torus, each effect's shade and pixel rules,
// the seeding from the gun's picture, and the generation cycle with its history of whole
// grids. The tests check every path of the tick against it, byte for byte; the bench times
// it as the scalar yardstick the paths' speed-ups are measured against.
#pragma once
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

inline constexpr int RefWidth = 320;
inline constexpr int RefHeight = 200;

using RefCells = std::array<std::array<uint8_t, RefWidth>, RefHeight>; // [y][x], 0-based
// A whole grid, border included (322 x 202, [row][column]): the field is rows and columns
// 1..200 and 1..320.
using RefGrid = std::array<std::array<uint8_t, RefWidth + 2>, RefHeight + 2>;

// One generation of the field on the torus.
RefCells RefStep(const RefCells& cells);

// The gun as drawn (top line first, "O" alive), transcribed apart from the offset table:
// the 1-based (column, row) cells of one placed in the box with top-left (left, top).
std::vector<std::pair<int, int>> RefGunCells(int left, int top, bool rightward, bool downward);

// Where a frame draws: a surface of Pitch bytes a line, each cell one pixel (Native) or one
// pixel on every other column and line, below a 40-line margin (Doubled). Null: nowhere.
struct RefSurface {
    uint8_t* Pixels = nullptr;
    int32_t Pitch = 0;
    bool Doubled = false;
};

// A saver run restated for one effect and palette. Grids change roles by index, as the
// saver's change them by reference, so that a tick copies no more than the saver's does.
struct RefWorld {
    int Effect = 1;
    RefGrid Cells[2]{};   // the newest generation between ticks is in Next()
    RefGrid Shading[2]{}; // the shades and the averaging effects' spare; borders stay 0
    int NextCells = 0, CurrentShades = 0;
    RefGrid Snapshots[7]{};               // the history ring's buffers...
    int Slots[7] = {0, 1, 2, 3, 4, 5, 6}; // ...and its slots: 1 the newest, 6 the oldest
    int32_t Count = 0;
    uint32_t Random = 0; // the random source's state

    RefGrid& Next() { return Cells[NextCells]; }
    RefGrid& Current() { return Cells[1 - NextCells]; }
    RefGrid& Shades() { return Shading[CurrentShades]; }
    RefGrid& Spare() { return Shading[1 - CurrentShades]; }
};

// The field of a grid, and a grid's field set from cells (the border left alone).
RefCells RefInterior(const RefGrid& grid);
void RefSetInterior(RefGrid& grid, const RefCells& cells);
// Rows 0 and 201 and columns 0 and 321 copy the opposite edges of the field.
void RefWrapBorder(RefGrid& grid);

// Rounds every non-zero shade down to a multiple of 4, at least 4, as before a re-roll.
void RefNormaliseShades(RefWorld& world);
// Seeds patterns into the next grid and the shades, as the first tick and the A key do.
void RefSeedPatterns(RefWorld& world);
// One frame of the world's effect: the next generation from the current one into Next's
// field, the shades, and the pixels drawn.
void RefFrame(RefWorld& world, const RefSurface& surface);
// One tick of the generation cycle; a lost frame draws nothing and writes no generation.
void RefIdleTick(RefWorld& world, bool frameLost, const RefSurface& surface);
