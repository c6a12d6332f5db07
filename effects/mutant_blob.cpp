// "Mutant Blob" and "Mutant Blob (Alternative)": living cells at full shade inside a
// halo that loses one step per frame, so dead patterns fade instead of lingering. The
// cell rules live in fused_pass_kernels.h.
#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "life/grids.h"

void RenderMutantBlob() {
    if (RunEffectFrame(3)) SwapShadeGrids();
}
void RenderMutantBlobAlternative() {
    if (RunEffectFrame(4)) SwapShadeGrids();
}
