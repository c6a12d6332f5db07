// The seven effect renderers; each runs one frame of the shared effect frame.
#pragma once

void RenderHeated();
void RenderHeatedAlternative();
void RenderMutantBlob();
void RenderMutantBlobAlternative();
void RenderPlasmaLite();
void RenderPlasmaMax();
void RenderPlasmaMaxLite();
