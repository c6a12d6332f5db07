// The display on Linux: an 8-bit palettised surface in memory that the effects draw
// into, shown scaled over the whole screen with its aspect kept and its pixels sharp.
#include <algorithm>
#include <cstring>

#include "palettes/palette_catalogue.h"
#include "platform/x11/sdl_state.h"
#include "ports/display_port.h"

struct PlatformDevice {
    int Width = 0, Height = 0;
};
struct PlatformSurface {};
struct PlatformPalette {};

SdlBackend Sdl;

namespace {
PlatformDevice TheDevice;
PlatformSurface TheSurface;
PlatformPalette ThePalette;

void SetColours(const PaletteEntry* entries) {
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {entries[i].Red, entries[i].Green, entries[i].Blue, 255};
    SDL_SetPaletteColors(Sdl.Palette, colours, 0, 256);
}
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return DisplayFailed;
    TheDevice = {};
    *device = &TheDevice;
    return DisplayOk;
}

int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    if (Sdl.Window == nullptr ||
        SDL_SetWindowFullscreen(Sdl.Window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return DisplayFailed;
    return DisplayOk;
}

// The picture is emulated at any size, so the first mode asked for is the one used.
int32_t SetDisplayModeTo(PlatformDevice* device, int32_t width, int32_t height, int32_t bits,
                         uint32_t) {
    if (bits != 8) return DisplayFailed;
    device->Width = width;
    device->Height = height;
    return DisplayOk;
}

void RestoreDisplayModeOf(PlatformDevice*) {}

int32_t CreatePrimarySurface(PlatformDevice* device, PlatformSurface** surface) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // No vertical sync: a present must never hold up the tick loop.
    Sdl.Renderer = SDL_CreateRenderer(Sdl.Window, -1, 0);
    if (Sdl.Renderer == nullptr) return DisplayFailed;
    SDL_RenderSetLogicalSize(Sdl.Renderer, device->Width, device->Height);
    Sdl.Texture = SDL_CreateTexture(Sdl.Renderer, SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, device->Width, device->Height);
    Sdl.Surface =
        SDL_CreateRGBSurfaceWithFormat(0, device->Width, device->Height, 8, SDL_PIXELFORMAT_INDEX8);
    if (Sdl.Texture == nullptr || Sdl.Surface == nullptr) return DisplayFailed;
    SDL_DisplayMode mode{};
    const int refresh = SDL_GetWindowDisplayMode(Sdl.Window, &mode) == 0 && mode.refresh_rate > 0
                            ? mode.refresh_rate
                            : 60;
    Sdl.PresentInterval = SDL_GetPerformanceFrequency() / static_cast<Uint64>(refresh);
    Sdl.NextPresent = 0;
    *surface = &TheSurface;
    return DisplayOk;
}

int32_t CreateDisplayPalette(PlatformDevice*, const PaletteEntry* entries,
                             PlatformPalette** palette) {
    Sdl.Palette = SDL_AllocPalette(256);
    if (Sdl.Palette == nullptr) return DisplayFailed;
    SetColours(entries);
    *palette = &ThePalette;
    return DisplayOk;
}

int32_t SetPaletteEntries(PlatformPalette*, const PaletteEntry* entries) {
    SetColours(entries);
    Sdl.NextPresent = 0; // show the new colours at the next chance
    return DisplayOk;
}

int32_t AttachPalette(PlatformSurface*, PlatformPalette*) {
    return SDL_SetSurfacePalette(Sdl.Surface, Sdl.Palette) == 0 ? DisplayOk : DisplayFailed;
}

int32_t LockSurface(PlatformSurface*, uint8_t** pixels, int32_t* pitch) {
    if (SDL_LockSurface(Sdl.Surface) != 0) return DisplayFailed;
    *pixels = static_cast<uint8_t*>(Sdl.Surface->pixels);
    *pitch = Sdl.Surface->pitch;
    return DisplayOk;
}

void UnlockSurface(PlatformSurface*) {
    SDL_UnlockSurface(Sdl.Surface);
    PresentIfDue();
}

void RestoreSurface(PlatformSurface*) {}
bool SurfaceIsInSystemMemory(PlatformSurface*) {
    return true; // an SDL surface in our own memory, copied to the screen on present
}

void PresentIfDue() {
    if (Sdl.Renderer == nullptr || Sdl.Surface == nullptr || Sdl.Palette == nullptr) return;
    const Uint64 now = SDL_GetPerformanceCounter();
    if (now < Sdl.NextPresent) return;
    Uint32 colours[256];
    for (int i = 0; i < 256; ++i) {
        const SDL_Color c = Sdl.Palette->colors[i];
        colours[i] = 0xFF000000u | Uint32{c.r} << 16 | Uint32{c.g} << 8 | c.b;
    }
    void* texels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(Sdl.Texture, nullptr, &texels, &texturePitch) == 0) {
        for (int y = 0; y < Sdl.Surface->h; ++y) {
            const auto* from =
                static_cast<const uint8_t*>(Sdl.Surface->pixels) + y * Sdl.Surface->pitch;
            auto* to = reinterpret_cast<Uint32*>(static_cast<uint8_t*>(texels) + y * texturePitch);
            for (int x = 0; x < Sdl.Surface->w; ++x)
                to[x] = colours[from[x]];
        }
        SDL_UnlockTexture(Sdl.Texture);
    }
    SDL_SetRenderDrawColor(Sdl.Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Sdl.Renderer);
    SDL_RenderCopy(Sdl.Renderer, Sdl.Texture, nullptr, nullptr);
    SDL_RenderPresent(Sdl.Renderer);
    // Once per refresh at most; where presenting is slow (a display drawn in software),
    // less often, so that it never takes more than a twentieth of the saver's time.
    const Uint64 took = SDL_GetPerformanceCounter() - now;
    Sdl.NextPresent = now + std::max(Sdl.PresentInterval, 20 * took);
}

void ReleaseSurface(PlatformSurface*) {
    SDL_FreeSurface(Sdl.Surface);
    SDL_DestroyTexture(Sdl.Texture);
    SDL_DestroyRenderer(Sdl.Renderer);
    Sdl.Surface = nullptr;
    Sdl.Texture = nullptr;
    Sdl.Renderer = nullptr;
}

void ReleasePalette(PlatformPalette*) {
    SDL_FreePalette(Sdl.Palette);
    Sdl.Palette = nullptr;
}

void ReleaseDevice(PlatformDevice*) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
