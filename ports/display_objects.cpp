#include "ports/display_objects.h"

PlatformDevice* DisplayDevice = nullptr;
PlatformSurface* PrimarySurface = nullptr;
PlatformPalette* PaletteObject = nullptr;

void ReleaseDisplayObjects() {
    if (DisplayDevice == nullptr) return;
    if (PrimarySurface != nullptr) {
        ReleaseSurface(PrimarySurface);
        PrimarySurface = nullptr;
    }
    if (PaletteObject != nullptr) {
        ReleasePalette(PaletteObject);
        PaletteObject = nullptr;
    }
    ReleaseDevice(DisplayDevice);
    DisplayDevice = nullptr;
}
