// The per-row work shared by the Heated and Mutant Blob effects: every cell takes the
// average of its neighbours' previous shades, living cells are heat sources.
#pragma once
#include <cstdint>

#include "effects/row_views.h"

// Step: pixel step (1 Native, 2 Doubled). Orthogonal: average N, W, E, S only.
// Decay: lower each average by one and hold live cells at 255 (Mutant Blob);
// otherwise live cells hold 128 and cells with three neighbours show 255 (Heated).
template <int32_t Step, bool Orthogonal, bool Decay>
void AverageShadesRow(int32_t firstCell, uint8_t* pixels) {
    const CellRowViews cells = ViewCellRow(firstCell);
    const uint8_t* __restrict s[8];
    for (int k = 0; k < 8; ++k)
        s[k] = ShadeNeighbourViews[k] + firstCell;
    uint8_t* __restrict spare = SpareShadeGrid + firstCell;
    constexpr uint8_t LiveShade = Decay ? 255 : 128;

    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t n = CountLiveNeighbours(cells, x);
        uint32_t average;
        if constexpr (Orthogonal)
            average = (uint32_t{s[1][x]} + s[3][x] + s[4][x] + s[6][x]) >> 2;
        else
            average = (uint32_t{s[0][x]} + s[1][x] + s[2][x] + s[3][x] + s[4][x] + s[5][x] +
                       s[6][x] + s[7][x]) >>
                      3;
        if constexpr (Decay)
            average -= average != 0;
        const bool threeNeighbours = n == 3;
        const uint8_t live = static_cast<uint8_t>(threeNeighbours | ((n == 2) & cells.Self[x]));
        const uint8_t shade = live ? LiveShade : static_cast<uint8_t>(average);
        cells.Next[x] = live;
        spare[x] = shade;
        pixels[x * Step] = threeNeighbours ? 255 : shade;
    }
}
