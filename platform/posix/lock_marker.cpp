// A record lock, not flock: it belongs to the process, so a child that a library forks
// (SDL's message box) never inherits it, and it goes with the process however that ends.
// But closing any descriptor of the file drops it: the markers this process holds are
// kept here, and never opened a second time.
#include "platform/posix/lock_marker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/posix/compositor_socket.h"

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

// A folder of our own in the temporary folder; empty when it is not private (another user
// took its name).
std::string OwnFolder() {
    const std::string own =
        AbsoluteFromEnvironment("TMPDIR", "/tmp") + "/glimmerhex-" + std::to_string(getuid());
    mkdir(own.c_str(), 0700);
    return IsPrivateFolder(own) ? own : std::string();
}

struct MarkerPlace {
    std::string Folder, Name; // the display's part of the file name
};

// On Wayland, the compositor: beside its socket, in the compositor's own runtime folder,
// whatever this process's XDG_RUNTIME_DIR says; where that folder is not ours alone, in
// our own, named by the whole path. Nothing where the socket cannot be told.
MarkerPlace CompositorMarkerPlace() {
    // Once a process: every marker it takes names the compositor alike, whatever the
    // system's tables say later.
    static const std::string path = CanonicalSocketPath(TheCompositorSocket());
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return {};
    const std::string folder = path.substr(0, slash);
    if (IsPrivateFolder(folder)) return {folder, path.substr(slash + 1)};
    std::string name = path;
    std::replace(name.begin(), name.end(), '/', '_');
    return {OwnFolder(), name};
}

// On X, one marker a screen (":41" and ":41.0" are the same one), in the session's runtime
// folder when it is usable, else in our own.
MarkerPlace ScreenMarkerPlace() {
    const char* display = std::getenv("DISPLAY");
    std::string name = display != nullptr && display[0] != '\0' ? display : "none";
    const size_t colon = name.rfind(':');
    if (colon != std::string::npos && name.find('.', colon) == std::string::npos) name += ".0";
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR", "");
    return {IsPrivateFolder(runtime) ? runtime : OwnFolder(), name};
}

// A Wayland session's saver shows on its compositor, whatever DISPLAY says for Xwayland:
// two sessions of one user may share a runtime folder, never a compositor.
std::string MarkerPath(const char* role) {
    const MarkerPlace place =
        TheCompositorSocket().Named ? CompositorMarkerPlace() : ScreenMarkerPlace();
    if (place.Folder.empty() || place.Name.empty()) return {};
    return place.Folder + "/glimmerhex-" + place.Name + (role[0] != '\0' ? "." : "") + role +
           ".lock";
}

// Never waits, whatever lies there (opening a FIFO would wait for a writer). Links and
// what is not a regular file of ours are refused: no one else can hold our marker.
int OpenMarker(const char* role, int flags) {
    const std::string path = MarkerPath(role);
    if (path.empty()) return -1;
    const int file =
        open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
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

struct HeldMarker {
    std::string Role;
    int File = -1;
};
HeldMarker Held[4]; // a saver's marker and a resident program's are all there are

HeldMarker* HeldAs(const char* role) {
    for (HeldMarker& held : Held)
        if (held.File >= 0 && held.Role == role) return &held;
    return nullptr;
}
} // namespace

int TakeLockMarker(const char* role) {
    if (HeldAs(role) != nullptr) return LockMarkerBusy;
    HeldMarker* slot = std::find_if(std::begin(Held), std::end(Held),
                                    [](const HeldMarker& held) { return held.File < 0; });
    const int file = slot != std::end(Held) ? OpenMarker(role, O_RDWR | O_CREAT) : -1;
    if (file < 0) return LockMarkerUnguarded;
    struct flock whole = WholeFile();
    if (fcntl(file, F_SETLK, &whole) == 0) {
        *slot = {role, file};
        return file;
    }
    const bool busy = errno == EACCES || errno == EAGAIN;
    close(file);
    return busy ? LockMarkerBusy : LockMarkerUnguarded;
}

void ReleaseLockMarker(int marker) {
    for (HeldMarker& held : Held)
        if (marker >= 0 && held.File == marker) {
            close(marker);
            held = {};
        }
}

bool IsLockMarkerHeld(const char* role) {
    if (HeldAs(role) != nullptr) return false;
    const int file = OpenMarker(role, O_RDONLY);
    if (file < 0) return false;
    struct flock whole = WholeFile();
    const bool held = fcntl(file, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
    close(file);
    return held;
}
