// The display on Windows: DirectDraw 7, exclusive full screen, an 8-bit palettised
// primary surface drawn into directly.
#include <windows.h>

#include <ddraw.h>

#include <cstddef>

#include "palettes/palette_catalogue.h"
#include "ports/display_port.h"

static_assert(sizeof(PaletteEntry) == sizeof(PALETTEENTRY) &&
                  offsetof(PaletteEntry, Red) == offsetof(PALETTEENTRY, peRed) &&
                  offsetof(PaletteEntry, Green) == offsetof(PALETTEENTRY, peGreen) &&
                  offsetof(PaletteEntry, Blue) == offsetof(PALETTEENTRY, peBlue) &&
                  offsetof(PaletteEntry, Flags) == offsetof(PALETTEENTRY, peFlags),
              "palette entries are handed to DirectDraw as they are");
static_assert(sizeof(void*) != 4 || sizeof(DDSURFACEDESC2) == 124,
              "the 32-bit surface description is 124 bytes");

namespace {
IDirectDraw7* DirectDrawOf(PlatformDevice* device) {
    return reinterpret_cast<IDirectDraw7*>(device);
}
IDirectDrawSurface7* SurfaceOf(PlatformSurface* surface) {
    return reinterpret_cast<IDirectDrawSurface7*>(surface);
}
IDirectDrawPalette* PaletteOf(PlatformPalette* palette) {
    return reinterpret_cast<IDirectDrawPalette*>(palette);
}
LPPALETTEENTRY EntriesOf(const PaletteEntry* entries) {
    return reinterpret_cast<LPPALETTEENTRY>(const_cast<PaletteEntry*>(entries));
}
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    return DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(device), IID_IDirectDraw7, nullptr);
}

int32_t SetExclusiveFullScreen(PlatformDevice* device, PlatformWindow* window) {
    return DirectDrawOf(device)->SetCooperativeLevel(reinterpret_cast<HWND>(window),
                                                     DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
}

int32_t SetDisplayModeTo(PlatformDevice* device, int32_t width, int32_t height, int32_t bits,
                         uint32_t flags) {
    return DirectDrawOf(device)->SetDisplayMode(width, height, bits, 0, flags);
}

void RestoreDisplayModeOf(PlatformDevice* device) {
    DirectDrawOf(device)->RestoreDisplayMode();
}

int32_t CreatePrimarySurface(PlatformDevice* device, PlatformSurface** surface) {
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    return DirectDrawOf(device)->CreateSurface(
        &description, reinterpret_cast<IDirectDrawSurface7**>(surface), nullptr);
}

int32_t CreateDisplayPalette(PlatformDevice* device, const PaletteEntry* entries,
                             PlatformPalette** palette) {
    return DirectDrawOf(device)->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, EntriesOf(entries),
                                               reinterpret_cast<IDirectDrawPalette**>(palette),
                                               nullptr);
}

int32_t SetPaletteEntries(PlatformPalette* palette, const PaletteEntry* entries) {
    return PaletteOf(palette)->SetEntries(0, 0, 256, EntriesOf(entries));
}

int32_t AttachPalette(PlatformSurface* surface, PlatformPalette* palette) {
    return SurfaceOf(surface)->SetPalette(PaletteOf(palette));
}

int32_t LockSurface(PlatformSurface* surface, uint8_t** pixels, int32_t* pitch) {
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    const HRESULT result =
        SurfaceOf(surface)->Lock(nullptr, &description, DDLOCK_WAIT | DDLOCK_NOSYSLOCK, nullptr);
    if (result == DD_OK) {
        *pixels = static_cast<uint8_t*>(description.lpSurface);
        *pitch = description.lPitch;
    }
    return result;
}

void UnlockSurface(PlatformSurface* surface) {
    SurfaceOf(surface)->Unlock(nullptr);
}
void RestoreSurface(PlatformSurface* surface) {
    SurfaceOf(surface)->Restore();
}
// The exclusive primary surface is video memory: reading it back stalls the bus.
bool SurfaceIsInSystemMemory(PlatformSurface*) {
    return false;
}

void ReleaseSurface(PlatformSurface* surface) {
    SurfaceOf(surface)->Release();
}
void ReleasePalette(PlatformPalette* palette) {
    PaletteOf(palette)->Release();
}
void ReleaseDevice(PlatformDevice* device) {
    DirectDrawOf(device)->Release();
}
