// glimmerhex-hack: the saver as a screen-saver host's hack. It draws into the window the
// host hands it, one generation per --delay, until the host sends SIGTERM.
#define SDL_MAIN_HANDLED
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "platform/hack/hack_state.h"
#include "platform/regfile/file_store.h"
#include "ports/display_objects.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"
#include "shell/display_setup.h"

volatile std::sig_atomic_t StopRequested = 0;
volatile std::sig_atomic_t RestartRequested = 0;
int WakeDescriptor = -1;

namespace {
int WakeWriter = -1;
timer_t Watchdog{};

int Fail(const char* problem) {
    std::fprintf(stderr, "glimmerhex-hack: %s\n", problem);
    return 1;
}

void Wake() {
    [[maybe_unused]] const ssize_t written = write(WakeWriter, "", 1);
}

// The daemon never follows SIGTERM with SIGKILL, so a hack that hung while ending would
// stay behind: once asked to end, it is gone within 80 ms whatever the display does.
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

void CatchSignals() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        WakeDescriptor = wake[0];
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

void RunPacedLoop(uint32_t delay) {
    const int64_t period = int64_t{delay} * 1000;
    int64_t next = SteadyNanoseconds();
    int64_t nextEvents = next;
    while (StopRequested == 0 && !Hack.WindowGone) {
        if (RestartRequested != 0) {
            RestartRequested = 0;
            // xsecurelock's "start over": the next generation wipes the field and re-rolls
            // the random choices, as the periodic wipe does.
            GenerationCount = WipeThreshold + 1;
        }
        IdleTick();
        NoteGeneration();
        const int64_t now = SteadyNanoseconds();
        if (period == 0) {
            PresentIfDue();
            // Asking the display costs a system call: once a millisecond is soon enough.
            if (now >= nextEvents) {
                HandleWindowEvents();
                nextEvents = now + 1'000'000;
            }
            continue;
        }
        PresentPicture();
        next += period;
        // Far behind (suspended, or starved of time): carry on from now instead of racing.
        if (next < now - period) next = now;
        WaitForDeadline(next);
    }
}
} // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    HackOptions options;
    std::string error;
    if (!ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options, error))
        return Fail(error.c_str());
    if (options.Help) {
        std::fputs(HackUsage, stdout);
        return 0;
    }
    CatchSignals();
    if (!OpenHostWindow(options, error)) return Fail(error.c_str());

    // The stored choices are read, never written: the dialog owns the settings file.
    MakeStoreReadOnly();
    if (options.Effect < 0 || options.Palette < 0) LoadSettings();
    if (options.Effect >= 0) GraphicEffect = static_cast<uint8_t>(options.Effect);
    if (options.Palette >= 0) PaletteScheme = static_cast<uint8_t>(options.Palette);
    // The daemon starts one hack per monitor in the same second; each window gets its own
    // world.
    SeedRandomSource(static_cast<uint32_t>(std::time(nullptr)) +
                     static_cast<uint32_t>(Hack.XWindow));
    DisplayFailure failure{};
    if (!SetUpDisplay(nullptr, failure)) {
        ReleaseDisplayObjects();
        CloseHostWindow();
        return Fail(failure.Text);
    }
    RunPacedLoop(options.Delay);
    ReportRates();
    // The host wants its window back now. Each X round trip of an orderly teardown could
    // wait on a busy display server, and the server frees all we hold when we disconnect.
    _exit(0);
}
