// glimmerhex-wayland: the saver for Wayland desktops, started by an idle daemon. It covers
// every output with the same picture, one generation per --delay, until any key, button
// or move of the pointer, or a signal, ends it. With --idle it is its own idle daemon
// instead (idle_run.cpp).
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/posix/lock_marker.h"
#include "platform/posix/program_start.h"
#include "platform/present/paced_run.h"
#include "platform/present/run_rates.h"
#include "platform/wayland/wayland_options.h"
#include "platform/wayland/wayland_state.h"

namespace {
int Fail(const std::string& problem) {
    std::fprintf(stderr, "glimmerhex-wayland: %s\n", problem.c_str());
    return 1;
}

const PacedFrontEnd Outputs{
    PresentToOutputs,         ReadCompositorEvents, StartWaitingForCompositor,
    StopWaitingForCompositor, FastestRefresh,       DescribePresenter};
} // namespace

int main(int argc, char** argv) {
    HoldStandardDescriptors();
    if (AnswerVersionOrHelp(argc, argv, WaylandUsage)) return 0;
    WaylandOptions options;
    std::string error;
    if (!ParseWaylandOptions(argc, argv, options, error)) return Fail(error);
    if (options.Help) {
        std::fputs(WaylandUsage, stdout);
        return 0;
    }
    if (options.IdleSeconds > 0 || options.IdleAuto) RunResident(options);
    CatchPacedSignals();
    // One saver a compositor, whichever program and however the compositor is named: a
    // start while another covers it ends at once, as /s does. A wallpaper is no saver.
    if (!options.Wallpaper && TakeLockMarker(SaverMarker) == LockMarkerBusy) return 0;
    if (!ConnectToCompositor(options.Wallpaper, error)) return Fail(error);

    Wl.Renderer = options.Renderer;
    if (!SetUpPacedRun(static_cast<uint32_t>(std::time(nullptr)), options, error))
        return Fail(error);
    CoverOutputs();
    RunPaced(options.Delay, Outputs);
    ReportRates(DescribePresenter());
    // Said once, and not an error: the desktop it covered is gone (the compositor ended or
    // restarted), so there is nothing left to give back.
    if (Wl.Lost && StopRequested == 0)
        std::fputs("glimmerhex-wayland: lost the connection to the Wayland compositor\n", stderr);
    // The compositor takes back every surface and buffer when the connection closes.
    std::fflush(stdout);
    _exit(0);
}
