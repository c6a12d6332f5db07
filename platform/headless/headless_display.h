// The headless display: an in-memory 8-bit surface and palette that tests and the
// render tool look into, with every operation able to fail on request.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "palettes/palette_catalogue.h"
#include "ports/display_port.h"

// Surface memory that starts on a cache line, as a real surface does and as the programs'
// pictures do, so that the vector paths' picture stores lie there as they do in the
// programs (a split store costs Intel's processors dearly; malloc gives 16 bytes).
template <typename T> struct LineAlignedAllocator {
    using value_type = T;
    static constexpr std::align_val_t Alignment{64};
    LineAlignedAllocator() = default;
    template <typename U> explicit LineAlignedAllocator(const LineAlignedAllocator<U>&) {}
    T* allocate(size_t count) {
        return static_cast<T*>(::operator new(count * sizeof(T), Alignment));
    }
    void deallocate(T* p, size_t) { ::operator delete(p, Alignment); }
    friend bool operator==(const LineAlignedAllocator&, const LineAlignedAllocator&) {
        return true;
    }
};
using SurfaceBytes = std::vector<uint8_t, LineAlignedAllocator<uint8_t>>;

struct HeadlessDisplayState {
    // What the next calls answer. Each *Result is returned as it is (0 succeeds).
    int32_t CreateDeviceResult = 0;
    int32_t CooperativeLevelResult = 0;
    bool AcceptsNative = true;    // 320 x 200 x 8 with flags 0
    bool AcceptsNativeVga = true; // 320 x 200 x 8 as a standard VGA mode
    bool AcceptsDoubled = true;   // 640 x 480 x 8
    int32_t SetModeFailure = DisplayModeRefused;
    int32_t CreateSurfaceResult = 0;
    int32_t CreatePaletteResult = 0;
    int32_t SetEntriesResult = 0;
    int32_t AttachPaletteResult = 0;
    int32_t LockResult = 0;     // returned while LockFailures > 0 (then counted down)
    int32_t LockFailures = 0;   // < 0: every lock fails
    bool RestoreFails = false;  // a lost surface stays lost after Restore
    int32_t RestoredFill = -1;  // 0..255: what every byte of a restored surface then holds
    int32_t RequestedPitch = 0; // surface pitch; 0 means the mode's width
    bool VideoMemory = false;   // answer as a surface that must not be read back

    // What happened.
    int32_t Width = 0, Height = 0, Pitch = 0;
    SurfaceBytes Pixels; // on a cache line
    PaletteEntry Colours[256] = {};
    bool DeviceLive = false, SurfaceLive = false, PaletteLive = false, Exclusive = false;
    bool PaletteAttached = false, Locked = false;
    int32_t ModeCalls = 0, LockCalls = 0, UnlockCalls = 0, RestoreCalls = 0;
    int32_t PaletteCreations = 0, PaletteRewrites = 0, ModeRestores = 0;
    uint32_t LastModeFlags = 0;
};

extern HeadlessDisplayState HeadlessDisplay;

// Forgets every object and request; the core's slots are the caller's to clear.
void ResetHeadlessDisplay();
