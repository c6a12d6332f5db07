#include "platform/wayland/wayland_options.h"

#include "platform/posix/whole_numbers.h"

namespace {
bool TakesValue(const std::string& name) {
    return IsPacedOption(name) || name == "--idle";
}

bool ReadIdleSeconds(const OptionWord& option, WaylandOptions& options, std::string& error) {
    uint64_t value = 0;
    // The last --idle given holds, as for every other option.
    options.IdleAuto = option.Value == "auto";
    options.IdleSeconds = 0;
    if (options.IdleAuto) return true;
    if (ParseWholeNumber(option.Value, 10, LongestIdle, value) && value > 0) {
        options.IdleSeconds = static_cast<uint32_t>(value);
        return true;
    }
    error = "--idle takes seconds from 1 to " + std::to_string(LongestIdle) + " or auto, not '" +
            option.Value + "'";
    return false;
}
} // namespace

bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions& options,
                         std::string& error) {
    options = {};
    for (int i = 1; i < argc; ++i) {
        OptionWord option;
        if (!TakeOption(argc, argv, i, TakesValue, option, error)) return false;
        if (IsPacedOption(option.Name)) {
            if (!ReadPacedOption(option, options, error)) return false;
            continue;
        }
        if (option.Name == "--idle") {
            if (!ReadIdleSeconds(option, options, error)) return false;
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
    // A wallpaper stays until its locker ends it; the resident's shows end on input.
    if (options.Wallpaper && (options.IdleSeconds > 0 || options.IdleAuto)) {
        error = "--idle and --wallpaper do not go together";
        return false;
    }
    return true;
}
