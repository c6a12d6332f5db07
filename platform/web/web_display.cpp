// The page's display: the effects draw into the memory picture (present/), and the page
// shows it on a 320 x 200 canvas that the browser scales without smoothing. The device,
// full screen and PictureDrawn are the paced programs' (present/paced_display.cpp): the
// page shows the picture on its own clock. What is left is the surface, and the picture
// in the canvas's own colours.
#include <emscripten/emscripten.h>

#include "platform/present/memory_picture.h"
#include "ports/display_port.h"

struct PlatformSurface {};

namespace {
PlatformSurface TheSurface;
uint32_t Rgba[PictureWidth * PictureHeight]; // red, green, blue, opaque: a canvas's bytes
uint32_t RgbaColours[PaletteSize];
uint32_t MappedPalette = 0; // the palette change RgbaColours were made from
PictureRect PageRect;
} // namespace

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    *surface = &TheSurface;
    return DisplayOk;
}

void ReleaseSurface(PlatformSurface*) {}

extern "C" {
EMSCRIPTEN_KEEPALIVE const uint32_t* DrawRgbaFrame() {
    if (MappedPalette != Picture.PaletteChanges) {
        for (int i = 0; i < PaletteSize; ++i) {
            const PaletteEntry& entry = Picture.Entries[i];
            RgbaColours[i] =
                0xFF000000u | uint32_t{entry.Blue} << 16 | uint32_t{entry.Green} << 8 | entry.Red;
        }
        MappedPalette = Picture.PaletteChanges;
    }
    for (int i = 0; i < PictureWidth * PictureHeight; ++i)
        Rgba[i] = RgbaColours[Picture.Pixels[i]];
    return Rgba;
}

EMSCRIPTEN_KEEPALIVE const PictureRect* FitPage(int32_t width, int32_t height) {
    FitPictureRect(width, height, PageRect);
    return &PageRect;
}
}
