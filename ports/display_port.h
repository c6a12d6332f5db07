// The display operations every backend supplies. They return the platform's own result
// codes (0 for success) so the core decides once what each failure means.
#pragma once
#include <cstdint>

struct PaletteEntry;
struct PlatformDevice;  // the display object
struct PlatformSurface; // the visible 8-bit surface
struct PlatformPalette; // the 256-entry palette attached to it
struct PlatformWindow;  // the saver window

inline constexpr int32_t DisplayOk = 0;
inline constexpr int32_t SurfaceLostError = static_cast<int32_t>(0x887601C2u); // DDERR_SURFACELOST
// For backends whose own failures have no code of the platform's: any other failure, and a
// display mode the display cannot take.
inline constexpr int32_t DisplayFailed = static_cast<int32_t>(0x80004005u); // E_FAIL
inline constexpr int32_t DisplayModeRefused =
    static_cast<int32_t>(0x88760091u); // DDERR_INVALIDMODE
inline constexpr uint32_t StandardVgaModeFlag = 1;

int32_t CreateDisplayDevice(PlatformDevice** device);
int32_t SetExclusiveFullScreen(PlatformDevice* device, PlatformWindow* window);
int32_t SetDisplayModeTo(PlatformDevice* device, int32_t width, int32_t height, int32_t bits,
                         uint32_t flags);
void RestoreDisplayModeOf(PlatformDevice* device);
int32_t CreatePrimarySurface(PlatformDevice* device, PlatformSurface** surface);
int32_t CreateDisplayPalette(PlatformDevice* device, const PaletteEntry* entries,
                             PlatformPalette** palette);
int32_t SetPaletteEntries(PlatformPalette* palette, const PaletteEntry* entries);
int32_t AttachPalette(PlatformSurface* surface, PlatformPalette* palette);

// Whole-surface lock: on success pixels and pitch describe the visible picture.
int32_t LockSurface(PlatformSurface* surface, uint8_t** pixels, int32_t* pitch);
void UnlockSurface(PlatformSurface* surface);
void RestoreSurface(PlatformSurface* surface);
// Whether a locked picture lives in system memory and may be read back. Where it may not
// (video memory), the effects only ever write it, from what they drew into it before.
bool SurfaceIsInSystemMemory(PlatformSurface* surface);

void ReleaseSurface(PlatformSurface* surface);
void ReleasePalette(PlatformPalette* palette);
void ReleaseDevice(PlatformDevice* device);
