// How long the resident waits: the user's --idle SECONDS, or "auto", which takes half of the
// earliest time at which the desktop itself covers the screen (blanks, locks, dims or turns
// it off), so that the saver is what comes first, as it is where a screen saver is the
// desktop's own. The rule is kept apart from the readers so that it can be tried alone.
#pragma once
#include <cstdint>
#include <string>

// One of the desktop's own times, as its settings state it now.
struct DesktopTime {
    const char* Desktop; // "GNOME", "Plasma"
    const char* Noun;    // "blank", "lock", "dimming", "screen-off"
    const char* Verb;    // "blanks the screen"
    const char* Setting; // where the user raises it
    uint32_t Seconds;
};

inline constexpr int MostDesktopTimes = 6;
inline constexpr uint32_t UnstatedIdleSeconds = 300; // where the desktop states nothing
inline constexpr uint32_t ShortestAutoIdle = 30;

struct DesktopTimes {
    const char* Desktop; // the desktop whose settings were read; null for none known
    DesktopTime Times[MostDesktopTimes];
    int Count;
};

struct IdleTimeChoice {
    uint32_t Seconds;
    std::string Why;     // for the first line, after "N s without input (": empty for --idle N
    std::string Warning; // one line where the desktop covers the screen first; else empty
};

// asked: the --idle seconds, or 0 for "auto".
IdleTimeChoice ChooseIdleTime(uint32_t asked, const DesktopTimes& desktop);

// desktop_times.cpp: the times the current desktop states, read afresh (GNOME's through
// GSettings, Plasma's from its configuration files). gnome: the idle source is GNOME's.
void ReadDesktopTimes(bool gnome, DesktopTimes& desktop);
// GNOME's settings tell of their changes on GLib's main context, which its idle source
// already dispatches: changed is called there, at once, for the resident to read again.
void FollowGnomeTimes(void (*changed)());
// Plasma's files: a descriptor that becomes readable when one of them may have changed in
// the user's configuration folder, -1 where the desktop is not Plasma; and, once it is
// readable, whether one of them did.
int FollowPlasmaTimes();
bool HeardPlasmaChange(int watch);
