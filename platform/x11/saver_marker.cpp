// The selection goes with the saver however that ends, as the lock file does: the X server
// drops it when the connection that owns it closes.
#include "platform/x11/saver_marker.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <string>

#include "platform/posix/lock_marker.h"

namespace {
Display* HeldDisplay = nullptr; // open while the saver lives: closing it would drop the selection

// One a screen of the display, as the window managers' WM_S0.
Atom SaverSelection(Display* display) {
    const std::string name = "_GLIMMERHEX_SAVER_S" + std::to_string(DefaultScreen(display));
    return XInternAtom(display, name.c_str(), False);
}

bool IsSelectionOwned() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const bool owned = XGetSelectionOwner(display, SaverSelection(display)) != None;
    XCloseDisplay(display);
    return owned;
}

void LeaveTheSelection() { // in the copy SDL forks for a message box: the saver holds it
    close(ConnectionNumber(HeldDisplay));
}

// Owned through a small window that is never mapped. The server is held while the owner
// is checked and set, so that of two starts at one moment exactly one finds none. Without
// an X display there is nothing to take.
bool TakeSelection() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return true;
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
    const Atom selection = SaverSelection(display);
    const Window holder =
        XCreateSimpleWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, 0);
    XGrabServer(display);
    const bool free = XGetSelectionOwner(display, selection) == None;
    if (free) XSetSelectionOwner(display, selection, holder, CurrentTime);
    const bool taken = free && XGetSelectionOwner(display, selection) == holder;
    XUngrabServer(display);
    XSync(display, False);
    if (!taken) {
        XCloseDisplay(display);
        return false;
    }
    HeldDisplay = display;
    pthread_atfork(nullptr, nullptr, LeaveTheSelection);
    return true;
}
} // namespace

bool IsMarkerHeld() {
    return IsSelectionOwned() || IsLockMarkerHeld(SaverMarker);
}

// Where no lock file can be had, the X selection alone guards.
bool TakeMarker() {
    return TakeLockMarker(SaverMarker) != LockMarkerBusy && TakeSelection();
}
