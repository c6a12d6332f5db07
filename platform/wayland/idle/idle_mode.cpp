#include "platform/wayland/idle/idle_mode.h"

#include "platform/wayland/idle/idle_source.h"

void NoteIdleHappening(IdleMode& mode, IdleHappening happening) {
    if (mode.Phase == IdlePhase::Leaving) return;
    switch (happening) {
    case IdleHappening::UserIdle:
        if (!mode.Inhibited) mode.Phase = IdlePhase::Showing;
        return;
    case IdleHappening::InputEnded:
        // Idle counts from that input. The compositor may not have counted it: sway 1.7
        // ignores input while an application inhibits idle, and would then never say idle
        // again once the inhibitor has gone.
        mode.CountAgain = true;
        [[fallthrough]];
    case IdleHappening::UserActive:
    case IdleHappening::ScreenTaken:
        mode.Phase = IdlePhase::Waiting;
        return;
    case IdleHappening::Inhibited:
        // What asks for the desktop to stay awake wants to be seen: a show gives way.
        mode.Inhibited = true;
        mode.Phase = IdlePhase::Waiting;
        return;
    case IdleHappening::Uninhibited:
        if (mode.Inhibited) mode.CountAgain = true;
        mode.Inhibited = false;
        return;
    case IdleHappening::Stopped:
    case IdleHappening::Lost:
        mode.Phase = IdlePhase::Leaving;
        mode.ExitStatus = happening == IdleHappening::Lost ? LostExitStatus : 0;
        return;
    }
}

const IdleSource* ChooseIdleSource(const IdleSource* const* sources, int count, uint32_t seconds,
                                   std::string& error) {
    error = "no idle source: ";
    for (int i = 0; i < count; ++i) {
        if (sources[i]->Start(seconds)) return sources[i];
        error += (i == 0 ? "neither " : ", nor ") + std::string(sources[i]->Name);
    }
    return nullptr;
}
