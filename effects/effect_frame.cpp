#include "effects/effect_frame.h"

#include "life/grids.h"
#include "shell/display_objects.h"

uint8_t DisplayMode = NativeDisplay;

bool RunEffectFrame(RowRenderer nativeRow, RowRenderer doubledRow) {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    const int32_t result = LockSurface(PrimarySurface, &pixels, &pitch);
    if (result != DisplayOk) {
        if (result == SurfaceLostError) RestoreSurface(PrimarySurface);
        return false;
    }
    const FrameView view{pixels, pitch, DisplayMode};
    // A narrower pitch would run the last rows past the end of the surface.
    if (view.Pixels == nullptr || view.Pitch < DisplayWidth(view.Mode)) {
        UnlockSurface(PrimarySurface);
        return false;
    }
    const bool doubled = IsDoubled(view.Mode);
    const RowRenderer row = doubled ? doubledRow : nativeRow;
    const int64_t rowAdvance = doubled ? 2 * int64_t{view.Pitch} : view.Pitch;
    uint8_t* line = view.Pixels + CellPixelOffset(view.Mode, view.Pitch, 1, 1);
    int32_t cell = FirstInteriorCell;
    for (int32_t r = 0; r < FieldHeight; ++r, cell += GridStride, line += rowAdvance)
        row(cell, line);
    UnlockSurface(PrimarySurface);
    return true;
}
