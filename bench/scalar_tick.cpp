#include "bench/scalar_tick.h"

#include <cstring>
#include <utility>

#include "effects/effect_frame.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/seeding.h"
#include "ports/display_objects.h"
#include "ports/display_port.h"
#include "settings/saver_settings.h"

namespace {
constexpr int32_t Slots = 7;
uint8_t RingStore[Slots][GridCells];
uint8_t* Ring[Slots];
constexpr int32_t Offsets[8] = {-323, -322, -321, -1, 1, 321, 322, 323};

void RefreshBorder(uint8_t* grid) {
    for (int32_t column = 1; column <= FieldWidth; ++column) {
        grid[CellIndex(column, 0)] = grid[CellIndex(column, FieldHeight)];
        grid[CellIndex(column, FieldHeight + 1)] = grid[CellIndex(column, 1)];
    }
    for (int32_t row = 1; row <= FieldHeight; ++row) {
        grid[CellIndex(0, row)] = grid[CellIndex(FieldWidth, row)];
        grid[CellIndex(FieldWidth + 1, row)] = grid[CellIndex(1, row)];
    }
    grid[CellIndex(0, 0)] = grid[CellIndex(FieldWidth, FieldHeight)];
    grid[CellIndex(FieldWidth + 1, 0)] = grid[CellIndex(1, FieldHeight)];
    grid[CellIndex(0, FieldHeight + 1)] = grid[CellIndex(FieldWidth, 1)];
    grid[CellIndex(FieldWidth + 1, FieldHeight + 1)] = grid[CellIndex(1, 1)];
}

void DrawCell(int32_t effect, int32_t i, uint8_t* pixel) {
    int32_t n = 0;
    for (int32_t offset : Offsets)
        n += CurrentCellGrid[i + offset];
    const uint8_t self = CurrentCellGrid[i];
    if (effect <= 4) {
        uint32_t sum = 0;
        if (effect == 2 || effect == 4)
            sum = (CurrentShadeGrid[i - 322] + CurrentShadeGrid[i - 1] + CurrentShadeGrid[i + 1] +
                   CurrentShadeGrid[i + 322]) >>
                  2;
        else {
            for (int32_t offset : Offsets)
                sum += CurrentShadeGrid[i + offset];
            sum >>= 3;
        }
        uint8_t shade = static_cast<uint8_t>(sum);
        if (effect >= 3 && shade != 0) --shade;
        if (n == 3) {
            NextCellGrid[i] = 1;
            SpareShadeGrid[i] = effect >= 3 ? 255 : 128;
            *pixel = 255;
        } else if (n == 2 && self == 1) {
            NextCellGrid[i] = 1;
            SpareShadeGrid[i] = *pixel = effect >= 3 ? 255 : 128;
        } else {
            NextCellGrid[i] = 0;
            SpareShadeGrid[i] = *pixel = shade;
        }
        return;
    }
    const uint8_t fresh = effect == 5 ? 128 : effect == 6 ? 254 : 252;
    const uint8_t fade = effect == 7 ? 4 : 2;
    if (n == 3) {
        NextCellGrid[i] = 1;
        CurrentShadeGrid[i] = fresh;
        *pixel = 255;
    } else if (n == 2 && self == 1) {
        NextCellGrid[i] = 1;
    } else {
        NextCellGrid[i] = 0;
        if (CurrentShadeGrid[i] != 0) *pixel = CurrentShadeGrid[i] -= fade;
    }
}

void ScalarFrame() {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    if (LockSurface(PrimarySurface, &pixels, &pitch) != DisplayOk) return;
    const int32_t effect = GraphicEffect;
    const int32_t step = IsDoubled(DisplayMode) ? 2 : 1;
    for (int32_t row = 1; row <= FieldHeight; ++row) {
        uint8_t* line = pixels + CellPixelOffset(DisplayMode, pitch, 1, row);
        for (int32_t column = 1; column <= FieldWidth; ++column, line += step)
            DrawCell(effect, CellIndex(column, row), line);
    }
    UnlockSurface(PrimarySurface);
    if (effect <= 4) SwapShadeGrids();
}
} // namespace

void ResetScalarHistory() {
    std::memset(RingStore, 0, sizeof RingStore);
    for (int32_t slot = 0; slot < Slots; ++slot)
        Ring[slot] = RingStore[slot];
}

void ScalarIdleTick() {
    if (std::memcmp(NextCellGrid, Ring[Slots - 1], GridCells) == 0) SeedPatterns();
    std::memcpy(Ring[0], NextCellGrid, GridCells);
    uint8_t* const oldest = Ring[Slots - 1];
    for (int32_t slot = Slots - 1; slot > 0; --slot)
        Ring[slot] = Ring[slot - 1];
    Ring[0] = oldest;
    RefreshBorder(NextCellGrid);
    std::swap(CurrentCellGrid, NextCellGrid);
    if (GenerationCount > WipeThreshold) {
        std::memset(CurrentCellGrid, 0, GridCells);
        GenerationCount = 0;
    }
    ++GenerationCount;
    ScalarFrame();
}
