// The headless window services: a message queue, a scripted user, a recording message
// box and dialog, so start-up, input and set-up failures run without a display.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct HeadlessMessage {
    uint32_t Message; // a window message, or HeadlessQuit
    uintptr_t WParam;
};
inline constexpr uint32_t HeadlessQuit = 0x0012; // WM_QUIT

struct ScriptedInput {
    int64_t AfterIdleTurns; // delivered once this many idle turns have passed
    uint32_t Message;
    uintptr_t WParam;
};

struct HeadlessWindowState {
    // What the next calls answer.
    bool OtherSaverPresent = false;
    bool CreateFails = false;
    uint32_t Clock = 1700000000;
    std::vector<ScriptedInput> Script; // in delivery order
    int64_t IdleTurnLimit = 1000000;   // a runaway loop is ended with a quit message

    // What happened.
    bool WindowLive = false;
    bool MarkerClaimed = false; // by the guard, for this run
    int32_t ShowCommand = -1;
    int32_t WindowsCreated = 0, PriorityCalls = 0, DialogRuns = 0, PointerHides = 0;
    int64_t IdleTurns = 0;
    std::deque<HeadlessMessage> Queue;
    std::vector<std::string> MessageBoxes; // "caption: text"
    bool MessageBoxOwnerLive = false;      // the owner still existed when the box showed
};

extern HeadlessWindowState HeadlessWindow;

void ResetHeadlessWindow();
