#include "test_support.h"

#include <cstddef>

#include "life/grids.h"
#include "platform/headless/headless_display.h"
#include "reference_checks.h"

#include <gtest/gtest.h>

void StartHeadlessWorld(uint8_t effect, uint8_t scheme, uint8_t mode, int32_t pitch,
                        uint32_t seed) {
    ASSERT_EQ(SetUpHeadlessWorld(effect, scheme, mode, pitch, seed), "");
}

uint8_t& NextCell(int32_t column, int32_t row) {
    return NextCellGrid[row * GridStride + column];
}
uint8_t& CurrentShade(int32_t column, int32_t row) {
    return CurrentShadeGrid[row * GridStride + column];
}

uint8_t& CellPixel(int32_t column, int32_t row) {
    const int64_t pitch = HeadlessDisplay.Pitch;
    const int64_t offset = DisplayMode == DoubledDisplay
                               ? (40 + 2 * (row - 1)) * pitch + 2 * (column - 1)
                               : (row - 1) * pitch + (column - 1);
    return HeadlessDisplay.Pixels[static_cast<size_t>(offset)];
}

uint32_t StateBeforeDraw(int32_t draw) {
    uint32_t inverse = 214013u; // Newton's iteration for the inverse modulo 2^32
    for (int k = 0; k < 5; ++k)
        inverse *= 2u - 214013u * inverse;
    const uint32_t after = static_cast<uint32_t>(draw) << 16;
    return (after - 2531011u) * inverse;
}
