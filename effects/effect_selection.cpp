#include "effects/effect_selection.h"

#include "effects/renderers.h"
#include "life/grids.h"
#include "life/random_source.h"

EffectRenderer ActiveEffectRenderer = nullptr;

const char* const EffectNames[EffectCount + 1] = {
    "<Random>",    "Heated",     "Heated (Alternative)", "Mutant Blob", "Mutant Blob (Alternative)",
    "Plasma Lite", "Plasma Max", "Plasma Max Lite",
};

namespace {
const EffectRenderer EffectTable[EffectCount + 1] = {
    nullptr,
    RenderHeated,
    RenderHeatedAlternative,
    RenderMutantBlob,
    RenderMutantBlobAlternative,
    RenderPlasmaLite,
    RenderPlasmaMax,
    RenderPlasmaMaxLite,
};
} // namespace

void SelectEffect() {
    if (GraphicEffect == 0) {
        RandomEffect = true;
        GraphicEffect = static_cast<uint8_t>(DrawRandom() % EffectCount + 1);
    }
    if (GraphicEffect <= EffectCount)
        ActiveEffectRenderer = EffectTable[GraphicEffect];
    else if (ActiveEffectRenderer == nullptr)
        // A stored byte with no effect of its own still needs a renderer before the first
        // tick; the byte itself is kept so the dialog writes it back unchanged.
        ActiveEffectRenderer = EffectTable[FallbackEffect];
}

void RerollRandomEffect() {
    if (!RandomEffect) return;
    NormaliseShades();
    GraphicEffect = 0;
    SelectEffect();
}

void NormaliseShades() {
    // Plasma fades subtract 2 or 4 and stop only at exactly 0, so every shade must be a
    // multiple of 4 before such an effect can take over.
    for (int32_t i = 0; i < GridCells; ++i) {
        const uint8_t shade = CurrentShadeGrid[i];
        if (shade != 0) {
            const uint8_t rounded = static_cast<uint8_t>(shade & ~3);
            CurrentShadeGrid[i] = rounded != 0 ? rounded : 4;
        }
    }
}
