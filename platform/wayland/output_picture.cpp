#include "platform/wayland/output_picture.h"

namespace {
// Rounded half away from zero, as the fractional-scale protocol asks of buffer sizes.
int32_t Scaled(int32_t logical, int32_t scale, uint32_t scale120) {
    if (logical <= 0) return 0;
    if (scale120 == 0) return logical * (scale > 0 ? scale : 1);
    return static_cast<int32_t>((int64_t{logical} * scale120 + 60) / 120);
}
} // namespace

void PlanOutputPicture(int32_t logicalWidth, int32_t logicalHeight, int32_t scale,
                       uint32_t scale120, OutputPicture& plan) {
    plan.Width = Scaled(logicalWidth, scale, scale120);
    plan.Height = Scaled(logicalHeight, scale, scale120);
    plan.Stride = plan.Width * 4;
    FitPicture(plan.Width, plan.Height, plan.Fit);
}
