// What the SDL backend's display and window halves share.
#pragma once
#include <SDL.h>

struct SdlBackend {
    SDL_Window* Window = nullptr;
    SDL_Renderer* Renderer = nullptr;
    SDL_Texture* Texture = nullptr; // the picture in the screen's colours
    SDL_Surface* Surface = nullptr; // the 8-bit surface the effects draw into
    SDL_Palette* Palette = nullptr;
    Uint64 NextPresent = 0;     // performance-counter time of the next present
    Uint64 PresentInterval = 0; // one display refresh
};

extern SdlBackend Sdl;

// Shows the picture if a display refresh has passed since the last one; never waits.
void PresentIfDue();

// Test builds count idle turns to report the tick rate; the product build does not.
void NoteIdleTurn();
void ReportTickRate();
