// "Heated" and "Heated (Alternative)": living cells glow at 128 and their heat spreads
// to dead cells by averaging; cells with three live neighbours flash at 255. The cell
// rules live in fused_pass_kernels.h.
#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "life/grids.h"

void RenderHeated() {
    if (RunEffectFrame(1)) SwapShadeGrids();
}
void RenderHeatedAlternative() {
    if (RunEffectFrame(2)) SwapShadeGrids();
}
