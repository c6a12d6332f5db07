// GNOME: mutter offers no idle protocol. Its idle monitor on the session bus counts input,
// and GNOME's session manager keeps the inhibitors of video players and presentations,
// which the monitor does not consult; both are followed here through GIO's GDBus. Their
// signals arrive on GLib's main context, whose descriptors the resident waits on beside
// the compositor's connection. Every call is made synchronously (on a context of GDBus's
// own), so that context never holds a timer of ours and its descriptors alone say when it
// has something.
#include <gio/gio.h>

#include <algorithm>

#include "platform/wayland/idle_source.h"

namespace {
constexpr const char* MonitorName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* MonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* SessionName = "org.gnome.SessionManager";
constexpr const char* SessionPath = "/org/gnome/SessionManager";
constexpr guint32 IdleAction = 8; // "idle" among the session manager's inhibited actions
constexpr int CallTimeout = 3000; // milliseconds: a desktop that takes longer is not there
constexpr gint64 NoWatch = -1;
constexpr int MostPolled = 8;

GDBusConnection* Bus = nullptr;
GMainContext* Context = nullptr;
gint Priority = 0;
GPollFD Polled[MostPolled];
guint64 Milliseconds = 0;
gint64 IdleWatch = NoWatch;
gint64 ActiveWatch = NoWatch; // one-shot: the monitor forgets it once it has fired
bool Stretched = false;       // the idle watch counts further than Milliseconds
bool Inhibited = false;

GVariant* Call(const char* name, const char* path, const char* method, GVariant* arguments,
               const GVariantType* reply) {
    return g_dbus_connection_call_sync(Bus, name, path, name, method, arguments, reply,
                                       G_DBUS_CALL_FLAGS_NO_AUTO_START, CallTimeout, nullptr,
                                       nullptr);
}

// A watch's id, or NoWatch where the monitor did not answer.
gint64 AddWatch(const char* method, GVariant* arguments) {
    GVariant* reply = Call(MonitorName, MonitorPath, method, arguments, G_VARIANT_TYPE("(u)"));
    if (reply == nullptr) return NoWatch;
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    return id;
}

void RemoveWatch(gint64& watch) {
    if (watch == NoWatch) return;
    GVariant* reply = Call(MonitorName, MonitorPath, "RemoveWatch",
                           g_variant_new("(u)", static_cast<guint32>(watch)), nullptr);
    if (reply != nullptr) g_variant_unref(reply);
    watch = NoWatch;
}

void WatchIdleTime(guint64 milliseconds) {
    RemoveWatch(IdleWatch);
    IdleWatch = AddWatch("AddIdleWatch", g_variant_new("(t)", milliseconds));
}

// After an idle time, the next input matters whether a show started or not.
void ListenForReturn() {
    if (ActiveWatch == NoWatch) ActiveWatch = AddWatch("AddUserActiveWatch", nullptr);
}

// Without a session manager on the bus nothing inhibits idle.
void FollowInhibitors() {
    GVariant* reply = Call(SessionName, SessionPath, "IsInhibited",
                           g_variant_new("(u)", IdleAction), G_VARIANT_TYPE("(b)"));
    gboolean now = FALSE;
    if (reply != nullptr) {
        g_variant_get(reply, "(b)", &now);
        g_variant_unref(reply);
    }
    if (static_cast<bool>(now) == Inhibited) return;
    Inhibited = now;
    ReportIdle(Inhibited ? IdleHappening::Inhibited : IdleHappening::Uninhibited);
}

void OnWatchFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant* parameters, gpointer) {
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    if (id == IdleWatch) {
        FollowInhibitors(); // asked again before every show
        ReportIdle(IdleHappening::UserIdle);
        ListenForReturn();
    } else if (id == ActiveWatch) {
        ActiveWatch = NoWatch;
        if (Stretched) WatchIdleTime(Milliseconds); // counting from this input is right again
        Stretched = false;
        ReportIdle(IdleHappening::UserActive);
    }
}

void OnInhibitorsChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant*, gpointer) {
    FollowInhibitors();
}

void OnClosed(GDBusConnection*, gboolean, GError*, gpointer) {
    ReportIdle(IdleHappening::Lost);
}

void Subscribe(const char* name, const char* path, const char* signal,
               GDBusSignalCallback callback) {
    g_dbus_connection_signal_subscribe(Bus, name, name, signal, path, nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, callback, nullptr, nullptr);
}

// The monitor counts from the last input: counting from now is that much further, until
// the next input.
void CountAgain() {
    GVariant* reply = Call(MonitorName, MonitorPath, "GetIdletime", nullptr, G_VARIANT_TYPE("(t)"));
    guint64 idle = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(t)", &idle);
        g_variant_unref(reply);
    }
    WatchIdleTime(Milliseconds + idle);
    Stretched = idle > 0;
    if (Stretched) ListenForReturn();
}

bool Start(uint32_t seconds) {
    // Where no session bus is set up, GLib would start one for the X display: not ours to do.
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (address != nullptr && !g_str_has_prefix(address, "autolaunch:"))
        Bus = g_dbus_connection_new_for_address_sync(
            address,
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    g_free(address);
    if (Bus == nullptr) return false;
    Milliseconds = guint64{seconds} * 1000;
    Subscribe(MonitorName, MonitorPath, "WatchFired", OnWatchFired);
    WatchIdleTime(Milliseconds);
    if (IdleWatch == NoWatch) {
        g_dbus_connection_close_sync(Bus, nullptr, nullptr);
        g_clear_object(&Bus);
        return false;
    }
    Subscribe(SessionName, SessionPath, "InhibitorAdded", OnInhibitorsChanged);
    Subscribe(SessionName, SessionPath, "InhibitorRemoved", OnInhibitorsChanged);
    // The bus going is the session going: said once, and the unit decides.
    g_dbus_connection_set_exit_on_close(Bus, FALSE);
    g_signal_connect(Bus, "closed", G_CALLBACK(OnClosed), nullptr);
    Context = g_main_context_default();
    g_main_context_acquire(Context);
    FollowInhibitors();
    return true;
}

void Dispatch() {
    while (g_main_context_iteration(Context, FALSE)) {
    }
}

int StartWaiting(pollfd* waits, int room) {
    g_main_context_prepare(Context, &Priority);
    gint timeout = -1; // no timers here (see above)
    const int count = std::min(
        {g_main_context_query(Context, Priority, &timeout, Polled, MostPolled), room, MostPolled});
    for (int i = 0; i < count; ++i)
        waits[i] = {Polled[i].fd, static_cast<short>(Polled[i].events), 0};
    return count;
}

void StopWaiting(const pollfd* waits, int count) {
    for (int i = 0; i < count; ++i)
        Polled[i].revents = static_cast<gushort>(waits[i].revents);
    if (g_main_context_check(Context, Priority, Polled, count)) g_main_context_dispatch(Context);
}
} // namespace

const IdleSource GnomeIdleSource{"org.gnome.Mutter.IdleMonitor on the session bus",
                                 Start,
                                 CountAgain,
                                 Dispatch,
                                 StartWaiting,
                                 StopWaiting};
