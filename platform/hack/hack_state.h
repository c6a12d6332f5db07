// What the hack's window, display and loop share.
#pragma once
#include <SDL.h>
#include <SDL_syswm.h>

#include <chrono>
#include <csignal>
#include <cstdint>

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

// Set from signal handlers: SIGTERM, SIGINT and SIGHUP end the run, SIGUSR1 starts over.
extern volatile std::sig_atomic_t StopRequested;
extern volatile std::sig_atomic_t RestartRequested;
extern int WakeDescriptor; // becomes readable when one of those signals arrives

// Opens the display, checks the window the options name (or makes one) and hands it to
// SDL. On failure returns false with one line in error, leaving no window behind.
bool OpenHostWindow(const HackOptions& options, std::string& error);
void CloseHostWindow();

inline int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Reads what the display sent: resizes, exposures, the window's end.
void HandleWindowEvents();
// Sleeps until deadline (nanoseconds on the steady clock), handling the window's events
// as they come; returns early when a signal arrives or the window is gone.
void WaitForDeadline(int64_t deadline);

// Draws the latest picture into the window now.
void PresentPicture();
// Unpaced runs: presents at most once per display refresh.
void PresentIfDue();
// The name of what presents the picture, for the test build's report.
const char* PresenterName();

// Test builds count generations and presents to report rates; the product build does not.
void NoteGeneration();
void NotePresent();
void ReportRates();
