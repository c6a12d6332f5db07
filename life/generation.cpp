#include "life/generation.h"

#include <cstring>
#include <utility>

#include "effects/effect_selection.h"
#include "life/grids.h"
#include "life/history.h"
#include "life/seeding.h"
#include "palettes/palette_selection.h"

void IdleTick() {
    // Equal to the snapshot of six ticks ago: empty, still, or period 1, 2, 3 or 6.
    if (NextGridMatches(HistoryRing[HistorySlots - 1])) SeedPatterns();
    AdvanceGeneration();
    ++GenerationCount;
    ActiveEffectRenderer();
}

void AdvanceGeneration() {
    SnapshotNextGrid();
    RefreshWrapBorder(NextCellGrid);
    std::swap(CurrentCellGrid, NextCellGrid);
    std::swap(CurrentCellBits, NextCellBits);

    if (GenerationCount > WipeThreshold) {
        std::memset(CurrentCellGrid, 0, GridCells);
        std::memset(CurrentCellBits->Bits, 0, CellBitBytes);
        CurrentCellBits->Known = true;
        GenerationCount = 0;
        RerollRandomEffect();
        RerollRandomPalette();
    }
}
