#include "effects/effect_frame.h"

#include <cstring>

#include "effects/fused_pass.h"
#include "life/grids.h"
#include "ports/display_objects.h"

uint8_t DisplayMode = NativeDisplay;

namespace {
// Rows of 320 bytes start on cache lines here, so the vector paths' reads and writes of the
// copy never straddle one.
alignas(64) uint8_t PictureCopy[PictureCopyBytes];
alignas(64) uint8_t PictureKnown[PictureCopyBytes];
} // namespace

void ForgetPicture() {
    std::memset(PictureKnown, 0, sizeof PictureKnown);
}

bool RunEffectFrame(uint8_t effect) {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    const int32_t result = LockSurface(PrimarySurface, &pixels, &pitch);
    if (result != DisplayOk) {
        if (result == SurfaceLostError) {
            RestoreSurface(PrimarySurface);
            ForgetPicture(); // a restored surface's contents are undefined
        }
        return false;
    }
    const FrameView view{pixels, pitch, DisplayMode};
    // A narrower pitch would run the last rows past the end of the surface.
    if (view.Pixels == nullptr || view.Pitch < DisplayWidth(view.Mode)) {
        UnlockSurface(PrimarySurface);
        return false;
    }
    const bool doubled = IsDoubled(view.Mode);
    const PassGrids grids{CurrentCellGrid,
                          NextCellGrid,
                          NextCellBits->Bits,
                          CurrentShadeGrid,
                          SpareShadeGrid,
                          view.Pixels + CellPixelOffset(view.Mode, view.Pitch, 1, 1),
                          doubled ? 2 * ptrdiff_t{view.Pitch} : view.Pitch,
                          PictureCopy,
                          PictureKnown};
    const bool readable = SurfaceIsInSystemMemory(PrimarySurface);
    ActiveSimdPath->Effects[effect - 1].ByMode[doubled][readable](grids);
    NextCellBits->Known = true;
    UnlockSurface(PrimarySurface);
    return true;
}
