// The Windows entry. The runtime hands over the argument text with the program's name
// and the blanks after it already removed.
#include <windows.h>

#include "shell/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int showCommand) {
    return RunProgram(reinterpret_cast<PlatformInstance*>(instance), argumentText, showCommand);
}
