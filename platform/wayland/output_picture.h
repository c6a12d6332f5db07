// The picture on one output: the buffer's size in the output's own pixels, so that the
// compositor maps it one to one and nothing blurs it, and where the picture goes in it.
#pragma once
#include <cstdint>

#include "platform/present/picture_scaling.h"

struct OutputPicture {
    int32_t Width, Height; // buffer pixels
    int32_t Stride;        // bytes a line, 4 a pixel
    PictureFit Fit;
};

// A surface of logicalWidth x logicalHeight at the output's whole scale factor, or at
// scale120 / 120 where the compositor prefers a fractional one (0: it does not say).
void PlanOutputPicture(int32_t logicalWidth, int32_t logicalHeight, int32_t scale,
                       uint32_t scale120, OutputPicture& plan);
