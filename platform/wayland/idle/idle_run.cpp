// glimmerhex-wayland --idle SECONDS, the resident: connected for the whole session and
// showing nothing, it covers every output as a plain run does each time the desktop's idle
// source says the user has been idle that long, and takes everything down again on the
// input that ends a plain run or when the source says the user is back. While it waits it
// holds no surface, no buffer and no timer: one blocking wait on the compositor's
// connection, the signals' wake-up and the source's own descriptors.
#include <malloc.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/posix/lock_marker.h"
#include "platform/present/paced_run.h"
#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"
#include "platform/regfile/stored_choices.h"
#include "platform/wayland/idle/idle_source.h"
#include "platform/wayland/idle/idle_time.h"
#include "platform/wayland/wayland_state.h"
#include "ports/display_objects.h"

namespace {
// In the order they are tried: a desktop offering more than one has the first.
const IdleSource* const Sources[] = {&ExtIdleSource, &KdeIdleSource, &GnomeIdleSource};
const IdleSource* Source = nullptr;
IdleMode Mode{};

// The saver's marker is held only while a show covers the screen, so that a show never
// starts over another saver and no saver starts over a show.
int ShowMarker = LockMarkerUnguarded;

// Binding through a registry of its own leaves the outputs' registry alone.
struct WantedGlobal {
    const wl_interface* Interface;
    uint32_t Version;
    void* Bound;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto& wanted = *static_cast<WantedGlobal*>(data);
    if (wanted.Bound == nullptr && std::string_view(interface) == wanted.Interface->name)
        wanted.Bound =
            wl_registry_bind(registry, name, wanted.Interface, std::min(version, wanted.Version));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener RegistryListener{OnGlobal, OnGlobalRemove};

// The compositor's connection and the source's descriptors behind one epoll descriptor,
// so that the paced run waits on them all as on one.
constexpr int MostSourceWaits = 8;
int Gathered = -1;
pollfd Waits[1 + MostSourceWaits];
pollfd GatheredWaits[1 + MostSourceWaits];
int WaitCount = 0, GatheredCount = 0;

void GatherWaits() {
    if (Gathered >= 0 && GatheredCount == WaitCount &&
        std::equal(Waits, Waits + WaitCount, GatheredWaits, [](const pollfd& a, const pollfd& b) {
            return a.fd == b.fd && a.events == b.events;
        }))
        return;
    if (Gathered >= 0) close(Gathered);
    Gathered = epoll_create1(EPOLL_CLOEXEC);
    for (int i = 0; i < WaitCount; ++i) {
        // poll's and epoll's bits for reading, writing and urgent data are the same.
        epoll_event event{static_cast<uint32_t>(Waits[i].events), {}};
        epoll_ctl(Gathered, EPOLL_CTL_ADD, Waits[i].fd, &event);
    }
    std::copy(Waits, Waits + WaitCount, GatheredWaits);
    GatheredCount = WaitCount;
}

// Made at the first need, long after the standard descriptors are held, so that it never
// takes one of their numbers.
int AlwaysReadable() {
    static const int readable = eventfd(1, EFD_CLOEXEC);
    return readable;
}

// Where the desktop's files tell of their changes (Plasma's), beside the compositor's
// connection; -1 where none is followed that way.
int DesktopWatch = -1;
bool DesktopTimesChanged = false; // for the resident to read the desktop's times again

int StartWaiting() {
    const int compositor = StartWaitingForCompositor();
    WaitCount = 0;
    // Found gone just now: the wait ends at once, for the next read to say so.
    if (compositor < 0) return AlwaysReadable();
    const int own = DesktopWatch >= 0 ? 2 : 1;
    if (Source->StartWaiting == nullptr && own == 1) return compositor;
    Waits[0] = {compositor, POLLIN, 0};
    Waits[1] = {DesktopWatch, POLLIN, 0};
    WaitCount = own + (Source->StartWaiting != nullptr
                           ? Source->StartWaiting(Waits + own, MostSourceWaits + 1 - own)
                           : 0);
    GatherWaits();
    return Gathered;
}

void StopWaiting(bool readable) {
    if (WaitCount == 0) return StopWaitingForCompositor(readable);
    for (int i = 0; i < WaitCount; ++i)
        Waits[i].revents = 0;
    if (readable) poll(Waits, WaitCount, 0); // which of them it was
    StopWaitingForCompositor((Waits[0].revents & POLLIN) != 0);
    const int own = DesktopWatch >= 0 ? 2 : 1;
    if (own == 2 && (Waits[1].revents & POLLIN) != 0 && HeardPlasmaChange(DesktopWatch))
        DesktopTimesChanged = true;
    if (Source->StopWaiting != nullptr) Source->StopWaiting(Waits + own, WaitCount - own);
}

// What has arrived from the compositor and the source.
bool ReadAll() {
    if (Source->Dispatch != nullptr) Source->Dispatch();
    const bool going = ReadCompositorEvents(); // false on the input that ends a show, too
    if (Wl.Lost) ReportIdle(IdleHappening::Lost);
    return going;
}

// Waiting ends as soon as the resident has something to do.
void NoteDesktopTimesChanged() {
    DesktopTimesChanged = true;
}

bool ReadWhileWaiting() {
    return ReadAll() && Mode.Phase == IdlePhase::Waiting && !Mode.CountAgain &&
           !DesktopTimesChanged;
}

// For the test builds' report: once the last output has shown its first frame.
bool EveryOutputShown = false;
void NoteWhenEveryOutputShown() {
    if (EveryOutputShown) return;
    int covered = 0;
    for (int slot = 0; slot < MaxOutputs; ++slot) {
        if (Wl.Table.Slots[slot].Phase != OutputPhase::Covered) continue;
        if (Wl.Outputs[slot].FramesDrawn == 0) return;
        ++covered;
    }
    if (covered == 0) return;
    EveryOutputShown = true;
    NoteEveryOutputShown(covered);
}

bool ReadWhileShowing() {
    const bool going = ReadAll() && Mode.Phase == IdlePhase::Showing;
    NoteWhenEveryOutputShown();
    return going;
}

const PacedFrontEnd WaitingFrontEnd{nullptr,     ReadWhileWaiting, StartWaiting,
                                    StopWaiting, FastestRefresh,   DescribePresenter};
const PacedFrontEnd ShowingFrontEnd{PresentToOutputs, ReadWhileShowing, StartWaiting,
                                    StopWaiting,      FastestRefresh,   DescribePresenter};

[[noreturn]] void Leave(int status, const char* line) {
    if (line != nullptr) std::fprintf(stderr, "glimmerhex-wayland: %s\n", line);
    std::fflush(stdout);
    _exit(status); // the compositor and the bus take back what was theirs
}

// A fresh run on every output, as a plain run is, with the choices stored now: a change
// made in the dialog meanwhile shows. After it, every surface and buffer is gone.
void Show(const WaylandOptions& options) {
    // Read before the saver's marker is taken, so that a settings file however large never
    // keeps another saver away with nothing on screen; the run's own read below then finds
    // the file unchanged and reads nothing.
    TakeStoredChoices(options.Effect, options.Palette);
    ShowMarker = TakeLockMarker(SaverMarker);
    if (ShowMarker == LockMarkerBusy) return ReportIdle(IdleHappening::ScreenTaken);
    std::string error;
    if (!SetUpPacedRun(static_cast<uint32_t>(std::time(nullptr)), options, error))
        Leave(1, error.c_str());
    // What "auto" found at the first show holds for the later ones: probing OpenGL again
    // would cost every show its first frames' time, and without a GPU it finds the same.
    if (Wl.Renderer == PacedRenderer::Auto)
        Wl.Renderer = IsAccelerating() ? PacedRenderer::Accelerated : PacedRenderer::Software;
    EveryOutputShown = false;
    CoverOutputs();
    RunPaced(options.Delay, ShowingFrontEnd);
    ReportRates(DescribePresenter());
    if (StopRequested != 0)
        ReportIdle(IdleHappening::Stopped);
    else if (Wl.Ended)
        ReportIdle(IdleHappening::InputEnded);
    UncoverOutputs();
    ReleaseDisplayObjects();
    ReleaseLockMarker(ShowMarker);
}
} // namespace

void ReportIdle(IdleHappening happening) {
    if (happening == IdleHappening::UserIdle && Mode.Phase == IdlePhase::Waiting) NoteShowAsked();
    NoteIdleHappening(Mode, happening);
}

void* BindIdleGlobal(const wl_interface* interface, uint32_t version) {
    if (Wl.Seat == nullptr) return nullptr; // idle is counted on a seat
    WantedGlobal wanted{interface, version, nullptr};
    wl_registry* registry = wl_display_get_registry(Wl.Display);
    wl_registry_add_listener(registry, &RegistryListener, &wanted);
    std::string error; // a compositor that stops answering is lost, as the next read says
    const bool answered =
        RoundTripBy(SteadyNanoseconds() + int64_t{AnswerSeconds} * 1'000'000'000, error);
    wl_registry_destroy(registry);
    return answered ? wanted.Bound : nullptr;
}

namespace {
// The idle time now: the user's, or what the desktop's settings call for (read afresh, so
// that a change made there applies from the next wait). Each new time is said in one line,
// with why, and with a warning where the desktop covers the screen first; true when it
// changed.
uint32_t IdleSeconds = 0;
bool TakeIdleTime(const WaylandOptions& options) {
    DesktopTimes desktop;
    ReadDesktopTimes(Source == &GnomeIdleSource, desktop);
    const IdleTimeChoice choice = ChooseIdleTime(options.IdleSeconds, desktop);
    if (choice.Seconds == IdleSeconds) return false;
    IdleSeconds = choice.Seconds;
    std::fprintf(stderr,
                 "glimmerhex-wayland: covering the outputs after %u s without input (%s%s%s)\n",
                 IdleSeconds, choice.Why.c_str(), choice.Why.empty() ? "" : "; ", Source->Name);
    if (!choice.Warning.empty())
        std::fprintf(stderr, "glimmerhex-wayland: %s\n", choice.Warning.c_str());
    return true;
}
} // namespace

void RunResident(const WaylandOptions& options) {
    // One resident a compositor, held for the process's life.
    if (TakeLockMarker("resident") == LockMarkerBusy)
        Leave(0, "another glimmerhex-wayland --idle already waits on this compositor");
    CatchPacedSignals();
    // glibc raises its threshold for mapping a block of its own to the largest such block
    // freed so far; blocks of that size then come from the heap, which keeps them resident
    // once freed: the second show's large, short-lived blocks (the settings file's read,
    // for one) stayed, a mebibyte for good. A threshold set once stays where it is.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // Outputs are known from the start, and covered only at a show.
    Wl.Table.Withdrawn = true;
    std::string error;
    if (!ConnectToCompositor(false, error)) Leave(1, error.c_str());
    // Which desktop this is shows in its idle source: the source starts with the time asked
    // for, or the time for a desktop that states none, and counts again if that was not it.
    IdleSeconds = options.IdleAuto ? UnstatedIdleSeconds : options.IdleSeconds;
    Source = ChooseIdleSource(Sources, std::size(Sources), IdleSeconds, error);
    if (Source == nullptr) Leave(1, error.c_str());
    const uint32_t started = IdleSeconds;
    IdleSeconds = 0;
    TakeIdleTime(options);
    if (IdleSeconds != started) Source->CountAgain(IdleSeconds);
    // The desktop's times are followed as they change (GNOME's on the context its source
    // waits on, Plasma's files beside the compositor's connection), counted afresh from then.
    if (options.IdleAuto && Source == &GnomeIdleSource) FollowGnomeTimes(NoteDesktopTimesChanged);
    if (options.IdleAuto && Source != &GnomeIdleSource) DesktopWatch = FollowPlasmaTimes();
    Wl.Renderer = options.Renderer;
    // The first show's choices are read now, long before it: it then only checks that the
    // file is unchanged.
    TakeStoredChoices(options.Effect, options.Palette);
    while (Mode.Phase != IdlePhase::Leaving) {
        WaitForFrontEnd(NoDeadline, WaitingFrontEnd);
        if (StopRequested != 0) ReportIdle(IdleHappening::Stopped);
        RestartRequested = 0; // there is no world to start over while waiting
        if (DesktopTimesChanged) {
            DesktopTimesChanged = false;
            if (TakeIdleTime(options)) Mode.CountAgain = true;
        }
        if (Mode.CountAgain) {
            Mode.CountAgain = false;
            Source->CountAgain(IdleSeconds);
        }
        if (Mode.Phase != IdlePhase::Showing) continue;
        Show(options);
        if (options.IdleAuto && TakeIdleTime(options)) Mode.CountAgain = true;
    }
    if (Mode.ExitStatus != LostExitStatus) Leave(Mode.ExitStatus, nullptr);
    // Said once: the desktop is gone or going, and the unit decides whether to start again.
    Leave(Mode.ExitStatus, Wl.Lost ? "lost the connection to the Wayland compositor"
                                   : "lost the connection to the session bus");
}
