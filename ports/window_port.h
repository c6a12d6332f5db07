// The windowing and process services every backend supplies: the saver window and its
// messages, the single-instance marker, priority, the clock, the message box and the
// configuration dialog. Message numbers are the Win32 ones (shell/window_messages.h).
#pragma once
#include <cstdint>

struct PlatformInstance; // the program instance (HINSTANCE on Windows)
struct PlatformWindow;

// Whether a saver of this program already shows its window. For a saver run (claimMarker),
// a backend whose marker is not the window itself takes the marker in the same step, so
// that of two starts at one moment only one goes on; it then holds it until the process ends.
bool IsSaverWindowPresent(bool claimMarker);
void SetIdlePriority();
uint32_t CurrentTimeSeconds(); // whole seconds since 1 January 1970 (UTC)

// Registers the class and creates, shows and focuses the borderless top-most saver
// window over the whole screen; null when it cannot be made.
PlatformWindow* CreateSaverWindow(PlatformInstance* instance, int32_t showCommand);
// Destroys the window; its procedure receives the destroy message on the way.
void DestroySaverWindow(PlatformWindow* window);
intptr_t DefaultWindowProc(PlatformWindow* window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);
void HidePointer();
void PostCloseMessage(PlatformWindow* window);
void PostQuitMessageWith(int32_t exitCode);

// The message loop: whether any message (the quit message included) waits, and fetching
// and dispatching the next one. The latter returns false for the quit message.
bool IsMessageWaiting();
bool DispatchNextMessage(int32_t& exitCode);

// A modal box with one OK button, owned by the window.
void ShowMessageBox(PlatformWindow* owner, const char* text, const char* caption);
// The modal configuration dialog with no owner; returns when it is closed.
void ShowConfigurationDialog(PlatformInstance* instance);
