// "Plasma Lite", "Plasma Max" and "Plasma Max Lite": cells with three live neighbours
// flash and take a fresh shade; dead cells fade in place by a fixed step. Nothing else
// is drawn, so the picture keeps every pixel that did not change. The cell rules live in
// fused_pass_kernels.h.
#include "effects/effect_frame.h"
#include "effects/renderers.h"

void RenderPlasmaLite() {
    RunEffectFrame(5);
}
void RenderPlasmaMax() {
    RunEffectFrame(6);
}
void RenderPlasmaMaxLite() {
    RunEffectFrame(7);
}
