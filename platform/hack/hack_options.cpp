#include "platform/hack/hack_options.h"

#include <string_view>

#include "platform/posix/whole_numbers.h"

namespace {
bool Reject(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

bool TakesValue(const std::string& name) {
    return name == "--window-id" || IsPacedOption(name);
}
} // namespace

bool ParseWindowId(const char* text, uint32_t& id) {
    std::string_view digits = text;
    uint32_t base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    uint64_t value = 0;
    if (!ParseWholeNumber(digits, base, UINT32_MAX, value) || value == 0) return false;
    id = static_cast<uint32_t>(value);
    return true;
}

bool ParseHackOptions(int argc, const char* const* argv, const char* hostWindow,
                      HackOptions& options, std::string& error) {
    options = {};
    bool root = false;
    bool windowGiven = false;
    for (int i = 1; i < argc; ++i) {
        OptionWord option;
        if (!TakeOption(argc, argv, i, TakesValue, option, error)) return false;
        if (option.Name == "--root" || option.Name == "--help") {
            if (!RefuseValue(option, error)) return false;
            (option.Name == "--root" ? root : options.Help) = true;
        } else if (option.Name == "--window-id") {
            if (!ParseWindowId(option.Value.c_str(), options.WindowId))
                return Reject(error, "--window-id '" + option.Value + "' is not a window id");
            windowGiven = true;
        } else if (IsPacedOption(option.Name)) {
            if (!ReadPacedOption(option, options, error)) return false;
        } else {
            return Reject(error, "unknown option '" + option.Spelled + "'");
        }
    }
    // The daemon passes --root by convention and names its own window in the environment;
    // an explicit --window-id (the settings app's preview) wins over both.
    if (windowGiven) {
        options.Target = HackTarget::GivenWindow;
    } else if (hostWindow != nullptr) {
        if (!ParseWindowId(hostWindow, options.WindowId))
            return Reject(error, "XSCREENSAVER_WINDOW '" + std::string(hostWindow) +
                                     "' is not a window id");
        options.Target = HackTarget::GivenWindow;
    } else if (root) {
        options.Target = HackTarget::RootWindow;
    }
    return true;
}
