// What the hack's window and display share.
#pragma once
#include <SDL.h>
#include <SDL_syswm.h>

#include <string>

#include "platform/hack/hack_options.h"

struct HackBackend {
    SDL_Window* Window = nullptr;
    Display* XDisplay = nullptr; // SDL's own connection, where the window's events arrive
    ::Window XWindow = 0;
    bool DisplayHasGpu = false; // the X server offers direct rendering
    HackRenderer Renderer = HackRenderer::Auto;
    bool RedrawAll = true;   // resized or exposed: draw the bars as well as the picture
    bool WindowGone = false; // the host destroyed its window, or ours was closed
};

extern HackBackend Hack;

// Opens the display, checks the window the options name (or makes one) and hands it to
// SDL. On failure returns false with one line in error, leaving no window behind.
bool OpenHostWindow(const HackOptions& options, std::string& error);
void CloseHostWindow();

// For the paced run: reads what the display sent (resizes, exposures, the window's end)
// and says whether the window is still there; the X connection to wait on.
bool ReadHostEvents();
int HostConnection();

// Draws the latest picture into the window now, and names what does it.
void PresentPicture();
const char* PresenterName();
