#include "life/history.h"

#include <cstring>

namespace {
alignas(64) uint8_t HistoryStore[HistorySlots][SnapshotBytes];

// The border in a fixed order: rows 0 and 201, then columns 0 and 321 of rows 1..200.
void GatherBorder(const uint8_t* grid, uint8_t* border) {
    std::memcpy(border, grid, GridWidth);
    std::memcpy(border + GridWidth, grid + (GridRows - 1) * GridStride, GridWidth);
    uint8_t* sides = border + 2 * GridWidth;
    for (int32_t row = 1; row <= FieldHeight; ++row, sides += 2) {
        sides[0] = grid[row * GridStride];
        sides[1] = grid[row * GridStride + FieldWidth + 1];
    }
}

const CellBits& NextBitsUpToDate() {
    if (!NextCellBits->Known) PackCellBits(NextCellGrid, *NextCellBits);
    return *NextCellBits;
}
} // namespace

uint8_t* HistoryRing[HistorySlots] = {HistoryStore[0], HistoryStore[1], HistoryStore[2],
                                      HistoryStore[3], HistoryStore[4], HistoryStore[5],
                                      HistoryStore[6]};

void ClearHistory() {
    // All zero, as an all-dead grid with an all-dead border would be kept.
    std::memset(HistoryStore, 0, sizeof HistoryStore);
    for (int32_t slot = 0; slot < HistorySlots; ++slot)
        HistoryRing[slot] = HistoryStore[slot];
}

bool NextGridMatches(const uint8_t* snapshot) {
    // The border is compared as the grid holds it now, the wrap copy of an older
    // generation: that decides the test in the ticks after a wipe.
    if (std::memcmp(NextBitsUpToDate().Bits, snapshot, CellBitBytes) != 0) return false;
    uint8_t border[BorderCells];
    GatherBorder(NextCellGrid, border);
    return std::memcmp(border, snapshot + CellBitBytes, BorderCells) == 0;
}

void SnapshotNextGrid() {
    std::memcpy(HistoryRing[0], NextBitsUpToDate().Bits, CellBitBytes);
    GatherBorder(NextCellGrid, HistoryRing[0] + CellBitBytes);
    uint8_t* const oldest = HistoryRing[HistorySlots - 1];
    for (int32_t slot = HistorySlots - 1; slot > 0; --slot)
        HistoryRing[slot] = HistoryRing[slot - 1];
    HistoryRing[0] = oldest;
}
