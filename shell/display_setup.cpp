#include "shell/display_setup.h"

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "effects/fused_pass.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "palettes/palette_selection.h"
#include "ports/display_objects.h"

namespace {
bool Fail(DisplayFailure& failure, const char* text, int32_t code) {
    failure = {text, code};
    return false;
}

int32_t SetSaverDisplayMode() {
    if (SetDisplayModeTo(DisplayDevice, 320, 200, 8, 0) == DisplayOk) return DisplayOk;
    // Some drivers list 320 x 200 only as a standard VGA mode.
    if (SetDisplayModeTo(DisplayDevice, 320, 200, 8, StandardVgaModeFlag) == DisplayOk)
        return DisplayOk;
    const int32_t result = SetDisplayModeTo(DisplayDevice, 640, 480, 8, 0);
    if (result == DisplayOk) DisplayMode = DoubledDisplay;
    return result;
}
} // namespace

void ResetRun(uint32_t seed) {
    ReleaseDisplayObjects();
    DisplayMode = NativeDisplay;
    ActiveEffectRenderer = nullptr;
    GraphicEffect = PaletteScheme = 0;
    RandomEffect = RandomPalette = false;
    GenerationCount = 0;
    InitialiseGrids();
    ForgetPicture();
    SeedRandomSource(seed);
}

bool SetUpDisplay(PlatformWindow* window, DisplayFailure& failure) {
    int32_t result = CreateDisplayDevice(&DisplayDevice);
    if (result != DisplayOk) return Fail(failure, "DirectDrawCreateEx FAILED", result);
    result = SetExclusiveFullScreen(DisplayDevice, window);
    if (result != DisplayOk) return Fail(failure, "SetCooperativeLevel FAILED", result);
    result = SetSaverDisplayMode();
    if (result != DisplayOk) return Fail(failure, "SetDisplayMode FAILED", result);
    // The effect is chosen once the mode is known and before any surface exists.
    SelectEffect();
    result = CreatePrimarySurface(DisplayDevice, &PrimarySurface);
    if (result != DisplayOk) return Fail(failure, "CreateSurface FAILED", result);
    // A new surface holds nothing the effects drew.
    ForgetPicture();
    if (!SelectPalette()) return Fail(failure, "CreatePalette FAILED", 0);
    if (AttachPalette(PrimarySurface, PaletteObject) != DisplayOk)
        return Fail(failure, "SetPalette FAILED", 0);
    // The fused pass's instruction set is settled once, before the first tick.
    ChooseSimdPath();
    InitialiseGrids();
    return true;
}
