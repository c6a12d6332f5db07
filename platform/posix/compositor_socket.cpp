#include "platform/posix/compositor_socket.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/posix/whole_numbers.h"

namespace {
// libwayland's own test of WAYLAND_SOCKET, with each refusal named for what it is.
CompositorSocket HandedOverSocket(const char* number) {
    CompositorSocket socket;
    socket.Named = true;
    uint64_t value = 0;
    if (!ParseWholeNumber(number, 10, 0x7FFFFFFF, value)) {
        socket.Problem = std::string("WAYLAND_SOCKET '") + number + "' is not a descriptor number";
        return socket;
    }
    const int descriptor = static_cast<int>(value);
    struct stat info {};
    const char* wrong = fcntl(descriptor, F_GETFD) < 0 ? "is not open"
                        : fstat(descriptor, &info) != 0 || !S_ISSOCK(info.st_mode)
                            ? "is not a socket"
                            : nullptr;
    if (wrong != nullptr) {
        socket.Problem =
            std::string("WAYLAND_SOCKET names descriptor ") + number + ", which " + wrong;
        return socket;
    }
    // Ours alone: no program we start may take it for its own.
    fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    socket.HandedOver = descriptor;
    return socket;
}

// WAYLAND_DISPLAY, absolute or in XDG_RUNTIME_DIR.
CompositorSocket NamedSocket() {
    CompositorSocket socket;
    const char* name = std::getenv("WAYLAND_DISPLAY");
    socket.Named = name != nullptr && name[0] != '\0';
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!socket.Named)
        socket.Problem = "no Wayland compositor: WAYLAND_DISPLAY is not set";
    else if (name[0] == '/')
        socket.Path = name;
    else if (runtime == nullptr || runtime[0] == '\0')
        socket.Problem = "no Wayland compositor: XDG_RUNTIME_DIR is not set";
    else if (runtime[0] != '/')
        socket.Problem = std::string("XDG_RUNTIME_DIR '") + runtime + "' is not an absolute path";
    else
        socket.Path = std::string(runtime) + "/" + name;
    // A socket's address holds 108 bytes with the closing zero.
    if (socket.Path.size() >= sizeof(sockaddr_un::sun_path)) {
        socket.Problem = "the Wayland socket's path is longer than 107 bytes: " + socket.Path;
        socket.Path.clear();
    }
    return socket;
}

CompositorSocket LocateCompositorSocket() {
    const char* number = std::getenv("WAYLAND_SOCKET");
    if (number == nullptr) return NamedSocket();
    CompositorSocket socket = HandedOverSocket(number);
    // A launcher that hands a connection over in a session with its WAYLAND_DISPLAY set
    // names the compositor outright; a name that cannot be used is no problem here.
    const CompositorSocket named = NamedSocket();
    if (socket.Problem.empty() && named.Problem.empty()) socket.Path = named.Path;
    return socket;
}

// The socket a compositor listens on for Wayland clients, among all it listens on (an X11
// socket for Xwayland, an IPC socket ...; /proc/net/unix lists them in no useful order):
// libwayland's server keeps NAME.lock beside every Wayland socket it listens on, and the
// others have none. Where none has one, the first path in byte order, so that every
// process here names the compositor alike. Empty where the process cannot be looked at.
std::string ListeningSocketOf(pid_t process) {
    const std::string descriptors = "/proc/" + std::to_string(process) + "/fd";
    DIR* folder = opendir(descriptors.c_str());
    if (folder == nullptr) return {};
    std::vector<unsigned long> inodes;
    while (const dirent* entry = readdir(folder)) {
        char target[64];
        const ssize_t size = readlinkat(dirfd(folder), entry->d_name, target, sizeof target - 1);
        unsigned long inode = 0;
        if (size <= 0) continue;
        target[size] = '\0';
        if (std::sscanf(target, "socket:[%lu]", &inode) == 1) inodes.push_back(inode);
    }
    closedir(folder);
    std::ifstream table("/proc/net/unix");
    std::string line, chosen;
    bool chosenIsWayland = false;
    std::getline(table, line); // the heading
    while (std::getline(table, line)) {
        unsigned flags = 0; // 0x10000: listening
        unsigned long inode = 0;
        int pathAt = 0;
        if (std::sscanf(line.c_str(), "%*s %*x %*x %x %*x %*x %lu %n", &flags, &inode, &pathAt) !=
                2 ||
            pathAt <= 0 || line[static_cast<size_t>(pathAt)] != '/' || (flags & 0x10000) == 0 ||
            std::find(inodes.begin(), inodes.end(), inode) == inodes.end())
            continue;
        const std::string path = line.substr(static_cast<size_t>(pathAt));
        struct stat info {};
        const bool wayland = stat((path + ".lock").c_str(), &info) == 0 && S_ISREG(info.st_mode);
        if (chosen.empty() || (wayland && !chosenIsWayland) ||
            (wayland == chosenIsWayland && path < chosen)) {
            chosen = path;
            chosenIsWayland = wayland;
        }
    }
    return chosen;
}

// The path the other end of a connection listens on; a pair of sockets made for us has
// none, and then the compositor's own listening socket answers.
std::string PeerSocketPath(int connection) {
    sockaddr_un peer{};
    socklen_t size = sizeof peer;
    constexpr socklen_t pathAt = offsetof(sockaddr_un, sun_path);
    if (getpeername(connection, reinterpret_cast<sockaddr*>(&peer), &size) == 0 && size > pathAt &&
        peer.sun_path[0] == '/')
        return std::string(peer.sun_path, strnlen(peer.sun_path, size - pathAt));
    ucred credentials{};
    socklen_t credentialsSize = sizeof credentials;
    if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &credentials, &credentialsSize) != 0 ||
        credentials.pid <= 0)
        return {};
    return ListeningSocketOf(credentials.pid);
}
} // namespace

const CompositorSocket& TheCompositorSocket() {
    static const CompositorSocket socket = LocateCompositorSocket();
    return socket;
}

std::string CanonicalSocketPath(const CompositorSocket& socket) {
    const std::string path = socket.HandedOver >= 0 && socket.Path.empty()
                                 ? PeerSocketPath(socket.HandedOver)
                                 : socket.Path;
    char resolved[PATH_MAX];
    if (path.empty() || realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}
