// "Heated" and "Heated (Alternative)": living cells glow at 128 and their heat spreads
// to dead cells by averaging; cells with three live neighbours flash at 255.
#include "effects/renderers.h"
#include "effects/shade_averaging.h"

void RenderHeated() {
    RenderAveragingFrame<false, false>();
}
void RenderHeatedAlternative() {
    RenderAveragingFrame<true, false>();
}
