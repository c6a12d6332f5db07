// Row-local views of the grids for the renderers' inner loops. Copying the global views
// into restrict-qualified locals tells the compiler that the writes to the next grid
// and the shades cannot change what the loop reads, so it may vectorise the row.
#pragma once
#include <cstdint>

#include "life/grids.h"

struct CellRowViews {
    const uint8_t* __restrict Neighbour[8];
    const uint8_t* __restrict Self;
    uint8_t* __restrict Next;
};

inline CellRowViews ViewCellRow(int32_t firstCell) {
    CellRowViews views{};
    for (int k = 0; k < 8; ++k)
        views.Neighbour[k] = CellNeighbourViews[k] + firstCell;
    views.Self = CurrentCellGrid + firstCell;
    views.Next = NextCellGrid + firstCell;
    return views;
}

inline uint8_t CountLiveNeighbours(const CellRowViews& v, int32_t x) {
    return static_cast<uint8_t>(v.Neighbour[0][x] + v.Neighbour[1][x] + v.Neighbour[2][x] +
                                v.Neighbour[3][x] + v.Neighbour[4][x] + v.Neighbour[5][x] +
                                v.Neighbour[6][x] + v.Neighbour[7][x]);
}
