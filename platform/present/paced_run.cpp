#include "platform/present/paced_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <initializer_list>

#include "life/generation.h"
#include "life/grids.h"
#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"

volatile std::sig_atomic_t StopRequested = 0;
volatile std::sig_atomic_t RestartRequested = 0;

namespace {
int WakeReader = -1; // readable once one of the signals above has arrived
int WakeWriter = -1;
timer_t Watchdog{};
PresentPace UnpacedPace;

void Wake() {
    [[maybe_unused]] const ssize_t written = write(WakeWriter, "", 1);
}

void LeaveNow(int) {
    _exit(0);
}

void OnStop(int) {
    StopRequested = 1;
    const itimerspec soon{{0, 0}, {0, 80'000'000}};
    timer_settime(Watchdog, 0, &soon, nullptr);
    Wake();
}

void OnStartOver(int) {
    RestartRequested = 1;
    Wake();
}

// Sleeps until deadline on the monotonic clock, reading the display's events as they come;
// returns early when a signal arrives or the front end ends.
bool WaitUntil(int64_t deadline, const PacedFrontEnd& frontEnd) {
    while (StopRequested == 0 && RestartRequested == 0) {
        // Reading the events first leaves none queued inside the display library, where
        // poll cannot see them.
        if (!frontEnd.ReadEvents()) return false;
        const int64_t remaining = deadline - SteadyNanoseconds();
        if (remaining <= 0) return true;
        pollfd waits[2] = {{frontEnd.StartWaiting(), POLLIN, 0}, {WakeReader, POLLIN, 0}};
        const timespec timeout{static_cast<time_t>(remaining / 1'000'000'000),
                               static_cast<long>(remaining % 1'000'000'000)};
        const int ready = ppoll(waits, 2, deadline == NoDeadline ? nullptr : &timeout, nullptr);
        frontEnd.StopWaiting(ready > 0 && (waits[0].revents & POLLIN) != 0);
        if (ready > 0 && (waits[1].revents & POLLIN) != 0) {
            char drained[64];
            while (read(WakeReader, drained, sizeof drained) > 0) {
            }
        }
    }
    return true;
}

// A start-over asked for: the next generation wipes the field and re-rolls the random
// choices, as the periodic wipe does.
void StartOverIfAsked() {
    if (RestartRequested == 0) return;
    RestartRequested = 0;
    GenerationCount = WipeThreshold + 1;
}

void Show(const PacedFrontEnd& frontEnd) {
    frontEnd.Present();
    NotePresent();
}

void RunUnpaced(const PacedFrontEnd& frontEnd) {
    UnpacedPace.Interval = frontEnd.RefreshInterval();
    int64_t nextEvents = 0;
    while (StopRequested == 0) {
        StartOverIfAsked();
        IdleTick();
        NoteGeneration();
        const int64_t now = SteadyNanoseconds();
        if (PresentIsDue(UnpacedPace, now)) {
            Show(frontEnd);
            NotePresentTook(UnpacedPace, now, SteadyNanoseconds());
        }
        // Asking the display costs a system call: once a millisecond is soon enough.
        if (now >= nextEvents) {
            if (!frontEnd.ReadEvents()) return;
            nextEvents = now + 1'000'000;
        }
    }
}
} // namespace

bool WaitForFrontEnd(int64_t deadline, const PacedFrontEnd& frontEnd) {
    return WaitUntil(deadline, frontEnd);
}

int64_t NextFrameDeadline(int64_t previous, int64_t period, int64_t now) {
    const int64_t next = previous + period;
    if (next < now - period) return now;
    return next > now + period ? now + period : next;
}

void CatchPacedSignals() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        WakeReader = wake[0];
        WakeWriter = wake[1];
    }
    sigevent alarm{};
    alarm.sigev_notify = SIGEV_SIGNAL;
    alarm.sigev_signo = SIGALRM;
    timer_create(CLOCK_MONOTONIC, &alarm, &Watchdog);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = LeaveNow;
    sigaction(SIGALRM, &action, nullptr);
    action.sa_handler = OnStartOver;
    sigaction(SIGUSR1, &action, nullptr);
    action.sa_handler = OnStop;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void PresentSoon() {
    UnpacedPace.Next = 0;
}

void RunPaced(uint32_t delayMicroseconds, const PacedFrontEnd& frontEnd) {
    const int64_t period = int64_t{delayMicroseconds} * 1000;
    if (period == 0) return RunUnpaced(frontEnd);
    int64_t next = SteadyNanoseconds();
    while (StopRequested == 0) {
        StartOverIfAsked();
        if (MayGenerate()) {
            IdleTick();
            NoteGeneration();
        }
        Show(frontEnd);
        next = NextFrameDeadline(next, period, SteadyNanoseconds());
        if (!WaitUntil(next, frontEnd)) return;
    }
}
