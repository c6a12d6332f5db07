// Which pass each effect (1..7) runs, with the constants that tell the effects of a family
// apart. Included by each path's file after its AveragingPass and PlasmaPass templates.
#pragma once
#include "effects/fused_pass.h"

namespace {
template <int Effect, bool Doubled, bool Readable> void EffectPass(const PassGrids& g) {
    // Heated and Mutant Blob average all eight neighbours, their alternatives four; the
    // Plasma effects differ in the fresh shade and the fade step.
    if constexpr (Effect <= 4)
        AveragingPass<Effect == 2 || Effect == 4, Effect >= 3, Doubled, Readable>(g);
    else if constexpr (Effect == 5)
        PlasmaPass<128, 2, Doubled, Readable>(g);
    else if constexpr (Effect == 6)
        PlasmaPass<254, 2, Doubled, Readable>(g);
    else
        PlasmaPass<252, 4, Doubled, Readable>(g);
}

template <int Effect> constexpr EffectPasses PassesOf() {
    return {{{EffectPass<Effect, false, false>, EffectPass<Effect, false, true>},
             {EffectPass<Effect, true, false>, EffectPass<Effect, true, true>}}};
}

constexpr SimdPath MakeSimdPath() {
    return {{PassesOf<1>(), PassesOf<2>(), PassesOf<3>(), PassesOf<4>(), PassesOf<5>(),
             PassesOf<6>(), PassesOf<7>()}};
}
} // namespace
