// org_kde_kwin_idle, the idle protocol of Debian 12's sway (1.7) and cage, which know no
// other. sway holds its timeouts back while an application inhibits idle, as the newer
// protocol does.
#include "kde-idle-client.h"
#include "platform/wayland/idle/idle_source.h"
#include "platform/wayland/wayland_state.h"

namespace {
org_kde_kwin_idle* Manager = nullptr;
org_kde_kwin_idle_timeout* Timeout = nullptr;

void OnIdle(void*, org_kde_kwin_idle_timeout*) {
    ReportIdle(IdleHappening::UserIdle);
}

void OnResumed(void*, org_kde_kwin_idle_timeout*) {
    ReportIdle(IdleHappening::UserActive);
}

const org_kde_kwin_idle_timeout_listener Listener{OnIdle, OnResumed};

// A timeout counts from when it is made.
void CountAgain(uint32_t seconds) {
    if (Timeout != nullptr) org_kde_kwin_idle_timeout_release(Timeout);
    Timeout = org_kde_kwin_idle_get_idle_timeout(Manager, Wl.Seat, seconds * 1000);
    org_kde_kwin_idle_timeout_add_listener(Timeout, &Listener, nullptr);
}

bool Start(uint32_t seconds) {
    Manager = static_cast<org_kde_kwin_idle*>(BindIdleGlobal(&org_kde_kwin_idle_interface, 1));
    if (Manager == nullptr) return false;
    CountAgain(seconds);
    return true;
}
} // namespace

const IdleSource KdeIdleSource{
    "org_kde_kwin_idle from the compositor", Start, CountAgain, nullptr, nullptr, nullptr};
