// The paced programs' run (the hack, the Wayland program): one generation per --delay,
// shown as it is made, until a signal or the display ends it. The saver (/s) keeps its own
// unpaced loop and does not come through here.
#pragma once
#include <csignal>
#include <cstdint>
#include <string>

#include "platform/present/paced_options.h"

// Set from signal handlers: SIGTERM, SIGINT and SIGHUP end the run, SIGUSR1 starts the
// world over (xsecurelock's "start over").
extern volatile std::sig_atomic_t StopRequested;
extern volatile std::sig_atomic_t RestartRequested;

// Catches those signals. Once asked to end, the process is gone within 80 ms whatever the
// display does: the hosts never follow SIGTERM with SIGKILL, so a run that hung while ending
// would stay behind.
void CatchPacedSignals();

// What a front end gives the run.
struct PacedFrontEnd {
    // Shows the newest generation, now or as soon as the display wants a frame.
    void (*Present)();
    // Reads what the display sent, never waiting; false once the run cannot go on (its
    // window gone, its outputs closed).
    bool (*ReadEvents)();
    // Before a wait: sends what is queued for the display and returns the descriptor that
    // becomes readable when the display sends something. After it: whether it did.
    int (*StartWaiting)();
    void (*StopWaiting)(bool readable);
    // One display refresh: how often an unpaced run (delay 0) shows its picture at most.
    int64_t (*RefreshInterval)();
    // What presents, for the test builds' report.
    const char* (*PresenterName)();
};

// The start of a paced run, once its window or surfaces are open: a fresh run seeded with
// seed, the stored choices unless the command line gave them (read, never written), and
// the display set up. False, with the failed step's text in error, once what set-up made is
// released again.
bool SetUpPacedRun(uint32_t seed, const PacedChoices& choices, std::string& error);

// One generation every delayMicroseconds; 0 runs unpaced, as many as the processor gives.
// Returns when a stop was asked for or the front end ended.
void RunPaced(uint32_t delayMicroseconds, const PacedFrontEnd& frontEnd);

// Sleeps until deadline on the monotonic clock (NoDeadline: until something happens),
// reading the display's events as they come; returns early, true, when a signal arrives,
// and false once the front end's ReadEvents says its run cannot go on.
inline constexpr int64_t NoDeadline = INT64_MAX;
bool WaitForFrontEnd(int64_t deadline, const PacedFrontEnd& frontEnd);

// When the frame after one shown at now is due, the last one having been due at previous:
// one period on; from now where the run fell more than a period behind (suspended, starved
// of time); and never more than a period after now, however often a start-over woke the run
// early.
int64_t NextFrameDeadline(int64_t previous, int64_t period, int64_t now);

// For ReadEvents: an unpaced run shows the picture again at its next generation (the
// window was exposed or resized).
void PresentSoon();
