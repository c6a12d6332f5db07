// The display on Linux: the effects draw into the memory picture, which is shown scaled
// over the whole screen with its aspect kept and its pixels sharp, at most once a refresh.
#include "platform/present/memory_picture.h"
#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"
#include "platform/present/sdl_picture.h"
#include "platform/x11/sdl_state.h"
#include "ports/display_port.h"

struct PlatformDevice {};
struct PlatformSurface {};

SdlBackend Sdl;

namespace {
PlatformDevice TheDevice;
PlatformSurface TheSurface;
PresentPace Pace;
uint32_t ShownPalette = 0; // the palette change last shown
char Presenter[64] = "none";
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return DisplayFailed;
    *device = &TheDevice;
    return DisplayOk;
}

int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    if (Sdl.Window == nullptr ||
        SDL_SetWindowFullscreen(Sdl.Window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return DisplayFailed;
    return DisplayOk;
}

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    // No vertical sync: a present must never hold up the tick loop.
    Sdl.Renderer = SDL_CreateRenderer(Sdl.Window, -1, 0);
    if (Sdl.Renderer == nullptr) return DisplayFailed;
    Sdl.Texture = CreatePictureTexture(Sdl.Renderer);
    if (Sdl.Texture == nullptr) return DisplayFailed;
    Pace = {0, RefreshIntervalOf(Sdl.Window)};
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(Sdl.Renderer, &info) == 0 && info.name != nullptr)
        SDL_snprintf(Presenter, sizeof Presenter, "%s", info.name);
    *surface = &TheSurface;
    return DisplayOk;
}

void PictureDrawn() {
    PresentIfDue();
}

void PresentIfDue() {
    if (Sdl.Renderer == nullptr || Sdl.Texture == nullptr) return;
    const int64_t now = SteadyNanoseconds();
    // New colours show at the next chance.
    if (!PresentIsDue(Pace, now) && ShownPalette == Picture.PaletteChanges) return;
    ShownPalette = Picture.PaletteChanges;
    PresentWithRenderer(Sdl.Renderer, Sdl.Texture);
    NotePresent();
    NotePresentTook(Pace, now, SteadyNanoseconds());
}

const char* PresenterName() {
    return Presenter;
}

void RedrawSoon() {
    Pace.Next = 0;
}

void ReleaseSurface(PlatformSurface*) {
    SDL_DestroyTexture(Sdl.Texture);
    SDL_DestroyRenderer(Sdl.Renderer);
    Sdl.Texture = nullptr;
    Sdl.Renderer = nullptr;
}

void ReleaseDevice(PlatformDevice*) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
