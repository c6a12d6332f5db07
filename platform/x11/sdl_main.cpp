// The Linux entry: the arguments joined by single blanks stand in for the Windows
// argument text.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "glimmerhex_version.h"
#include "platform/x11/sdl_state.h"
#include "shell/start_up.h"

namespace {
constexpr int32_t ShowDefault = 10; // SW_SHOWDEFAULT

constexpr const char* Usage = "usage: glimmerhex [/s | /c | /p | /a | /l]\n"
                              "  /s          run the saver full screen\n"
                              "  /c or none  show the configuration dialog\n"
                              "  /p /a /l    end at once\n"
                              "  --version   print the version\n"
                              "  --help      print this\n"
                              "The first '/' or '-' in the arguments decides, and the letter "
                              "after it.\n";
} // namespace

int main(int argc, char** argv) {
    // Only these exact words: the switch scan would read any "--" as a dialog request, and
    // every other argument text keeps the Windows host's rules.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("Glimmerhex " GLIMMERHEX_VERSION);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(Usage, stdout);
        return 0;
    }
    SDL_SetMainReady();
    std::string argumentText;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) argumentText += ' ';
        argumentText += argv[i];
    }
    const int32_t exitCode = RunProgram(nullptr, argumentText.c_str(), ShowDefault);
    ReportTickRate();
    SDL_Quit();
    return exitCode;
}
