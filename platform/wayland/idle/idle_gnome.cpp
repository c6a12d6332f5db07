// GNOME: mutter offers no idle protocol. Its idle monitor on the session bus counts input,
// and GNOME's session manager keeps the inhibitors of video players and presentations,
// which the monitor does not consult; both are followed here through GIO's GDBus. Their
// signals and the answers to our calls arrive on GLib's default main context, which the
// resident waits on beside the compositor's connection: its descriptors, and a timer for
// its own timeouts (GDBus keeps one there for every call not yet answered).
//
// After start, no call waits for its answer: a session manager that answers in seconds, or
// never, would otherwise freeze a show and keep the user's return from ending it. What the
// session manager last said holds until it says otherwise; a call that fails says nothing.
#include <gio/gio.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/wayland/idle/idle_source.h"

namespace {
constexpr const char* MonitorName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* MonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* SessionName = "org.gnome.SessionManager";
constexpr const char* SessionPath = "/org/gnome/SessionManager";
constexpr guint32 IdleAction = 8; // "idle" among the session manager's inhibited actions
// Milliseconds. Long enough to hear a loaded session manager (one was seen taking 4 s),
// short enough that a first show held back until it answers is not held back for long. Not
// G_MAXINT with the bus left to report failure: the bus says so only when the manager
// leaves it, and one that hangs would then keep every show away for good. So the timeouts
// stay, and the resident waits on a timer of ours that the context's next timeout sets.
constexpr int CallTimeout = 10000;
constexpr gint64 NoWatch = -1;
constexpr gint64 AskedWatch = -2; // asked for, its id not yet answered
constexpr int MostPolled = 8;

GDBusConnection* Bus = nullptr;
GMainContext* Context = nullptr;
gint Priority = 0;
GPollFD Polled[MostPolled];
int Timer = -1; // readable when the context's earliest timeout is due
guint64 Milliseconds = 0;
gint64 IdleWatch = NoWatch;
guint IdleWatchAsks = 0;      // the newest AddIdleWatch: an older one's answer is a watch too many
gint64 ActiveWatch = NoWatch; // one-shot: the monitor forgets it once it has fired
bool Stretched = false;       // the idle watch counts further than Milliseconds

// What the session manager last said, and which of our questions said it: answers may come
// out of order, and only a newer one than the last heard changes what is known.
bool Inhibited = false;
bool InhibitorsSettled = false; // an answer came, or a question failed, since start
bool IdleAwaitsAnswer = false;  // idle came while nothing was settled: the show waits for it
guint InhibitorAsks = 0, InhibitorsHeard = 0;

void Call(const char* name, const char* path, const char* method, GVariant* arguments,
          const GVariantType* reply, GAsyncReadyCallback answered, guint asked) {
    g_dbus_connection_call(Bus, name, path, name, method, arguments, reply,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, CallTimeout, nullptr, answered,
                           GUINT_TO_POINTER(asked));
}

// The answer to a call, null where it failed; error, if given, then says why.
GVariant* AnswerTo(GAsyncResult* result, GError** error = nullptr) {
    return g_dbus_connection_call_finish(Bus, result, error);
}

// A watch's id from AddIdleWatch's or AddUserActiveWatch's answer, NoWatch where it failed.
gint64 WatchFrom(GAsyncResult* result) {
    GVariant* reply = AnswerTo(result);
    if (reply == nullptr) return NoWatch;
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    return id;
}

void RemoveWatch(gint64 watch) {
    if (watch >= 0)
        Call(MonitorName, MonitorPath, "RemoveWatch",
             g_variant_new("(u)", static_cast<guint32>(watch)), nullptr, nullptr, 0);
}

void OnIdleWatchAdded(GObject*, GAsyncResult* result, gpointer asked) {
    const gint64 watch = WatchFrom(result);
    if (GPOINTER_TO_UINT(asked) == IdleWatchAsks)
        IdleWatch = watch;
    else
        RemoveWatch(watch); // another was asked for since
}

void WatchIdleTime(guint64 milliseconds) {
    RemoveWatch(IdleWatch);
    IdleWatch = NoWatch;
    Call(MonitorName, MonitorPath, "AddIdleWatch", g_variant_new("(t)", milliseconds),
         G_VARIANT_TYPE("(u)"), OnIdleWatchAdded, ++IdleWatchAsks);
}

// The bus keeps the monitor's messages in their order and GDBus hands them to the context
// in that order: the watch's id is known before it can fire.
void OnActiveWatchAdded(GObject*, GAsyncResult* result, gpointer) {
    ActiveWatch = WatchFrom(result);
}

// After an idle time, the next input matters whether a show started or not.
void ListenForReturn() {
    if (ActiveWatch != NoWatch) return;
    ActiveWatch = AskedWatch;
    Call(MonitorName, MonitorPath, "AddUserActiveWatch", nullptr, G_VARIANT_TYPE("(u)"),
         OnActiveWatchAdded, 0);
}

void Settle(bool inhibited) {
    InhibitorsSettled = true;
    if (inhibited != Inhibited) {
        Inhibited = inhibited;
        ReportIdle(Inhibited ? IdleHappening::Inhibited : IdleHappening::Uninhibited);
    }
    if (IdleAwaitsAnswer) {
        IdleAwaitsAnswer = false;
        ReportIdle(IdleHappening::UserIdle);
    }
}

void OnInhibitorsAnswered(GObject*, GAsyncResult* result, gpointer asked) {
    GError* error = nullptr;
    GVariant* reply = AnswerTo(result, &error);
    const guint question = GPOINTER_TO_UINT(asked);
    if (question < InhibitorsHeard) {
        // A newer answer has been heard already.
    } else if (reply != nullptr) {
        gboolean now = FALSE;
        g_variant_get(reply, "(b)", &now);
        InhibitorsHeard = question;
        Settle(now);
    } else if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
               g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
        // Without a session manager on the bus nothing inhibits idle.
        InhibitorsHeard = question;
        Settle(false);
    } else if (!InhibitorsSettled) {
        // Nothing known to inhibit idle: holding shows back for good would be worse.
        std::fprintf(stderr,
                     "glimmerhex-wayland: GNOME's session manager did not say whether idle is "
                     "inhibited (%s): covering the outputs as if nothing inhibited it\n",
                     error->message);
        Settle(Inhibited);
    }
    if (reply != nullptr) g_variant_unref(reply);
    g_clear_error(&error);
}

void AskAboutInhibitors() {
    Call(SessionName, SessionPath, "IsInhibited", g_variant_new("(u)", IdleAction),
         G_VARIANT_TYPE("(b)"), OnInhibitorsAnswered, ++InhibitorAsks);
}

void OnWatchFired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                  GVariant* parameters, gpointer) {
    guint32 id = 0;
    g_variant_get(parameters, "(u)", &id);
    if (id == IdleWatch) {
        ListenForReturn();    // first: the next input ends a show, whatever the manager does
        AskAboutInhibitors(); // asked again before every show: an answer that says "inhibited"
                              // ends it, as the signal would have
        if (InhibitorsSettled)
            ReportIdle(IdleHappening::UserIdle);
        else
            IdleAwaitsAnswer = true;
    } else if (id == ActiveWatch) {
        ActiveWatch = NoWatch;
        IdleAwaitsAnswer = false;
        if (Stretched) WatchIdleTime(Milliseconds); // counting from this input is right again
        Stretched = false;
        ReportIdle(IdleHappening::UserActive);
    }
}

void OnInhibitorsChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant*, gpointer) {
    AskAboutInhibitors();
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
void OnIdleTimeAnswered(GObject*, GAsyncResult* result, gpointer) {
    GVariant* reply = AnswerTo(result);
    guint64 idle = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(t)", &idle);
        g_variant_unref(reply);
    }
    WatchIdleTime(Milliseconds + idle);
    Stretched = idle > 0;
    if (Stretched) ListenForReturn();
}

void CountAgain(uint32_t seconds) {
    Milliseconds = guint64{seconds} * 1000;
    Call(MonitorName, MonitorPath, "GetIdletime", nullptr, G_VARIANT_TYPE("(t)"),
         OnIdleTimeAnswered, 0);
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
    // The one call that waits for its answer: the resident's loop does not run yet, and the
    // answer says whether this desktop offers the monitor at all.
    GVariant* reply =
        g_dbus_connection_call_sync(Bus, MonitorName, MonitorPath, MonitorName, "AddIdleWatch",
                                    g_variant_new("(t)", Milliseconds), G_VARIANT_TYPE("(u)"),
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, CallTimeout, nullptr, nullptr);
    Timer = reply == nullptr ? -1 : timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (reply == nullptr || Timer < 0) {
        if (reply != nullptr) g_variant_unref(reply);
        g_dbus_connection_close_sync(Bus, nullptr, nullptr);
        g_clear_object(&Bus);
        return false;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    IdleWatch = id;
    Subscribe(SessionName, SessionPath, "InhibitorAdded", OnInhibitorsChanged);
    Subscribe(SessionName, SessionPath, "InhibitorRemoved", OnInhibitorsChanged);
    // The bus going is the session going: said once, and the unit decides.
    g_dbus_connection_set_exit_on_close(Bus, FALSE);
    g_signal_connect(Bus, "closed", G_CALLBACK(OnClosed), nullptr);
    Context = g_main_context_default();
    g_main_context_acquire(Context);
    AskAboutInhibitors(); // answered once the resident waits
    return true;
}

void Dispatch() {
    while (g_main_context_iteration(Context, FALSE)) {
    }
}

// The timer last among the waits, set to the context's timeout (-1: none, 0: at once).
int StartWaiting(pollfd* waits, int room) {
    g_main_context_prepare(Context, &Priority);
    gint timeout = -1;
    const int count =
        std::min({g_main_context_query(Context, Priority, &timeout, Polled, MostPolled), room - 1,
                  MostPolled});
    for (int i = 0; i < count; ++i)
        waits[i] = {Polled[i].fd, static_cast<short>(Polled[i].events), 0};
    itimerspec due{};
    if (timeout >= 0)
        due.it_value = {timeout / 1000, timeout % 1000 * 1'000'000L + 1}; // 0 disarms: never 0
    timerfd_settime(Timer, 0, &due, nullptr);
    waits[count] = {Timer, POLLIN, 0};
    return count + 1;
}

void StopWaiting(const pollfd* waits, int count) {
    uint64_t expirations = 0; // read only to quieten it
    [[maybe_unused]] const ssize_t drained = read(Timer, &expirations, sizeof expirations);
    for (int i = 0; i < count - 1; ++i)
        Polled[i].revents = static_cast<gushort>(waits[i].revents);
    if (g_main_context_check(Context, Priority, Polled, count - 1))
        g_main_context_dispatch(Context);
}
} // namespace

const IdleSource GnomeIdleSource{"org.gnome.Mutter.IdleMonitor on the session bus",
                                 Start,
                                 CountAgain,
                                 Dispatch,
                                 StartWaiting,
                                 StopWaiting};
