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
bool ShowAgain = true;     // exposed: presented even where the picture did not change
char Presenter[64] = "none";

bool OnWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && SDL_strcmp(driver, "wayland") == 0;
}

// A Wayland compositor puts a new window on the output that has the focus and gives it the
// keyboard there; asked for full screen from the start, SDL would name the first output
// instead, where the window then takes no keys. So the window is shown black as it is
// until the compositor says where it went (SDL hears that as a move), and made full screen
// on that output.
bool FullScreenWhereShown() {
    const Uint64 deadline = SDL_GetTicks64() + 1000;
    for (bool placed = false; !placed && SDL_GetTicks64() < deadline; SDL_Delay(5)) {
        SDL_SetRenderDrawColor(Sdl.Renderer, 0, 0, 0, 255);
        SDL_RenderClear(Sdl.Renderer);
        SDL_RenderPresent(Sdl.Renderer);
        SDL_PumpEvents();
        // Looked at, not taken: the window procedure still gets every event.
        SDL_Event events[32];
        const int count =
            SDL_PeepEvents(events, 32, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
        for (int i = 0; i < count; ++i)
            placed = placed || events[i].window.event == SDL_WINDOWEVENT_MOVED;
    }
    return SDL_SetWindowFullscreen(Sdl.Window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return DisplayFailed;
    *device = &TheDevice;
    return DisplayOk;
}

int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    // On Wayland, once the window is shown (CreatePrimarySurface).
    if (Sdl.Window != nullptr && OnWayland()) return DisplayOk;
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
    ShowAgain = true;
    if (OnWayland() && !FullScreenWhereShown()) return DisplayFailed;
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
    if (PresentWithRenderer(Sdl.Renderer, Sdl.Texture, ShowAgain)) NotePresent();
    ShowAgain = false;
    NotePresentTook(Pace, now, SteadyNanoseconds());
}

const char* PresenterName() {
    return Presenter;
}

void RedrawSoon() {
    Pace.Next = 0;
    ShowAgain = true;
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
