#include "platform/wayland/idle/idle_time.h"

#include <algorithm>

IdleTimeChoice ChooseIdleTime(uint32_t asked, const DesktopTimes& desktop) {
    IdleTimeChoice choice{asked, {}, {}};
    const DesktopTime* earliest = nullptr;
    for (int i = 0; i < desktop.Count; ++i)
        if (desktop.Times[i].Seconds > 0 &&
            (earliest == nullptr || desktop.Times[i].Seconds < earliest->Seconds))
            earliest = &desktop.Times[i];
    if (asked == 0 && earliest == nullptr) {
        choice.Seconds = UnstatedIdleSeconds;
        choice.Why = std::string(desktop.Desktop != nullptr ? desktop.Desktop : "the desktop") +
                     " states no blank, lock or power-off time";
    } else if (asked == 0) {
        choice.Seconds = std::max(earliest->Seconds / 2, ShortestAutoIdle);
        choice.Why = std::string("half of ") + earliest->Desktop + "'s " +
                     std::to_string(earliest->Seconds) + " s " + earliest->Noun;
    }
    if (earliest != nullptr && choice.Seconds >= earliest->Seconds)
        choice.Warning = std::string(earliest->Desktop) + " " + earliest->Verb + " after " +
                         std::to_string(earliest->Seconds) + " s (" + earliest->Setting +
                         "): the saver will not be seen";
    return choice;
}
