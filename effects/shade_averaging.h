// The per-row work shared by the Heated and Mutant Blob effects: every cell takes the
// average of its neighbours' previous shades, living cells are heat sources.
#pragma once
#include <cstdint>

#include "effects/effect_frame.h"
#include "effects/row_views.h"

// Step: pixel step (1 Native, 2 Doubled). Orthogonal: average N, W, E, S only.
// Decay: lower each average by one and hold live cells at 255 (Mutant Blob);
// otherwise live cells hold 128 and cells with three neighbours show 255 (Heated).
template <int32_t Step, bool Orthogonal, bool Decay>
inline void AverageShadesKernel(NeighbourRow cells, NeighbourRow shades,
                                const uint8_t* __restrict self, uint8_t* __restrict next,
                                uint8_t* __restrict spare, uint8_t* __restrict pixels) {
    constexpr uint8_t LiveShade = Decay ? 255 : 128;
    const uint8_t* const* s = shades.View;
    // Branch-free so the loop vectorises: the masks are 0x00 or 0xFF per cell.
    VECTORISE_ROW
    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t count = CountNeighbours(cells, x);
        uint16_t average; // the sum is at most 8 x 255 = 2040
        if constexpr (Orthogonal)
            average = static_cast<uint16_t>((s[1][x] + s[3][x] + s[4][x] + s[6][x]) >> 2);
        else
            average = static_cast<uint16_t>(
                (s[0][x] + s[1][x] + s[2][x] + s[3][x] + s[4][x] + s[5][x] + s[6][x] + s[7][x]) >>
                3);
        if constexpr (Decay) average = static_cast<uint16_t>(average - (average != 0));
        const uint8_t live = LifeRule(count, self[x]);
        const auto liveMask = static_cast<uint8_t>(-live);
        const auto threeMask = static_cast<uint8_t>(-(count == 3));
        const auto shade = static_cast<uint8_t>((liveMask & LiveShade) | (~liveMask & average));
        next[x] = live;
        spare[x] = shade;
        pixels[x * Step] = static_cast<uint8_t>(shade | threeMask);
    }
}

template <int32_t Step, bool Orthogonal, bool Decay>
void AverageShadesRow(int32_t firstCell, uint8_t* pixels) {
    AverageShadesKernel<Step, Orthogonal, Decay>(
        ViewRow(CellNeighbourViews, firstCell), ViewRow(ShadeNeighbourViews, firstCell),
        CurrentCellGrid + firstCell, NextCellGrid + firstCell, SpareShadeGrid + firstCell, pixels);
}

// One frame of an averaging effect; the shade grids change roles only when it drew.
template <bool Orthogonal, bool Decay> void RenderAveragingFrame() {
    if (RunEffectFrame(AverageShadesRow<1, Orthogonal, Decay>,
                       AverageShadesRow<2, Orthogonal, Decay>))
        SwapShadeGrids();
}
