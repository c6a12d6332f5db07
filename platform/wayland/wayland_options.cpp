#include "platform/wayland/wayland_options.h"

bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions& options,
                         std::string& error) {
    options = {};
    for (int i = 1; i < argc; ++i) {
        OptionWord option;
        if (!TakeOption(argc, argv, i, IsPacedOption, option, error)) return false;
        if (IsPacedOption(option.Name)) {
            if (!ReadPacedOption(option, options, error)) return false;
            continue;
        }
        bool* flag = option.Name == "--wallpaper" ? &options.Wallpaper
                     : option.Name == "--help"    ? &options.Help
                                                  : nullptr;
        if (flag == nullptr) {
            error = "unknown option '" + option.Spelled + "'";
            return false;
        }
        if (!RefuseValue(option, error)) return false;
        *flag = true;
    }
    return true;
}
