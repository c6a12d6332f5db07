// Reaching the compositor within a time limit: one that listens but never answers (stopped,
// hung, or a socket nothing serves) must not keep the program waiting for ever, with the
// idle daemon that started it none the wiser.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/compositor_socket.h"
#include "platform/present/present_pacing.h"
#include "platform/wayland/wayland_state.h"

namespace {
std::string NoAnswer() {
    return "the Wayland compositor did not answer within " + std::to_string(AnswerSeconds) +
           " seconds";
}

void OnSynced(void* data, wl_callback* callback, uint32_t) {
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}

const wl_callback_listener SyncListener{OnSynced};
} // namespace

// The socket is reached as libwayland would reach it, but here, so that every refusal is
// one line of ours (libwayland would add its own) and the connect itself is bounded too.
int OpenCompositorConnection(int64_t deadline, std::string& error) {
    const CompositorSocket& compositor = TheCompositorSocket();
    error = compositor.Problem;
    if (!error.empty()) return -1;
    if (compositor.HandedOver >= 0) return compositor.HandedOver;
    const int connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    compositor.Path.copy(address.sun_path, sizeof address.sun_path - 1);
    // A compositor whose queue of new connections is full keeps connect waiting.
    const int64_t remaining = std::max<int64_t>(deadline - SteadyNanoseconds(), 1000);
    const timeval limit{static_cast<time_t>(remaining / 1'000'000'000),
                        static_cast<suseconds_t>(remaining % 1'000'000'000 / 1000)};
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int cause = errno;
        close(connection);
        error = cause == EAGAIN ? NoAnswer()
                                : "cannot connect to the Wayland compositor at " + compositor.Path +
                                      ": " + std::strerror(cause);
        return -1;
    }
    const timeval none{};
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &none, sizeof none);
    return connection;
}

// wl_display_roundtrip, given up at the deadline.
bool RoundTripBy(int64_t deadline, std::string& error) {
    bool synced = false;
    wl_callback_add_listener(wl_display_sync(Wl.Display), &SyncListener, &synced);
    while (!synced) {
        if (wl_display_prepare_read(Wl.Display) != 0) {
            if (wl_display_dispatch_pending(Wl.Display) < 0) break;
            continue;
        }
        wl_display_flush(Wl.Display);
        pollfd connection{wl_display_get_fd(Wl.Display), POLLIN, 0};
        const int64_t remaining = deadline - SteadyNanoseconds();
        const int ready =
            remaining > 0 ? poll(&connection, 1, static_cast<int>(remaining / 1'000'000) + 1) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(Wl.Display);
            if (ready < 0 && errno == EINTR) continue;
            error = ready == 0 ? NoAnswer() : std::string("cannot wait for the Wayland compositor");
            return false;
        }
        if (wl_display_read_events(Wl.Display) < 0 || wl_display_dispatch_pending(Wl.Display) < 0)
            break;
    }
    if (synced) return true;
    error = "lost the connection to the Wayland compositor while starting";
    return false;
}
