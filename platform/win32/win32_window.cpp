// The saver window, message loop, message box and dialog on Windows: the platform calls
// themselves, each a thin step from the portable logic.
#include <windows.h>

#include <ctime>

#include "ports/dialog_port.h"
#include "ports/window_port.h"
#include "settings/config_dialog.h"
#include "shell/saver_setup.h"
#include "shell/saver_window.h"

namespace {
constexpr int IconResource = 101;

HWND WindowOf(PlatformWindow* window) {
    return reinterpret_cast<HWND>(window);
}
HWND DialogOf(PlatformDialog* dialog) {
    return reinterpret_cast<HWND>(dialog);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SaverWindowProc(reinterpret_cast<PlatformWindow*>(window), message, wParam, lParam);
}

INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ConfigDialogProc(reinterpret_cast<PlatformDialog*>(dialog), message, wParam, lParam);
}

MSG Message;
} // namespace

// The saver window itself is the marker; the guard only looks.
bool IsSaverWindowPresent(bool) {
    return FindWindowA(ProductName, ProductName) != nullptr;
}

void SetIdlePriority() {
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
}

uint32_t CurrentTimeSeconds() {
    return static_cast<uint32_t>(std::time(nullptr));
}

PlatformWindow* CreateSaverWindow(PlatformInstance* instance, int32_t showCommand) {
    const HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
    WNDCLASSA windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconA(module, MAKEINTRESOURCEA(IconResource));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = ProductName;
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(
        WS_EX_TOPMOST, ProductName, ProductName, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, module, nullptr);
    if (window == nullptr) return nullptr;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(window);
    return reinterpret_cast<PlatformWindow*>(window);
}

void DestroySaverWindow(PlatformWindow* window) {
    DestroyWindow(WindowOf(window));
}

intptr_t DefaultWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
    return DefWindowProcA(WindowOf(window), message, wParam, lParam);
}

void HidePointer() {
    SetCursor(nullptr);
}
void PostCloseMessage(PlatformWindow* window) {
    PostMessageA(WindowOf(window), WM_CLOSE, 0, 0);
}
void PostQuitMessageWith(int32_t exitCode) {
    PostQuitMessage(exitCode);
}

bool IsMessageWaiting() {
    return PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

bool DispatchNextMessage(int32_t& exitCode) {
    if (GetMessageA(&Message, nullptr, 0, 0) == 0) {
        exitCode = static_cast<int32_t>(Message.wParam);
        return false;
    }
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
    return true;
}

void ShowMessageBox(PlatformWindow* owner, const char* text, const char* caption) {
    MessageBoxA(WindowOf(owner), text, caption, MB_OK);
}

void ShowConfigurationDialog(PlatformInstance* instance) {
    DialogBoxParamA(reinterpret_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(DialogResource),
                    nullptr, DialogProcedure, 0);
}

intptr_t SendItemMessage(PlatformDialog* dialog, int32_t item, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    return SendMessageA(GetDlgItem(DialogOf(dialog), item), message, wParam, lParam);
}

void EndDialogWith(PlatformDialog* dialog, intptr_t result) {
    EndDialog(DialogOf(dialog), result);
}
