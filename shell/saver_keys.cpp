#include "shell/saver_keys.h"

#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/seeding.h"
#include "palettes/palette_selection.h"

bool ApplySaverKey(uint32_t virtualKey) {
    switch (virtualKey) {
    case SeedKey:
        SeedPatterns();
        return false;
    case PaletteKey:
        // A palette or effect chosen in the dialog stays; the key is swallowed.
        RerollRandomPalette();
        return false;
    case EffectKey:
        RerollRandomEffect();
        return false;
    case WipeKey:
        // The next tick sees 10000 and draws as usual; the one after wipes.
        GenerationCount = WipeThreshold;
        return false;
    default:
        return true;
    }
}
