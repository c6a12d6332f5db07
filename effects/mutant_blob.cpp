// "Mutant Blob" and "Mutant Blob (Alternative)": living cells at full shade inside a
// halo that loses one step per frame, so dead patterns fade instead of lingering.
#include "effects/renderers.h"
#include "effects/shade_averaging.h"

void RenderMutantBlob() {
    RenderAveragingFrame<false, true>();
}
void RenderMutantBlobAlternative() {
    RenderAveragingFrame<true, true>();
}
