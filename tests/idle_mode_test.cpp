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
template <char Letter, unsigned Bit> bool Start(uint32_t seconds) {
    Asked += Letter + std::to_string(seconds);
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
    } cases[] = {{7, &Ext, "e9"}, {2, &Kde, "e9k9"}, {4, &Gnome, "e9k9g9"}, {0, nullptr, "e9k9g9"}};
    for (const auto& c : cases) {
        Offered = c.Offered;
        Asked.clear();
        std::string error;
        EXPECT_EQ(ChooseIdleSource(Sources, 3, 9, error), c.Chosen) << c.Offered;
        EXPECT_EQ(Asked, c.Asked) << c.Offered;
        if (c.Chosen == nullptr) {
            EXPECT_EQ(error, "no idle source: neither E, nor K, nor G");
        }
    }
}

// A story of happenings and, after each, the resident's state: S showing, W waiting, C
// waiting with the source to count again (which the resident then does, clearing it). Signals
// and a lost desktop are told end to end.
char StateOf(const IdleMode& mode) {
    return mode.Phase == IdlePhase::Showing ? 'S' : mode.CountAgain ? 'C' : 'W';
}

TEST(IdleMode, ShowsOnIdleAndWaitsAgain) {
    using enum IdleHappening;
    const struct {
        const char* Story;
        std::vector<IdleHappening> Happenings;
        const char* States;
    } stories[] = {
        {"input ends a show and idle counts from it, the source's late word changes nothing; "
         "the user back ends one",
         {UserIdle, InputEnded, UserActive, UserIdle, UserIdle, UserActive},
         "SCWSSW"},
        {"another saver holds the screen: no show until the next idle time",
         {UserIdle, ScreenTaken, UserActive, UserIdle},
         "SWWS"},
        {"an inhibitor holds shows back, and ends one; once it goes, idle counts from then",
         {UserIdle, Inhibited, UserIdle, Inhibited, Uninhibited, Uninhibited, UserIdle},
         "SWWWCWS"},
    };
    for (const auto& story : stories) {
        IdleMode mode{};
        std::string states;
        for (const IdleHappening happening : story.Happenings) {
            NoteIdleHappening(mode, happening);
            states += StateOf(mode);
            mode.CountAgain = false;
        }
        EXPECT_EQ(states, story.States) << story.Story;
    }
}
} // namespace
