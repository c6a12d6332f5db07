// The resident's decisions without a desktop: which idle source it takes, how long it waits,
// and when a show starts, ends, gives way to an inhibitor or another saver, and when the
// process ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wayland/idle/idle_mode.h"
#include "platform/wayland/idle/idle_source.h"
#include "platform/wayland/idle/idle_time.h"

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

// "auto" takes half of the earliest time the desktop covers the screen, whole seconds, at
// least 30; 300 where it states none. Any time at or past that earliest one is warned of.
TEST(IdleTime, HalfOfTheDesktopsEarliestTime) {
    const DesktopTime blank{"GNOME", "blank", "blanks the screen", "Settings", 300},
        lock{"Plasma", "lock", "locks the screen", "Screen Locking", 300},
        dimming{"Plasma", "dimming", "dims the screen", "Power", 241};
    const auto with = [](const DesktopTime& time, uint32_t seconds) {
        DesktopTime changed = time;
        changed.Seconds = seconds;
        return changed;
    };
    const struct {
        uint32_t Asked;
        DesktopTimes Desktop;
        uint32_t Seconds;
        const char* Why;
        const char* Warning;
    } cases[] = {
        {0, {}, 300, "the desktop states no blank, lock or power-off time", ""},
        {0, {"GNOME", {}, 0}, 300, "GNOME states no blank, lock or power-off time", ""},
        {0, {"GNOME", {blank, with(blank, 0)}, 2}, 150, "half of GNOME's 300 s blank", ""},
        {0, {"Plasma", {lock, dimming}, 2}, 120, "half of Plasma's 241 s dimming", ""},
        {0, {"GNOME", {with(blank, 59)}, 1}, 30, "half of GNOME's 59 s blank", ""},
        {0,
         {"GNOME", {with(blank, 30)}, 1},
         30,
         "half of GNOME's 30 s blank",
         "GNOME blanks the screen after 30 s (Settings): the saver will not be seen"},
        {299, {"Plasma", {lock}, 1}, 299, "", ""},
        {300,
         {"Plasma", {dimming, lock}, 2},
         300,
         "",
         "Plasma dims the screen after 241 s (Power): the saver will not be seen"},
    };
    for (const auto& c : cases) {
        const IdleTimeChoice choice = ChooseIdleTime(c.Asked, c.Desktop);
        EXPECT_EQ(choice.Seconds, c.Seconds) << c.Why;
        EXPECT_EQ(choice.Why, c.Why);
        EXPECT_EQ(choice.Warning, c.Warning) << c.Why;
    }
}
} // namespace
