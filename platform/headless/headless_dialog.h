// The headless configuration dialog: two in-memory lists and a scripted user.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum HeadlessDialogAction : uint8_t {
    ChooseEntry, // select Index in List, which then notifies
    NotifyOnly,  // List sends another notification (focus, drop-down) without a change
    ClearEntry,  // List loses its selection, then notifies
    PressOk,     // the OK button, or Enter
    PressCancel, // the Cancel button
    PressEscape, // the dialog manager turns Escape into Cancel
    CloseBox,    // and the caption's close box too
};

struct HeadlessDialogStep {
    HeadlessDialogAction Action;
    int32_t List = 0;
    int32_t Index = 0;
};

struct HeadlessList {
    std::vector<std::string> Entries;
    int32_t Selection = -1;
};

struct HeadlessDialogState {
    std::vector<HeadlessDialogStep> Script;
    // What the user saw when the dialog opened, and how it ended.
    HeadlessList Effects, Palettes;
    std::string ShownEffect, ShownPalette; // empty: no selection
    intptr_t InitResult = 0;
    bool Ended = false;
    intptr_t Result = 0;
};

extern HeadlessDialogState HeadlessDialog;

void ResetHeadlessDialog();
