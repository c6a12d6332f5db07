// A record lock, not flock: it belongs to the process, so the child that SDL forks to show
// a message box never inherits it, and it goes with the saver however that ends. So does
// the selection: the X server drops it when the connection that owns it closes.
#include "platform/x11/saver_marker.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 && access(path.c_str(), W_OK) == 0;
}

std::string AbsoluteFromEnvironment(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : otherwise;
}

// The session's runtime folder when it is usable, else a folder of our own in the
// temporary folder. Empty when neither is private (another user took our folder's name).
std::string MarkerFolder() {
    const std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR", "");
    if (IsPrivateFolder(runtime)) return runtime;
    const std::string own =
        AbsoluteFromEnvironment("TMPDIR", "/tmp") + "/glimmerhex-" + std::to_string(getuid());
    mkdir(own.c_str(), 0700);
    return IsPrivateFolder(own) ? own : std::string();
}

// One marker a screen: ":41" and ":41.0" are the same one. On a Wayland desktop the saver
// shows on the compositor WAYLAND_DISPLAY names ("wayland-1"), whatever DISPLAY says: two
// sessions of one user share the runtime folder, not the compositor.
std::string DisplayName() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* display = std::getenv("DISPLAY");
    std::string name = wayland != nullptr && wayland[0] != '\0'   ? wayland
                       : display != nullptr && display[0] != '\0' ? display
                                                                  : "none";
    const size_t colon = name.rfind(':');
    if (colon != std::string::npos && name.find('.', colon) == std::string::npos) name += ".0";
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

// Links and files of another owner are refused: no one else can hold our marker.
int OpenMarker(int flags) {
    const std::string folder = MarkerFolder();
    if (folder.empty()) return -1;
    const std::string path = folder + "/glimmerhex-" + DisplayName() + ".lock";
    const int file = open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat info {};
    if (file >= 0 &&
        (fstat(file, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid())) {
        close(file);
        return -1;
    }
    return file;
}

struct flock WholeFile() {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    return whole;
}

int HeldMarker = -1;            // open while the saver lives: closing it would drop the lock
Display* HeldDisplay = nullptr; // likewise, for the selection

bool IsFileMarkerHeld() {
    const int file = OpenMarker(O_RDONLY);
    if (file < 0) return false;
    struct flock whole = WholeFile();
    const bool held = fcntl(file, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
    close(file);
    return held;
}

// Where no private folder can be had, the X selection alone guards.
bool TakeFileMarker() {
    const int file = OpenMarker(O_RDWR | O_CREAT);
    if (file < 0) return true;
    struct flock whole = WholeFile();
    if (fcntl(file, F_SETLK, &whole) == 0) {
        HeldMarker = file;
        return true;
    }
    const bool busy = errno == EACCES || errno == EAGAIN;
    close(file);
    return !busy;
}

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
    return IsSelectionOwned() || IsFileMarkerHeld();
}

bool TakeMarker() {
    return TakeFileMarker() && TakeSelection();
}
