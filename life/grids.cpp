#include "life/grids.h"

#include <cstring>

namespace {
// The neighbour views point up to 323 bytes before and after a grid; the guard keeps
// those addresses inside the same array object.
constexpr int32_t GuardBytes = 384;
constexpr int32_t GuardedCells = GuardBytes + GridCells + GuardBytes;

alignas(64) uint8_t CellGridStore[2][GuardedCells];
alignas(64) uint8_t ShadeGridStore[2][GuardedCells];
alignas(64) uint8_t HistoryStore[HistorySlots][GridCells];

void PointViews(const uint8_t** views, const uint8_t* grid) {
    for (int k = 0; k < 8; ++k)
        views[k] = grid + NeighbourOffsets[k];
}
} // namespace

uint8_t* CurrentCellGrid = CellGridStore[0] + GuardBytes;
uint8_t* NextCellGrid = CellGridStore[1] + GuardBytes;
const uint8_t* CellNeighbourViews[8];

uint8_t* CurrentShadeGrid = ShadeGridStore[0] + GuardBytes;
uint8_t* SpareShadeGrid = ShadeGridStore[1] + GuardBytes;
const uint8_t* ShadeNeighbourViews[8];

uint8_t* HistoryRing[HistorySlots] = {HistoryStore[0], HistoryStore[1], HistoryStore[2],
                                      HistoryStore[3], HistoryStore[4], HistoryStore[5],
                                      HistoryStore[6]};
int32_t GenerationCount = 0;

void PointCellNeighbourViews() {
    PointViews(CellNeighbourViews, CurrentCellGrid);
}

void InitialiseGrids() {
    std::memset(CellGridStore, 0, sizeof CellGridStore);
    std::memset(ShadeGridStore, 0, sizeof ShadeGridStore);
    CurrentCellGrid = CellGridStore[0] + GuardBytes;
    NextCellGrid = CellGridStore[1] + GuardBytes;
    PointCellNeighbourViews();
    CurrentShadeGrid = ShadeGridStore[0] + GuardBytes;
    SpareShadeGrid = ShadeGridStore[1] + GuardBytes;
    PointViews(ShadeNeighbourViews, CurrentShadeGrid);
    // Already zero at process start; cleared again so a fresh world never compares
    // against the snapshots of an earlier one.
    std::memset(HistoryStore, 0, sizeof HistoryStore);
    for (int32_t slot = 0; slot < HistorySlots; ++slot)
        HistoryRing[slot] = HistoryStore[slot];
}

void SwapShadeGrids() {
    uint8_t* former = CurrentShadeGrid;
    CurrentShadeGrid = SpareShadeGrid;
    SpareShadeGrid = former;
    PointViews(ShadeNeighbourViews, CurrentShadeGrid);
}

void RefreshWrapBorder(uint8_t* grid) {
    uint8_t* top = grid;
    uint8_t* bottom = grid + (FieldHeight + 1) * GridStride;
    std::memcpy(top + 1, grid + FieldHeight * GridStride + 1, FieldWidth);
    std::memcpy(bottom + 1, grid + GridStride + 1, FieldWidth);
    for (int32_t row = 1; row <= FieldHeight; ++row) {
        uint8_t* line = grid + row * GridStride;
        line[0] = line[FieldWidth];
        line[FieldWidth + 1] = line[1];
    }
    top[0] = grid[CellIndex(FieldWidth, FieldHeight)];
    top[FieldWidth + 1] = grid[CellIndex(1, FieldHeight)];
    bottom[0] = grid[CellIndex(FieldWidth, 1)];
    bottom[FieldWidth + 1] = grid[CellIndex(1, 1)];
}

int32_t CountLiveCells(const uint8_t* grid) {
    int32_t live = 0;
    for (int32_t row = 1; row <= FieldHeight; ++row)
        for (int32_t column = 1; column <= FieldWidth; ++column)
            live += grid[CellIndex(column, row)];
    return live;
}
