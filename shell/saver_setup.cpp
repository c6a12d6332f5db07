#include "shell/saver_setup.h"

#include <cstdarg>
#include <cstdio>

#include "life/random_source.h"
#include "ports/display_objects.h"
#include "settings/settings_store.h"
#include "shell/display_setup.h"
#include "shell/saver_window.h"

int32_t SetUpSaver(PlatformInstance* instance, int32_t showCommand) {
    LoadSettings();
    SeedRandomSource(CurrentTimeSeconds());
    SaverWindow = CreateSaverWindow(instance, showCommand);
    if (SaverWindow == nullptr) return 0;
    DisplayFailure failure{};
    if (!SetUpDisplay(SaverWindow, failure))
        return ReportSetUpFailure(SaverWindow, failure.Code, "%s", failure.Text);
    return 0;
}

int32_t ReportSetUpFailure(PlatformWindow* window, int32_t code, const char* format, ...) {
    char text[128];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    // Releasing the display gives the desktop back, so the box shows on it.
    ReleaseDisplayObjects();
    ShowMessageBox(window, text, ProductName);
    DestroySaverWindow(window);
    return code;
}
