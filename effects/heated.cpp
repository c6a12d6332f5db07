// "Heated" and "Heated (Alternative)": living cells glow at 128 and their heat spreads
// to dead cells by averaging; cells with three live neighbours flash at 255.
#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "effects/shade_averaging.h"

namespace {
template <bool Orthogonal> void RenderHeatedFrame() {
    if (RunEffectFrame(AverageShadesRow<1, Orthogonal, false>,
                       AverageShadesRow<2, Orthogonal, false>))
        SwapShadeGrids();
}
} // namespace

void RenderHeated() {
    RenderHeatedFrame<false>();
}
void RenderHeatedAlternative() {
    RenderHeatedFrame<true>();
}
