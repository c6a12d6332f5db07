// The configuration dialog: its template, its two lists and its procedure, written once
// over the dialog services so every backend shows the same dialog with the same logic.
#pragma once
#include <cstdint>

#include "ports/dialog_port.h"

inline constexpr int32_t DialogResource = 102;
inline constexpr int32_t IdOk = 1;
inline constexpr int32_t IdCancel = 2;
inline constexpr int32_t TitleTextId = 1000;
inline constexpr int32_t EffectList = 1003;
inline constexpr int32_t PaletteList = 1004;
inline constexpr intptr_t DialogResult = 42;

inline constexpr uint32_t WmInitDialog = 0x0110;
inline constexpr uint32_t WmCommand = 0x0111;
inline constexpr uint32_t CbAddString = 0x0143;
inline constexpr uint32_t CbGetCurSel = 0x0147;
inline constexpr uint32_t CbSetCurSel = 0x014E;
inline constexpr intptr_t CbErr = -1; // no selection

enum DialogControlKind : uint8_t {
    PushButton,
    DefaultPushButton,
    StaticText,
    DropDownList,
    GroupBox
};

// One control of the template, in dialog units, in template (and tab) order.
struct DialogControl {
    int32_t Id;
    DialogControlKind Kind;
    const char* Text;
    int16_t X, Y, Width, Height;
};

inline constexpr int16_t DialogWidth = 200;
inline constexpr int16_t DialogHeight = 130;
inline constexpr int32_t DialogFontPoints = 8;
extern const DialogControl DialogControls[7];

intptr_t ConfigDialogProc(PlatformDialog* dialog, uint32_t message, uintptr_t wParam,
                          intptr_t lParam);
