#include "life/grids.h"

#include <cstring>

#include "life/history.h"

namespace {
// Each grid starts one byte before a cache line, so that column 1 of row 0, and with the
// stride every row's column 1, starts a line. A store holds a grid and that byte's lead-in
// and is a whole number of lines long, so every grid lies the same way.
constexpr int32_t GridLeadIn = CacheLineBytes - 1;
constexpr int32_t GridStoreBytes = GridLeadIn + GridCells + 1;
static_assert(GridStoreBytes % CacheLineBytes == 0);
alignas(CacheLineBytes) uint8_t CellGridStore[2][GridStoreBytes];
alignas(CacheLineBytes) uint8_t ShadeGridStore[2][GridStoreBytes];
CellBits CellBitStore[2];

void SetCellBit(CellBits& bits, int32_t column, int32_t row) {
    const int32_t x = column - 1;
    bits.Bits[(row - 1) * RowBitBytes + x / 8] |= static_cast<uint8_t>(1u << (x % 8));
}
} // namespace

uint8_t* CurrentCellGrid = CellGridStore[0] + GridLeadIn;
uint8_t* NextCellGrid = CellGridStore[1] + GridLeadIn;
CellBits* CurrentCellBits = &CellBitStore[0];
CellBits* NextCellBits = &CellBitStore[1];

uint8_t* CurrentShadeGrid = ShadeGridStore[0] + GridLeadIn;
uint8_t* SpareShadeGrid = ShadeGridStore[1] + GridLeadIn;

int32_t GenerationCount = 0;

void InitialiseGrids() {
    std::memset(CellGridStore, 0, sizeof CellGridStore);
    std::memset(ShadeGridStore, 0, sizeof ShadeGridStore);
    std::memset(CellBitStore, 0, sizeof CellBitStore);
    CurrentCellGrid = CellGridStore[0] + GridLeadIn;
    NextCellGrid = CellGridStore[1] + GridLeadIn;
    CurrentCellBits = &CellBitStore[0];
    NextCellBits = &CellBitStore[1];
    CurrentShadeGrid = ShadeGridStore[0] + GridLeadIn;
    SpareShadeGrid = ShadeGridStore[1] + GridLeadIn;
    // Already zero at process start; cleared again so a fresh world never compares
    // against the snapshots of an earlier one.
    ClearHistory();
}

void SwapShadeGrids() {
    uint8_t* former = CurrentShadeGrid;
    CurrentShadeGrid = SpareShadeGrid;
    SpareShadeGrid = former;
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

void PackCellBits(const uint8_t* grid, CellBits& bits) {
    std::memset(bits.Bits, 0, sizeof bits.Bits);
    for (int32_t row = 1; row <= FieldHeight; ++row)
        for (int32_t column = 1; column <= FieldWidth; ++column)
            if (grid[CellIndex(column, row)] != 0) SetCellBit(bits, column, row);
    bits.Known = true;
}

void SetNextCellAlive(int32_t column, int32_t row) {
    NextCellGrid[CellIndex(column, row)] = 1;
    SetCellBit(*NextCellBits, column, row);
}
