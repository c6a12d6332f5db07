#include "settings/config_dialog.h"

#include "effects/effect_selection.h"
#include "palettes/palette_catalogue.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"

const DialogControl DialogControls[7] = {
    {IdOk, DefaultPushButton, "OK", 100, 109, 50, 14},
    {TitleTextId, StaticText, "Glimmerhex v0.3", 7, 7, 185, 9},
    {EffectList, DropDownList, "", 13, 38, 173, 50},
    {PaletteList, DropDownList, "", 13, 79, 172, 53},
    {-1, GroupBox, "Graphic Effect", 7, 24, 185, 37},
    {-1, GroupBox, "Palette Scheme", 7, 65, 185, 37},
    {IdCancel, PushButton, "Cancel", 50, 109, 50, 14},
};

namespace {
void FillList(PlatformDialog* dialog, int32_t list, const char* const* entries, int count,
              uint8_t selected) {
    for (int i = 0; i < count; ++i)
        SendItemMessage(dialog, list, CbAddString, 0, reinterpret_cast<intptr_t>(entries[i]));
    // An index beyond the list leaves it with no selection.
    SendItemMessage(dialog, list, CbSetCurSel, selected, 0);
}

// Whatever the list notifies, the setting follows its selection; none is stored as 255.
uint8_t SelectionOf(PlatformDialog* dialog, int32_t list) {
    return static_cast<uint8_t>(SendItemMessage(dialog, list, CbGetCurSel, 0, 0) & 0xFF);
}
} // namespace

intptr_t ConfigDialogProc(PlatformDialog* dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == WmInitDialog) {
        LoadSettings();
        FillList(dialog, EffectList, EffectNames, EffectCount + 1, GraphicEffect);
        FillList(dialog, PaletteList, PaletteSchemeNames, SchemeCount + 1, PaletteScheme);
        return 1; // the focus goes to the first control with a tab stop, OK
    }
    if (message != WmCommand) return 0;
    switch (static_cast<int32_t>(wParam & 0xFFFF)) {
    case EffectList:
        GraphicEffect = SelectionOf(dialog, EffectList);
        return 0;
    case PaletteList:
        PaletteScheme = SelectionOf(dialog, PaletteList);
        return 0;
    case IdOk:
        SaveSettings();
        EndDialogWith(dialog, DialogResult);
        return 1;
    case IdCancel:
        EndDialogWith(dialog, DialogResult);
        return 1;
    default:
        return 0;
    }
}
