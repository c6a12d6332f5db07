// Where this session's Wayland compositor listens, found by the rules libwayland follows,
// so that every program here reaches it, and names it, alike.
#pragma once
#include <string>

struct CompositorSocket {
    bool Named = false;  // WAYLAND_SOCKET or WAYLAND_DISPLAY is set: a Wayland session
    int HandedOver = -1; // the connection WAYLAND_SOCKET hands over, made for us
    std::string Path;    // the socket's path as WAYLAND_DISPLAY spells it (beside a
                         // connection handed over too, where a launcher sets both)
    std::string Problem; // why neither can be used, in the words of one line; empty if none
};

// Read from the environment once, at the first call: the compositor stays the same for
// the whole process, and libwayland forgets WAYLAND_SOCKET once it has used it.
// WAYLAND_SOCKET first, else WAYLAND_DISPLAY, absolute or in XDG_RUNTIME_DIR.
const CompositorSocket& TheCompositorSocket();

// The socket the compositor listens on, by its canonical path: the same however it was
// reached (a name in the runtime folder, an absolute path, links, a connection handed
// over, also one made by socketpair, named by WAYLAND_DISPLAY where that is set beside it).
// Empty where it cannot be told. Worked out afresh at each call, from what the system
// says now: a process that names things after it asks once.
std::string CanonicalSocketPath(const CompositorSocket& socket);
