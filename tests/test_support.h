// Shared set-up for the core tests: a fresh world over the headless display.
#pragma once
#include <cstdint>

#include "effects/effect_frame.h"
#include "palettes/palette_catalogue.h"

// Resets every piece of core state and the headless display, then sets a world up in
// the saver's order (effect, surface, palette, grids) with the given choices.
void StartHeadlessWorld(uint8_t effect, uint8_t scheme = 1, uint8_t mode = NativeDisplay,
                        int32_t pitch = 0, uint32_t seed = 1);

// Cell access by field column 1..320 and row 1..200.
uint8_t& NextCell(int32_t column, int32_t row);
uint8_t& CurrentShade(int32_t column, int32_t row);

// The headless surface byte where a cell is drawn, by the mapping stated independently.
uint8_t& CellPixel(int32_t column, int32_t row);

// A state of the random source whose next draw is the given value (0..32767).
uint32_t StateBeforeDraw(int32_t draw);

// The random source restated: the state after one step, and the draw it yields.
inline uint32_t StepLcg(uint32_t state) {
    return state * 214013u + 2531011u;
}
inline int32_t LcgDraw(uint32_t state) {
    return static_cast<int32_t>((state >> 16) & 0x7FFF);
}
