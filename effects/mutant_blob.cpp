// "Mutant Blob" and "Mutant Blob (Alternative)": living cells at full shade inside a
// halo that loses one step per frame, so dead patterns fade instead of lingering.
#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "effects/shade_averaging.h"

namespace {
template <bool Orthogonal> void RenderMutantBlobFrame() {
    if (RunEffectFrame(AverageShadesRow<1, Orthogonal, true>,
                       AverageShadesRow<2, Orthogonal, true>))
        SwapShadeGrids();
}
} // namespace

void RenderMutantBlob() {
    RenderMutantBlobFrame<false>();
}
void RenderMutantBlobAlternative() {
    RenderMutantBlobFrame<true>();
}
