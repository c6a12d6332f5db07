// The frame every effect shares: lock the visible surface, map cells to pixels for the
// display mode, run the effect's fused pass of the active path over the field, unlock.
#pragma once
#include <cstdint>

inline constexpr uint8_t NativeDisplay = 0;
inline constexpr uint8_t DoubledDisplay = 1;

extern uint8_t DisplayMode; // 1 Doubled (640 x 480), anything else Native (320 x 200)

struct FrameView {
    uint8_t* Pixels;
    int32_t Pitch;
    uint8_t Mode;
};

inline constexpr bool IsDoubled(uint8_t mode) {
    return mode == DoubledDisplay;
}
inline constexpr int32_t DisplayWidth(uint8_t mode) {
    return IsDoubled(mode) ? 640 : 320;
}
inline constexpr int32_t DisplayHeight(uint8_t mode) {
    return IsDoubled(mode) ? 480 : 200;
}

// Byte offset of the pixel of a field cell (column 1..320, row 1..200).
inline constexpr int64_t CellPixelOffset(uint8_t mode, int32_t pitch, int32_t column, int32_t row) {
    return IsDoubled(mode) ? int64_t{40 + 2 * (row - 1)} * pitch + 2 * (column - 1)
                           : int64_t{row - 1} * pitch + (column - 1);
}

// Runs one frame of an effect (1..7); returns true when the surface was locked and the
// whole field was drawn.
bool RunEffectFrame(uint8_t effect);

// A new or restored surface: nothing of what it holds is known (see PictureCopyBytes).
void ForgetPicture();
