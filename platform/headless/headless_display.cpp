#include "platform/headless/headless_display.h"

#include <cstddef>
#include <cstring>

#include "ports/display_port.h"

struct PlatformDevice {};
struct PlatformSurface {};
struct PlatformPalette {};

HeadlessDisplayState HeadlessDisplay;

namespace {
PlatformDevice TheDevice;
PlatformSurface TheSurface;
PlatformPalette ThePalette;
} // namespace

void ResetHeadlessDisplay() {
    HeadlessDisplay = HeadlessDisplayState{};
}

int32_t CreateDisplayDevice(PlatformDevice** device) {
    if (HeadlessDisplay.CreateDeviceResult != DisplayOk) return HeadlessDisplay.CreateDeviceResult;
    HeadlessDisplay.DeviceLive = true;
    *device = &TheDevice;
    return DisplayOk;
}

int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    if (HeadlessDisplay.CooperativeLevelResult == DisplayOk) HeadlessDisplay.Exclusive = true;
    return HeadlessDisplay.CooperativeLevelResult;
}

int32_t SetDisplayModeTo(PlatformDevice*, int32_t width, int32_t height, int32_t bits,
                         uint32_t flags) {
    ++HeadlessDisplay.ModeCalls;
    HeadlessDisplay.LastModeFlags = flags;
    bool accepted = false;
    if (bits == 8 && width == 320 && height == 200)
        accepted = flags == 0 ? HeadlessDisplay.AcceptsNative : HeadlessDisplay.AcceptsNativeVga;
    else if (bits == 8 && width == 640 && height == 480 && flags == 0)
        accepted = HeadlessDisplay.AcceptsDoubled;
    if (!accepted) return HeadlessDisplay.SetModeFailure;
    HeadlessDisplay.Width = width;
    HeadlessDisplay.Height = height;
    return DisplayOk;
}

void RestoreDisplayModeOf(PlatformDevice*) {
    ++HeadlessDisplay.ModeRestores;
}

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    if (HeadlessDisplay.CreateSurfaceResult != DisplayOk)
        return HeadlessDisplay.CreateSurfaceResult;
    HeadlessDisplayState& d = HeadlessDisplay;
    d.Pitch = d.RequestedPitch > 0 ? d.RequestedPitch : d.Width;
    d.Pixels.assign(static_cast<size_t>(d.Pitch) * static_cast<size_t>(d.Height), 0);
    d.SurfaceLive = true;
    *surface = &TheSurface;
    return DisplayOk;
}

int32_t CreateDisplayPalette(PlatformDevice*, const PaletteEntry* entries,
                             PlatformPalette** palette) {
    if (HeadlessDisplay.CreatePaletteResult != DisplayOk)
        return HeadlessDisplay.CreatePaletteResult;
    ++HeadlessDisplay.PaletteCreations;
    std::memcpy(HeadlessDisplay.Colours, entries, sizeof HeadlessDisplay.Colours);
    HeadlessDisplay.PaletteLive = true;
    *palette = &ThePalette;
    return DisplayOk;
}

int32_t SetPaletteEntries(PlatformPalette*, const PaletteEntry* entries) {
    if (HeadlessDisplay.SetEntriesResult != DisplayOk) return HeadlessDisplay.SetEntriesResult;
    ++HeadlessDisplay.PaletteRewrites;
    std::memcpy(HeadlessDisplay.Colours, entries, sizeof HeadlessDisplay.Colours);
    return DisplayOk;
}

int32_t AttachPalette(PlatformSurface*, PlatformPalette*) {
    if (HeadlessDisplay.AttachPaletteResult == DisplayOk) HeadlessDisplay.PaletteAttached = true;
    return HeadlessDisplay.AttachPaletteResult;
}

int32_t LockSurface(PlatformSurface*, uint8_t** pixels, int32_t* pitch) {
    HeadlessDisplayState& d = HeadlessDisplay;
    ++d.LockCalls;
    if (d.LockFailures != 0) {
        if (d.LockFailures > 0) --d.LockFailures;
        return d.LockResult;
    }
    d.Locked = true;
    *pixels = d.Pixels.data();
    *pitch = d.Pitch;
    return DisplayOk;
}

void UnlockSurface(PlatformSurface*) {
    ++HeadlessDisplay.UnlockCalls;
    HeadlessDisplay.Locked = false;
}

bool SurfaceIsInSystemMemory(PlatformSurface*) {
    return !HeadlessDisplay.VideoMemory;
}

void RestoreSurface(PlatformSurface*) {
    HeadlessDisplayState& d = HeadlessDisplay;
    ++d.RestoreCalls;
    if (d.RestoreFails || d.LockResult != SurfaceLostError) return;
    d.LockFailures = 0;
    // A restored surface's contents are undefined; tests may say what they become.
    if (d.RestoredFill >= 0) std::memset(d.Pixels.data(), d.RestoredFill, d.Pixels.size());
}

void ReleaseSurface(PlatformSurface*) {
    HeadlessDisplay.SurfaceLive = false;
}
void ReleasePalette(PlatformPalette*) {
    HeadlessDisplay.PaletteLive = false;
}
void ReleaseDevice(PlatformDevice*) {
    HeadlessDisplay.DeviceLive = false;
    HeadlessDisplay.Exclusive = false;
}
