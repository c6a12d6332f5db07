#include "palettes/palette_selection.h"

#include "life/random_source.h"
#include "ports/display_objects.h"

bool SelectPalette() {
    if (PaletteScheme == 0) {
        RandomPalette = true;
        PaletteScheme = static_cast<uint8_t>(DrawRandom() % SchemeCount + 1);
    }
    const int32_t scheme =
        PaletteScheme >= 1 && PaletteScheme <= SchemeCount ? PaletteScheme : FallbackScheme;
    Palette palette;
    BuildSchemePalette(scheme, palette);
    return UploadPalette(palette);
}

void RerollRandomPalette() {
    if (!RandomPalette) return;
    PaletteScheme = 0;
    SelectPalette();
}

bool UploadPalette(const Palette& palette) {
    // Created once; every later upload rewrites the attached object so the picture
    // recolours without a redraw.
    if (PaletteObject == nullptr)
        return CreateDisplayPalette(DisplayDevice, palette.Entries, &PaletteObject) == DisplayOk;
    return SetPaletteEntries(PaletteObject, palette.Entries) == DisplayOk;
}
