// The resident idle mode's decisions, kept apart from the protocols so that they can be
// tried without a desktop: when a show starts and ends, when the idle source must count
// again, and when the process ends. The idle sources and the show report what happens;
// the resident acts on the phase it leaves.
#pragma once
#include <cstdint>
#include <string>

struct IdleSource;

enum class IdlePhase : uint8_t {
    Waiting, // nothing on screen; the idle source counts the user's idle time
    Showing, // every output covered
    Leaving, // the process ends with ExitStatus
};

enum class IdleHappening : uint8_t {
    UserIdle,    // the source: no input for the whole idle time
    UserActive,  // the source: the first input after that
    InputEnded,  // the input that ends a plain run ended the show
    Inhibited,   // an application asks that the desktop not go idle (a video, a talk)
    Uninhibited, // the last such application let go
    ScreenTaken, // another saver covers the screen: this show does not start
    Stopped,     // SIGTERM, SIGINT or SIGHUP
    Lost,        // the compositor, or the bus the source listens on, went away
};

// For a unit that starts the resident again when its desktop comes back: not 1, which
// says that starting again would not help (bad input, no idle source).
inline constexpr int LostExitStatus = 2;

struct IdleMode {
    IdlePhase Phase;
    bool Inhibited;
    // The source is to count the idle time from now, not from the last input: the user
    // may have sat through a whole film without touching anything.
    bool CountAgain;
    int ExitStatus;
};

void NoteIdleHappening(IdleMode& mode, IdleHappening happening);

// The first of the sources, in their order, that its desktop offers (its Start succeeded,
// so it counts); null when none does, with one line naming all that was missing in error.
const IdleSource* ChooseIdleSource(const IdleSource* const* sources, int count, uint32_t seconds,
                                   std::string& error);
