// The Life world: two cell grids with a wrap border, two shade grids with a zero
// border, the history ring and the generation count. All fixed-size and global.
#pragma once
#include <cstdint>

inline constexpr int32_t GridStride = 322;
inline constexpr int32_t GridRows = 202;
inline constexpr int32_t GridCells = GridStride * GridRows; // 65044
inline constexpr int32_t FieldWidth = 320;
inline constexpr int32_t FieldHeight = 200;
inline constexpr int32_t FirstInteriorCell = GridStride + 1; // 323
inline constexpr int32_t HistorySlots = 7;

// Neighbour offsets in scan order: NW, N, NE, W, E, SW, S, SE.
inline constexpr int32_t NeighbourOffsets[8] = {-323, -322, -321, -1, 1, 321, 322, 323};

inline constexpr int32_t CellIndex(int32_t column, int32_t row) {
    return row * GridStride + column;
}

extern uint8_t* CurrentCellGrid; // read by the renderer
extern uint8_t* NextCellGrid; // written by the renderer; holds the newest generation between ticks
extern const uint8_t* CellNeighbourViews[8];

extern uint8_t* CurrentShadeGrid;
extern uint8_t* SpareShadeGrid;
extern const uint8_t* ShadeNeighbourViews[8];

extern uint8_t* HistoryRing[HistorySlots];
extern int32_t GenerationCount;

void InitialiseGrids();
void SwapShadeGrids();
void RefreshWrapBorder(uint8_t* grid);
void PointCellNeighbourViews();
int32_t CountLiveCells(const uint8_t* grid); // interior cells only
