#include "life/generation.h"

#include <cstring>
#include <utility>

#include "effects/effect_selection.h"
#include "life/grids.h"
#include "life/seeding.h"
#include "palettes/palette_selection.h"

void IdleTick() {
    // Equal to the snapshot of six ticks ago: empty, still, or period 1, 2, 3 or 6.
    if (std::memcmp(NextCellGrid, HistoryRing[HistorySlots - 1], GridCells) == 0) SeedPatterns();
    AdvanceGeneration();
    ++GenerationCount;
    ActiveEffectRenderer();
}

void AdvanceGeneration() {
    std::memcpy(HistoryRing[0], NextCellGrid, GridCells);
    uint8_t* const oldest = HistoryRing[HistorySlots - 1];
    for (int32_t slot = HistorySlots - 1; slot > 0; --slot)
        HistoryRing[slot] = HistoryRing[slot - 1];
    HistoryRing[0] = oldest;

    RefreshWrapBorder(NextCellGrid);
    std::swap(CurrentCellGrid, NextCellGrid);
    PointCellNeighbourViews();

    if (GenerationCount > WipeThreshold) {
        std::memset(CurrentCellGrid, 0, GridCells);
        GenerationCount = 0;
        if (RandomEffect) {
            NormaliseShades();
            GraphicEffect = 0;
            SelectEffect();
        }
        if (RandomPalette) {
            PaletteScheme = 0;
            SelectPalette();
        }
    }
}
