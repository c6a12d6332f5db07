#pragma once
#include "palettes/palette_catalogue.h"

// Scheme shown for a PaletteScheme byte outside 1..36.
inline constexpr int32_t FallbackScheme = 8;

bool SelectPalette();
bool UploadPalette(const Palette& palette);
