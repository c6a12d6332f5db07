// What the Linux saver's display and window halves share.
#pragma once
#include <SDL.h>

struct SdlBackend {
    SDL_Window* Window = nullptr;
    SDL_Renderer* Renderer = nullptr;
    SDL_Texture* Texture = nullptr; // the picture in the screen's colours
};

extern SdlBackend Sdl;

// Shows the picture if a display refresh has passed since the last one; never waits.
void PresentIfDue();
// The window was exposed: show the picture again at the next chance.
void RedrawSoon();
// The renderer that shows the picture, for the test build's report.
const char* PresenterName();
