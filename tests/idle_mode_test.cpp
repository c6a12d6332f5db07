// The resident's decisions without a desktop: which idle source it takes, and when a show
// starts, ends, gives way to an inhibitor or another saver, and when the process ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wayland/idle_mode.h"
#include "platform/wayland/idle_source.h"

namespace {
// Three stand-in sources: which ones the desktop offers, and which were asked, in order.
unsigned Offered = 0;
std::string Asked;
uint32_t SecondsGiven = 0;
template <char Letter, unsigned Bit> bool Start(uint32_t seconds) {
    Asked += Letter;
    SecondsGiven = seconds;
    return (Offered & Bit) != 0;
}
const IdleSource Ext{"E", Start<'e', 1>, nullptr, nullptr, nullptr, nullptr};
const IdleSource Kde{"K", Start<'k', 2>, nullptr, nullptr, nullptr, nullptr};
const IdleSource Gnome{"G", Start<'g', 4>, nullptr, nullptr, nullptr, nullptr};
const IdleSource* const Sources[] = {&Ext, &Kde, &Gnome};

// The first offered wins, and the later ones are never asked: GNOME's costs a bus.
TEST(IdleSourceChoice, TakesTheFirstTheDesktopOffers) {
    const struct {
        unsigned Offered;
        const IdleSource* Chosen;
        const char* Asked;
    } cases[] = {
        {1 | 2 | 4, &Ext, "e"}, // KWin offers both protocols
        {2, &Kde, "ek"},        // sway 1.7, cage
        {4, &Gnome, "ekg"},     // mutter
        {0, nullptr, "ekg"},
    };
    for (const auto& c : cases) {
        Offered = c.Offered;
        Asked.clear();
        std::string error;
        EXPECT_EQ(ChooseIdleSource(Sources, 3, 300, error), c.Chosen) << c.Offered;
        EXPECT_EQ(Asked, c.Asked) << c.Offered;
        EXPECT_EQ(SecondsGiven, 300u);
        if (c.Chosen == nullptr) {
            EXPECT_EQ(error, "no idle source: neither E, nor K, nor G");
        }
    }
}

// A story of happenings, and after each the phase, whether the source is to count again,
// and the exit status.
struct IdleStep {
    IdleHappening Happening;
    IdlePhase Phase;
    bool CountAgain = false;
    int ExitStatus = 0;
};

void Tell(const char* story, const std::vector<IdleStep>& steps) {
    IdleMode mode{};
    int step = 0;
    for (const IdleStep& s : steps) {
        NoteIdleHappening(mode, s.Happening);
        ++step;
        EXPECT_TRUE(mode.Phase == s.Phase && mode.CountAgain == s.CountAgain &&
                    mode.ExitStatus == s.ExitStatus)
            << story << ", step " << step;
        mode.CountAgain = false; // the resident asks the source and clears it
    }
}

TEST(IdleMode, ShowsOnIdleAndWaitsAgain) {
    using enum IdleHappening;
    using enum IdlePhase;
    Tell("input ends a show, the source's late word changes nothing; the user back ends the next",
         {{UserIdle, Showing},
          {UserIdle, Showing},
          {InputEnded, Waiting},
          {UserActive, Waiting},
          {UserIdle, Showing},
          {UserActive, Waiting}});
    Tell("another saver holds the screen: no show until the next idle time",
         {{UserIdle, Showing}, {ScreenTaken, Waiting}, {UserActive, Waiting}, {UserIdle, Showing}});
    Tell("an inhibitor holds shows back; once it goes, idle is counted from then",
         {{Inhibited, Waiting},
          {UserIdle, Waiting},
          {Inhibited, Waiting},
          {Uninhibited, Waiting, true},
          {Uninhibited, Waiting}, // nothing was held back
          {UserIdle, Showing}});
    Tell("an inhibitor arriving during a show ends it",
         {{UserIdle, Showing}, {Inhibited, Waiting}, {UserIdle, Waiting}});
    Tell("a signal ends it with status 0, whatever comes after",
         {{UserIdle, Showing}, {Stopped, Leaving}, {Lost, Leaving}, {UserIdle, Leaving}});
    Tell("losing the desktop ends it with the status a unit restarts on",
         {{Lost, Leaving, false, LostExitStatus}, {Stopped, Leaving, false, LostExitStatus}});
}
} // namespace
