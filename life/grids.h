// The Life world: two cell grids with a wrap border and their bits, two shade grids with
// a zero border, and the generation count. All fixed-size and global.
#pragma once
#include <cstdint>

inline constexpr int32_t FieldWidth = 320;
inline constexpr int32_t FieldHeight = 200;
inline constexpr int32_t GridWidth = FieldWidth + 2; // a row's cells, its two border cells included
inline constexpr int32_t GridRows = FieldHeight + 2;
// Bytes from one row of a grid to the next: six cache lines. Each grid lies so that column 1
// of every row starts a line, so the passes' vector stores to a row (columns 1..320, in 16,
// 32 or 64 bytes) never split a line, which costs Intel's processors dearly. Columns 322 to
// 383 of each row are padding: zero, read by no rule, written by nothing.
inline constexpr int32_t CacheLineBytes = 64;
inline constexpr int32_t GridStride = 6 * CacheLineBytes;
static_assert(GridStride >= GridWidth && GridStride % CacheLineBytes == 0);
// A grid's bytes from column 0 of row 0 to the end of row 201's padding; the grids and
// every copy of one are this long.
inline constexpr int32_t GridCells = GridStride * GridRows;
inline constexpr int32_t RowBitBytes = FieldWidth / 8;             // 40
inline constexpr int32_t CellBitBytes = RowBitBytes * FieldHeight; // 8000

inline constexpr int32_t CellIndex(int32_t column, int32_t row) {
    return row * GridStride + column;
}

extern uint8_t* CurrentCellGrid; // read by the renderer
extern uint8_t* NextCellGrid; // written by the renderer; holds the newest generation between ticks

// A cell grid's interior again, one bit a cell (column c, row r: bit (c - 1) % 8 of byte
// (r - 1) * RowBitBytes + (c - 1) / 8), so the history compares and keeps 8000 bytes a
// generation rather than a whole grid. The renderer, the seeding and the wipe keep them up to
// date; Known is false from InitialiseGrids until the grid was next drawn or snapshotted,
// so cells set directly in a fresh world (as tests do) are read from the grid itself.
struct CellBits {
    uint8_t Bits[CellBitBytes];
    bool Known;
};
extern CellBits* CurrentCellBits; // travel with the grids' roles
extern CellBits* NextCellBits;

extern uint8_t* CurrentShadeGrid;
extern uint8_t* SpareShadeGrid;

extern int32_t GenerationCount;

void InitialiseGrids();
void SwapShadeGrids();
void RefreshWrapBorder(uint8_t* grid);
int32_t CountLiveCells(const uint8_t* grid); // interior cells only
void PackCellBits(const uint8_t* grid, CellBits& bits);
void SetNextCellAlive(int32_t column, int32_t row); // the cell and its bit
