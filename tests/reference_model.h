// A plain, independent statement of the Life rule and of each effect's shade and pixel
// rules over 320 x 200 arrays, used to check the renderers.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

inline constexpr int RefWidth = 320;
inline constexpr int RefHeight = 200;

using RefCells = std::array<std::array<uint8_t, RefWidth>, RefHeight>; // [y][x], 0-based
using RefPixels = std::array<std::array<int, RefWidth>, RefHeight>;    // -1: not drawn

// Live neighbours of (x, y) on the torus.
int RefNeighbours(const RefCells& cells, int x, int y);

// One frame of an effect (1..7): from the current cells and shades, the next cells,
// the new current shades (after any exchange), and the pixel drawn for each cell.
void RefFrame(int effect, const RefCells& cells, const RefCells& shades, RefCells& nextCells,
              RefCells& nextShades, RefPixels& pixels);

// The gun as drawn (top line first, "O" alive), transcribed apart from the offset table:
// the 1-based (column, row) cells of one placed in the box with top-left (left, top).
std::vector<std::pair<int, int>> RefGunCells(int left, int top, bool rightward, bool downward);

// The first seeding of an empty world, restated from the draws: sets the cells alive
// with shade 128 and advances the random state as the draws are taken.
void RefSeed(uint32_t& state, RefCells& cells, RefCells& shades);

// The generation cycle restated over whole grids, border included (322 x 202, [row][column]),
// with the history as a plain list of past grids, for a fixed effect and palette.
using RefGrid = std::array<std::array<uint8_t, RefWidth + 2>, RefHeight + 2>;

struct RefWorld {
    int Effect = 1;
    RefGrid Next{}, Current{};
    RefCells Shades{};
    std::deque<RefGrid> Snapshots; // newest first
    int32_t Count = 0;
    uint32_t Random = 0;
};

// Rounds every non-zero shade down to a multiple of 4, at least 4, as before a re-roll.
void RefNormaliseShades(RefCells& shades);

// Seeds patterns into the next grid and the shades, as the 'A' key does.
void RefSeedPatterns(RefWorld& world);
// One tick; a lost frame draws nothing and writes no generation. Returns the pixels drawn.
RefPixels RefIdleTick(RefWorld& world, bool frameLost);
