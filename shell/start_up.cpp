#include "shell/start_up.h"

#include "life/generation.h"
#include "shell/saver_setup.h"
#include "shell/saver_window.h"

char ScanSwitch(const char* argumentText) {
    for (const char* c = argumentText; *c != '\0'; ++c) {
        if (*c == '/' || *c == '-') {
            const char letter = c[1];
            return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter;
        }
    }
    return '\0';
}

int32_t RunProgram(PlatformInstance* instance, const char* argumentText, int32_t showCommand) {
    // Reading the switch does nothing by itself, so the guard still comes before any run;
    // knowing the run lets a saver take the marker in the same step.
    const char letter = ScanSwitch(argumentText);
    if (IsSaverWindowPresent(letter == 's')) return 0;
    SetIdlePriority();
    switch (letter) {
    case 'a':
    case 'p':
    case 'l':
        return 0;
    case 's':
        SetUpSaver(instance, showCommand);
        // No window: it could not be made, or a failed set-up destroyed it (its quit
        // message would end the loop at the first look). Either way no tick may run.
        if (SaverWindow == nullptr) return 0;
        return RunMessageLoop();
    default:
        ShowConfigurationDialog(instance);
        return 0;
    }
}

int32_t RunMessageLoop() {
    int32_t exitCode = 0;
    for (;;) {
        if (IsMessageWaiting()) {
            if (!DispatchNextMessage(exitCode)) return exitCode;
        } else {
            IdleTick();
        }
    }
}
