// Each desktop's way of saying that the user has been idle for a while and that they are
// back: one small interface, one file a desktop (idle_ext.cpp, idle_kde.cpp,
// idle_gnome.cpp). A new desktop is a new file and a line in the resident's list.
#pragma once
#include <poll.h>

#include <cstdint>

#include "platform/wayland/idle/idle_mode.h"

struct wl_interface;

struct IdleSource {
    // What it listens to and where, for messages.
    const char* Name;
    // Whether the desktop offers it. If so it counts from now and reports UserIdle after
    // seconds without input and UserActive at the first input after, through ReportIdle;
    // the GNOME source also reports inhibitors coming and going.
    bool (*Start)(uint32_t seconds);
    // Counts the idle time afresh from now, and from now on for that many seconds.
    void (*CountAgain)(uint32_t seconds);
    // For a source heard beyond the compositor's connection (null for those heard through
    // it): handles what has arrived, never waiting; before a wait, fills in at most room
    // descriptors to wait on and returns their count; after it, handles what they said.
    void (*Dispatch)();
    int (*StartWaiting)(pollfd* waits, int room);
    void (*StopWaiting)(const pollfd* waits, int count);
};

extern const IdleSource ExtIdleSource;   // ext-idle-notify-v1 (KWin, sway 1.8 and later ...)
extern const IdleSource KdeIdleSource;   // org_kde_kwin_idle (sway 1.7, cage)
extern const IdleSource GnomeIdleSource; // mutter's idle monitor and GNOME's session manager

// idle_run.cpp: what the sources hear, handed to the resident as it comes.
void ReportIdle(IdleHappening happening);
// The compositor's global of that interface, bound at no more than version; null when the
// compositor has none, or no seat to count input on.
void* BindIdleGlobal(const wl_interface* interface, uint32_t version);
