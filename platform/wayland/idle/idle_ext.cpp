// ext-idle-notify-v1, the idle protocol of KWin 5.27 and later, sway 1.8 and later,
// Hyprland, niri, labwc and COSMIC. Its first version already holds the idle event back
// while an application inhibits idle, so the compositor's inhibitors need nothing here.
#include "ext-idle-notify-v1-client.h"
#include "platform/wayland/idle/idle_source.h"
#include "platform/wayland/wayland_state.h"

namespace {
ext_idle_notifier_v1* Notifier = nullptr;
ext_idle_notification_v1* Notification = nullptr;

void OnIdled(void*, ext_idle_notification_v1*) {
    ReportIdle(IdleHappening::UserIdle);
}

void OnResumed(void*, ext_idle_notification_v1*) {
    ReportIdle(IdleHappening::UserActive);
}

const ext_idle_notification_v1_listener Listener{OnIdled, OnResumed};

// A notification counts from when it is made.
void CountAgain(uint32_t seconds) {
    if (Notification != nullptr) ext_idle_notification_v1_destroy(Notification);
    Notification = ext_idle_notifier_v1_get_idle_notification(Notifier, seconds * 1000, Wl.Seat);
    ext_idle_notification_v1_add_listener(Notification, &Listener, nullptr);
}

bool Start(uint32_t seconds) {
    Notifier =
        static_cast<ext_idle_notifier_v1*>(BindIdleGlobal(&ext_idle_notifier_v1_interface, 1));
    if (Notifier == nullptr) return false;
    CountAgain(seconds);
    return true;
}
} // namespace

const IdleSource ExtIdleSource{
    "ext-idle-notify-v1 from the compositor", Start, CountAgain, nullptr, nullptr, nullptr};
