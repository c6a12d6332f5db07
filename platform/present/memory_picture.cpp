#include "platform/present/memory_picture.h"

#include <algorithm>

#include "ports/display_port.h"

struct PlatformSurface {};
struct PlatformPalette {};

MemoryPicture Picture;

namespace {
PlatformPalette ThePalette;

void SetColours(const PaletteEntry* entries) {
    std::copy(entries, entries + PaletteSize, Picture.Entries);
    for (int i = 0; i < PaletteSize; ++i)
        Picture.Colours[i] = 0xFF000000u | uint32_t{entries[i].Red} << 16 |
                             uint32_t{entries[i].Green} << 8 | entries[i].Blue;
    ++Picture.PaletteChanges;
}
} // namespace

// The picture is scaled to whatever the front end shows it in, so the screen's own mode never
// changes: the first mode the saver asks for, 320 x 200 x 8, is the picture's.
int32_t SetDisplayModeTo(PlatformDevice*, int32_t width, int32_t height, int32_t bits, uint32_t) {
    return width == PictureWidth && height == PictureHeight && bits == 8 ? DisplayOk
                                                                         : DisplayModeRefused;
}

void RestoreDisplayModeOf(PlatformDevice*) {}

int32_t CreateDisplayPalette(PlatformDevice*, const PaletteEntry* entries,
                             PlatformPalette** palette) {
    SetColours(entries);
    *palette = &ThePalette;
    return DisplayOk;
}

int32_t SetPaletteEntries(PlatformPalette*, const PaletteEntry* entries) {
    SetColours(entries);
    return DisplayOk;
}

int32_t AttachPalette(PlatformSurface*, PlatformPalette*) {
    return DisplayOk;
}

int32_t LockSurface(PlatformSurface*, uint8_t** pixels, int32_t* pitch) {
    *pixels = Picture.Pixels;
    *pitch = PictureWidth;
    return DisplayOk;
}

void UnlockSurface(PlatformSurface*) {
    PictureDrawn();
}

// Never lost: the picture is ours, in memory, and read back freely.
void RestoreSurface(PlatformSurface*) {}
bool SurfaceIsInSystemMemory(PlatformSurface*) {
    return true;
}

void ReleasePalette(PlatformPalette*) {}
