// glimmerhex-hack: the saver as a screen-saver host's hack. It draws into the window the
// host hands it, one generation per --delay, until the host sends SIGTERM.
#define SDL_MAIN_HANDLED
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/hack/hack_state.h"
#include "platform/posix/program_start.h"
#include "platform/present/paced_run.h"
#include "platform/present/run_rates.h"
#include "platform/present/sdl_picture.h"

namespace {
int Fail(const char* problem) {
    std::fprintf(stderr, "glimmerhex-hack: %s\n", problem);
    return 1;
}

// Nothing to send ahead of a wait: SDL flushes the X connection as it reads it.
int StartWaiting() {
    return HostConnection();
}
void StopWaiting(bool) {}

int64_t WindowRefreshInterval() {
    return RefreshIntervalOf(Hack.Window);
}

const PacedFrontEnd HostWindow{PresentPicture, ReadHostEvents,        StartWaiting,
                               StopWaiting,    WindowRefreshInterval, PresenterName};
} // namespace

int main(int argc, char** argv) {
    HoldStandardDescriptors();
    SDL_SetMainReady();
    HackOptions options;
    std::string error;
    if (!ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options, error))
        return Fail(error.c_str());
    if (options.Help) {
        std::fputs(HackUsage, stdout);
        return 0;
    }
    CatchPacedSignals();
    if (!OpenHostWindow(options, error)) return Fail(error.c_str());

    // The daemon starts one hack per monitor in the same second; each window gets its own
    // world.
    const uint32_t seed =
        static_cast<uint32_t>(std::time(nullptr)) + static_cast<uint32_t>(Hack.XWindow);
    if (!SetUpPacedRun(seed, options, error)) {
        CloseHostWindow();
        return Fail(error.c_str());
    }
    RunPaced(options.Delay, HostWindow);
    ReportRates(PresenterName());
    // The host wants its window back now. Each X round trip of an orderly teardown could
    // wait on a busy display server, and the server frees all we hold when we disconnect.
    _exit(0);
}
