// Helpers for the renderers' row loops.
#pragma once
#include <cstdint>

#include "life/grids.h"

// A row loop's writes (next grid, shades, picture) never alias what it reads; saying so
// lets the compiler vectorise it without run-time overlap checks.
#if defined(__clang__)
#define VECTORISE_ROW _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define VECTORISE_ROW _Pragma("GCC ivdep")
#else
#define VECTORISE_ROW
#endif

// The eight neighbour views, moved to the first cell of a row.
struct NeighbourRow {
    const uint8_t* View[8];
};

inline NeighbourRow ViewRow(const uint8_t* const (&views)[8], int32_t firstCell) {
    NeighbourRow row;
    for (int k = 0; k < 8; ++k)
        row.View[k] = views[k] + firstCell;
    return row;
}

inline uint8_t CountNeighbours(const NeighbourRow& cells, int32_t x) {
    const uint8_t* const* v = cells.View;
    return static_cast<uint8_t>(v[0][x] + v[1][x] + v[2][x] + v[3][x] + v[4][x] + v[5][x] +
                                v[6][x] + v[7][x]);
}

inline uint8_t LifeRule(uint8_t neighbours, uint8_t self) {
    return static_cast<uint8_t>((neighbours == 3) | ((neighbours == 2) & self));
}
