// The history ring behind the stagnation test: each tick keeps the newest generation, as
// bits plus its grid's border bytes, and compares it with the one kept six ticks earlier.
#pragma once
#include <cstdint>

#include "life/grids.h"

inline constexpr int32_t HistorySlots = 7;
// A snapshot keeps a grid's border as the grids had it when their rows were 322 cells
// long, whatever the grids' stride: rows 0 and 201 whole, then columns 0 and 321 of the rest.
inline constexpr int32_t BorderCells = 2 * GridWidth + 2 * FieldHeight; // 1044
inline constexpr int32_t SnapshotBytes = CellBitBytes + BorderCells;

// Slot 1 the newest snapshot, slot 6 the oldest, slot 0 the next one to be overwritten.
extern uint8_t* HistoryRing[HistorySlots];

void ClearHistory();
// Whether the next grid, border included, equals a snapshot byte for byte.
bool NextGridMatches(const uint8_t* snapshot);
// Keeps the next grid in slot 0 and moves the ring on by one.
void SnapshotNextGrid();
