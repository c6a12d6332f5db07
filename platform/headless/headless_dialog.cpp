#include "platform/headless/headless_dialog.h"

#include "platform/headless/headless_window.h"
#include "ports/dialog_port.h"
#include "ports/window_port.h"
#include "settings/config_dialog.h"

struct PlatformDialog {};

HeadlessDialogState HeadlessDialog;

namespace {
PlatformDialog TheDialog;
constexpr uintptr_t SelectionChanged = 1; // CBN_SELCHANGE
constexpr uintptr_t KillFocus = 4;        // CBN_KILLFOCUS

HeadlessList& ListOf(int32_t item) {
    return item == EffectList ? HeadlessDialog.Effects : HeadlessDialog.Palettes;
}

std::string Shown(const HeadlessList& list) {
    return list.Selection >= 0 ? list.Entries[static_cast<size_t>(list.Selection)] : "";
}

void Command(int32_t item, uintptr_t notification = 0) {
    ConfigDialogProc(&TheDialog, WmCommand, notification << 16 | static_cast<uintptr_t>(item), 0);
}
} // namespace

void ResetHeadlessDialog() {
    HeadlessDialog = HeadlessDialogState{};
}

intptr_t SendItemMessage(PlatformDialog*, int32_t item, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    HeadlessList& list = ListOf(item);
    switch (message) {
    case CbAddString:
        list.Entries.emplace_back(reinterpret_cast<const char*>(lParam));
        return static_cast<intptr_t>(list.Entries.size() - 1);
    case CbSetCurSel:
        list.Selection = wParam < list.Entries.size() ? static_cast<int32_t>(wParam) : -1;
        return list.Selection >= 0 ? list.Selection : CbErr;
    case CbGetCurSel:
        return list.Selection;
    default:
        return 0;
    }
}

void EndDialogWith(PlatformDialog*, intptr_t result) {
    HeadlessDialog.Ended = true;
    HeadlessDialog.Result = result;
}

void ShowConfigurationDialog(PlatformInstance*) {
    ++HeadlessWindow.DialogRuns;
    HeadlessDialogState& d = HeadlessDialog;
    d.Effects = {};
    d.Palettes = {};
    d.Ended = false;
    d.InitResult = ConfigDialogProc(&TheDialog, WmInitDialog, 0, 0);
    d.ShownEffect = Shown(d.Effects);
    d.ShownPalette = Shown(d.Palettes);
    for (const HeadlessDialogStep& step : d.Script) {
        if (d.Ended) break;
        switch (step.Action) {
        case ChooseEntry:
            ListOf(step.List).Selection = step.Index;
            Command(step.List, SelectionChanged);
            break;
        case NotifyOnly:
            Command(step.List, KillFocus);
            break;
        case ClearEntry:
            ListOf(step.List).Selection = -1;
            Command(step.List, SelectionChanged);
            break;
        case PressOk:
            Command(IdOk);
            break;
        case PressCancel:
        case PressEscape:
        case CloseBox:
            Command(IdCancel);
            break;
        }
    }
}
