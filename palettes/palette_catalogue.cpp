#include "palettes/palette_catalogue.h"

const char* const PaletteSchemeNames[SchemeCount + 1] = {
    "<Random>",
    "Blue",
    "Blue - Cyan - Yellow - White",
    "Blue - Cyan - Yellow - White Bars",
    "Blue - Red",
    "Blue - Red Bars",
    "Blue - Red Smooth",
    "Blue - Red - Green - Yellow",
    "Blue - Red - Green - Yellow Bars",
    "Blue - Red - Green - Yellow Smooth",
    "Blue - Yellow",
    "Blue - Yellow Smooth",
    "Cyan",
    "Cyan Bar",
    "Cyan - Magenta",
    "Cyan - Magenta Bars",
    "Cyan - Magenta Smooth",
    "Green",
    "Green - Yellow Bars",
    "Heat",
    "Heated Ice",
    "Ice",
    "Icy Heat",
    "Magenta",
    "Red",
    "Red - Blue",
    "Red - Blue Bars",
    "Red - Blue Smooth",
    "Red - Yellow",
    "Red - Yellow Bars",
    "White",
    "White Bar",
    "Yellow",
    "Yellow Bar",
    "Yellow - Green Bars",
    "Yellow - Green - Red - Blue",
    "Yellow - Green - Red - Blue Smooth",
};

namespace {
// What one channel does across a band at offset k, with m = 256 / band length.
enum Ramp : uint8_t {
    O, // off
    R, // rising: m*k
    F, // falling: (256 - m) - m*k
    H, // held at 252
    M, // held at 255
};

struct Band {
    Ramp Red, Green, Blue;
};

struct Scheme {
    uint8_t BandCount;
    Band Bands[8];
    bool HasLastColour; // bar schemes end on a full-intensity entry 255
    uint8_t LastRed, LastGreen, LastBlue;
};

const Scheme Schemes[SchemeCount] = {
    {1, {{O, O, R}}, false, 0, 0, 0},
    {4, {{O, O, R}, {O, R, R}, {R, R, O}, {R, R, R}}, false, 0, 0, 0},
    {8,
     {{O, O, R}, {O, O, F}, {O, R, R}, {O, F, F}, {R, R, O}, {F, F, O}, {R, R, R}, {F, F, F}},
     true,
     255,
     255,
     255},
    {2, {{O, O, R}, {R, O, O}}, false, 0, 0, 0},
    {4, {{O, O, R}, {O, O, F}, {R, O, O}, {F, O, O}}, true, 255, 0, 0},
    {2, {{O, O, R}, {R, O, F}}, false, 0, 0, 0},
    {4, {{O, O, R}, {R, O, O}, {O, R, O}, {R, R, O}}, false, 0, 0, 0},
    {8,
     {{O, O, R}, {O, O, F}, {R, O, O}, {F, O, O}, {O, R, O}, {O, F, O}, {R, R, O}, {F, F, O}},
     true,
     255,
     255,
     0},
    {4, {{O, O, R}, {R, O, F}, {F, R, O}, {R, M, O}}, false, 0, 0, 0},
    {2, {{O, O, R}, {R, R, O}}, false, 0, 0, 0},
    {2, {{O, O, R}, {R, R, F}}, false, 0, 0, 0},
    {1, {{O, R, R}}, false, 0, 0, 0},
    {2, {{O, R, R}, {O, F, F}}, true, 0, 255, 255},
    {2, {{O, R, R}, {R, O, R}}, false, 0, 0, 0},
    {4, {{O, R, R}, {O, F, F}, {R, O, R}, {F, O, F}}, true, 255, 0, 255},
    {2, {{O, R, R}, {R, F, M}}, false, 0, 0, 0},
    {1, {{O, R, O}}, false, 0, 0, 0},
    {4, {{O, R, O}, {O, F, O}, {R, R, O}, {F, F, O}}, true, 255, 255, 0},
    {2, {{R, O, O}, {M, R, O}}, false, 0, 0, 0},
    {4, {{R, O, O}, {H, R, O}, {F, H, R}, {R, H, H}}, false, 0, 0, 0},
    {2, {{O, O, R}, {O, R, M}}, false, 0, 0, 0},
    {4, {{O, O, R}, {O, R, H}, {R, H, F}, {H, H, R}}, false, 0, 0, 0},
    {1, {{R, O, R}}, false, 0, 0, 0},
    {1, {{R, O, O}}, false, 0, 0, 0},
    {2, {{R, O, O}, {O, O, R}}, false, 0, 0, 0},
    {4, {{R, O, O}, {F, O, O}, {O, O, R}, {O, O, F}}, true, 0, 0, 255},
    {2, {{R, O, O}, {F, O, R}}, false, 0, 0, 0},
    {2, {{R, O, O}, {R, R, O}}, false, 0, 0, 0},
    {4, {{R, O, O}, {F, O, O}, {R, R, O}, {F, F, O}}, true, 255, 255, 0},
    {1, {{R, R, R}}, false, 0, 0, 0},
    {2, {{R, R, R}, {F, F, F}}, true, 255, 255, 255},
    {1, {{R, R, O}}, false, 0, 0, 0},
    {2, {{R, R, O}, {F, F, O}}, true, 255, 255, 0},
    {4, {{R, R, O}, {F, F, O}, {O, R, O}, {O, F, O}}, true, 0, 255, 0},
    {4, {{R, R, O}, {O, R, O}, {R, O, O}, {O, O, R}}, false, 0, 0, 0},
    {4, {{R, R, O}, {F, M, O}, {R, F, O}, {F, O, R}}, false, 0, 0, 0},
};

uint8_t EvaluateRamp(Ramp ramp, int32_t step, int32_t k) {
    switch (ramp) {
    case R:
        return static_cast<uint8_t>(step * k);
    case F:
        return static_cast<uint8_t>(256 - step - step * k);
    case H:
        return 252;
    case M:
        return 255;
    case O:
        break;
    }
    return 0;
}
} // namespace

void BuildSchemePalette(int32_t scheme, Palette& palette) {
    const Scheme& rule = Schemes[scheme - 1];
    const int32_t bandLength = PaletteSize / rule.BandCount;
    const int32_t step = 256 / bandLength;
    for (int32_t index = 0; index < PaletteSize; ++index) {
        const Band& band = rule.Bands[index / bandLength];
        const int32_t k = index % bandLength;
        palette.Entries[index] = {EvaluateRamp(band.Red, step, k),
                                  EvaluateRamp(band.Green, step, k),
                                  EvaluateRamp(band.Blue, step, k), 0};
    }
    if (rule.HasLastColour)
        palette.Entries[PaletteSize - 1] = {rule.LastRed, rule.LastGreen, rule.LastBlue, 0};
}
