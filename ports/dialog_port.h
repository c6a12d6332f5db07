// The dialog services every backend supplies to the configuration dialog's procedure,
// shaped like the Win32 ones: messages to a control by its identifier, and the end.
#pragma once
#include <cstdint>

struct PlatformDialog;

intptr_t SendItemMessage(PlatformDialog* dialog, int32_t item, uint32_t message, uintptr_t wParam,
                         intptr_t lParam);
void EndDialogWith(PlatformDialog* dialog, intptr_t result);
