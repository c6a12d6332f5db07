// The 36 palette schemes, each a fixed rule of linear ramps over equal bands.
#pragma once
#include <cstdint>

#include "settings/saver_settings.h"

inline constexpr int32_t PaletteSize = 256;

// The platform's palette-entry layout: red, green, blue, flags.
struct PaletteEntry {
    uint8_t Red;
    uint8_t Green;
    uint8_t Blue;
    uint8_t Flags;
};

struct Palette {
    PaletteEntry Entries[PaletteSize];
};

// Dialog names, indexed by the PaletteScheme byte; entry 0 is "<Random>".
extern const char* const PaletteSchemeNames[SchemeCount + 1];

// scheme must be 1..36.
void BuildSchemePalette(int32_t scheme, Palette& palette);
