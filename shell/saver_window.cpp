#include "shell/saver_window.h"

#include "ports/display_objects.h"
#include "shell/saver_keys.h"
#include "shell/window_messages.h"

PlatformWindow* SaverWindow = nullptr;

intptr_t SaverWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    switch (message) {
    case WmDestroy:
        ReleaseDisplayObjects();
        SaverWindow = nullptr;
        PostQuitMessageWith(0);
        return 0;
    case WmSetCursor:
        HidePointer();
        return 1;
    case WmKeyDown:
    case WmSysKeyDown:
        if (ApplySaverKey(static_cast<uint32_t>(wParam))) RunClosingSequence(window);
        return 0;
    case WmLButtonDown:
    case WmRButtonDown:
    case WmMButtonDown:
        RunClosingSequence(window);
        return 0;
    default:
        return DefaultWindowProc(window, message, wParam, lParam);
    }
}

void RunClosingSequence(PlatformWindow* window) {
    if (DisplayDevice != nullptr) RestoreDisplayModeOf(DisplayDevice);
    PostCloseMessage(window);
}
