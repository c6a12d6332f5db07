#pragma once
#include "palettes/palette_catalogue.h"

// Scheme shown for a PaletteScheme byte outside 1..36.
inline constexpr int32_t FallbackScheme = 8;

bool SelectPalette();
// A palette rolled at random is rolled again (the wipe, the C key); a chosen one stays. The
// upload's result is not looked at.
void RerollRandomPalette();
bool UploadPalette(const Palette& palette);
