// The Linux entry: the arguments joined by single blanks stand in for the Windows
// argument text.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <string>

#include "platform/posix/program_start.h"
#include "platform/present/run_rates.h"
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
    HoldStandardDescriptors();
    // Only as the only argument: the switch scan would read any "--" as a dialog request,
    // and every other argument text keeps the Windows host's rules.
    if (AnswerVersionOrHelp(argc, argv, Usage)) return 0;
    SDL_SetMainReady();
    std::string argumentText;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) argumentText += ' ';
        argumentText += argv[i];
    }
    const int32_t exitCode = RunProgram(nullptr, argumentText.c_str(), ShowDefault);
    ReportRates(PresenterName());
    SDL_Quit();
    return exitCode;
}
