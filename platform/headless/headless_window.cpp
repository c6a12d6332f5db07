#include "platform/headless/headless_window.h"

#include "ports/window_port.h"
#include "shell/saver_window.h"
#include "shell/window_messages.h"

struct PlatformWindow {};

HeadlessWindowState HeadlessWindow;

namespace {
PlatformWindow TheWindow;
size_t NextScripted = 0;
} // namespace

void ResetHeadlessWindow() {
    HeadlessWindow = HeadlessWindowState{};
    NextScripted = 0;
}

bool IsSaverWindowPresent(bool claimMarker) {
    if (claimMarker && !HeadlessWindow.OtherSaverPresent) HeadlessWindow.MarkerClaimed = true;
    return HeadlessWindow.OtherSaverPresent;
}
void SetIdlePriority() {
    ++HeadlessWindow.PriorityCalls;
}
uint32_t CurrentTimeSeconds() {
    return HeadlessWindow.Clock;
}

PlatformWindow* CreateSaverWindow(PlatformInstance*, int32_t showCommand) {
    if (HeadlessWindow.CreateFails) return nullptr;
    ++HeadlessWindow.WindowsCreated;
    HeadlessWindow.WindowLive = true;
    HeadlessWindow.ShowCommand = showCommand;
    return &TheWindow;
}

void DestroySaverWindow(PlatformWindow* window) {
    SaverWindowProc(window, WmDestroy, 0, 0);
    HeadlessWindow.WindowLive = false;
}

intptr_t DefaultWindowProc(PlatformWindow* window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WmClose) DestroySaverWindow(window);
    return 0;
}

void HidePointer() {
    ++HeadlessWindow.PointerHides;
}
void PostCloseMessage(PlatformWindow*) {
    HeadlessWindow.Queue.push_back({WmClose, 0});
}
void PostQuitMessageWith(int32_t exitCode) {
    HeadlessWindow.Queue.push_back({HeadlessQuit, static_cast<uintptr_t>(exitCode)});
}

bool IsMessageWaiting() {
    HeadlessWindowState& w = HeadlessWindow;
    while (NextScripted < w.Script.size() && w.Script[NextScripted].AfterIdleTurns <= w.IdleTurns) {
        const ScriptedInput& input = w.Script[NextScripted++];
        w.Queue.push_back({input.Message, input.WParam});
    }
    if (w.Queue.empty() && w.IdleTurns >= w.IdleTurnLimit) w.Queue.push_back({HeadlessQuit, 99});
    if (!w.Queue.empty()) return true;
    ++w.IdleTurns;
    return false;
}

bool DispatchNextMessage(int32_t& exitCode) {
    const HeadlessMessage message = HeadlessWindow.Queue.front();
    HeadlessWindow.Queue.pop_front();
    if (message.Message == HeadlessQuit) {
        exitCode = static_cast<int32_t>(message.WParam);
        return false;
    }
    SaverWindowProc(&TheWindow, message.Message, message.WParam, 0);
    return true;
}

void ShowMessageBox(PlatformWindow* owner, const char* text, const char* caption) {
    HeadlessWindow.MessageBoxOwnerLive = owner == &TheWindow && HeadlessWindow.WindowLive;
    HeadlessWindow.MessageBoxes.push_back(std::string(caption) + ": " + text);
}
