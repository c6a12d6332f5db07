#include "platform/hack/hack_options.h"

#include <string_view>

#include "platform/posix/whole_numbers.h"
#include "settings/saver_settings.h"

namespace {
bool ParseCount(const std::string& text, uint32_t high, uint32_t& value) {
    uint64_t parsed = 0;
    if (!ParseWholeNumber(text, 10, high, parsed)) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool Reject(std::string& error, std::string text) {
    error = std::move(text);
    return false;
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
        std::string option = argv[i];
        if (!option.starts_with("-")) return Reject(error, "unexpected argument '" + option + "'");
        // XScreenSaver's hacks take -name and --name alike.
        if (!option.starts_with("--")) option = "-" + option;
        std::string value;
        bool hasValue = false;
        if (const size_t equals = option.find('='); equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        if (option == "--root" || option == "--help") {
            if (hasValue) return Reject(error, option + " takes no value");
            (option == "--root" ? root : options.Help) = true;
            continue;
        }
        if (option != "--window-id" && option != "--delay" && option != "--effect" &&
            option != "--palette" && option != "--renderer")
            return Reject(error, "unknown option '" + std::string(argv[i]) + "'");
        if (!hasValue) {
            if (i + 1 >= argc) return Reject(error, option + " needs a value");
            value = argv[++i];
        }
        uint32_t number = 0;
        if (option == "--window-id") {
            if (!ParseWindowId(value.c_str(), options.WindowId))
                return Reject(error, "--window-id '" + value + "' is not a window id");
            windowGiven = true;
        } else if (option == "--delay") {
            if (!ParseCount(value, LongestDelay, options.Delay))
                return Reject(error, "--delay takes microseconds from 0 to " +
                                         std::to_string(LongestDelay) + ", not '" + value + "'");
        } else if (option == "--effect") {
            if (!ParseCount(value, EffectCount, number))
                return Reject(error, "--effect takes 0 (random) to " + std::to_string(EffectCount) +
                                         ", not '" + value + "'");
            options.Effect = static_cast<int>(number);
        } else if (option == "--palette") {
            if (!ParseCount(value, SchemeCount, number))
                return Reject(error, "--palette takes 0 (random) to " +
                                         std::to_string(SchemeCount) + ", not '" + value + "'");
            options.Palette = static_cast<int>(number);
        } else if (value == "auto" || value == "accelerated" || value == "software") {
            options.Renderer = value == "auto"          ? HackRenderer::Auto
                               : value == "accelerated" ? HackRenderer::Accelerated
                                                        : HackRenderer::Software;
        } else {
            return Reject(error,
                          "--renderer is auto, accelerated or software, not '" + value + "'");
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
