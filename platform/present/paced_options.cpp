#include "platform/present/paced_options.h"

#include <cctype>

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

// --effect and --palette: 0 for a random roll, else one of count.
bool ReadChoice(const OptionWord& option, uint32_t count, int& choice, std::string& error) {
    uint32_t number = 0;
    if (!ParseCount(option.Value, count, number))
        return Reject(error, option.Name + " takes 0 (random) to " + std::to_string(count) +
                                 ", not '" + option.Value + "'");
    choice = static_cast<int>(number);
    return true;
}
} // namespace

bool TakeOption(int argc, const char* const* argv, int& index,
                bool (*takesValue)(const std::string&), OptionWord& option, std::string& error) {
    option = {};
    option.Spelled = argv[index];
    option.Name = option.Spelled;
    if (!option.Name.starts_with("-"))
        return Reject(error, "unexpected argument '" + option.Spelled + "'");
    // XScreenSaver's hacks take -name and --name alike.
    if (!option.Name.starts_with("--")) option.Name = "-" + option.Name;
    if (const size_t equals = option.Name.find('='); equals != std::string::npos) {
        option.Value = option.Name.substr(equals + 1);
        option.Name.resize(equals);
        option.HasValue = true;
    }
    if (!takesValue(option.Name) || option.HasValue) return true;
    if (index + 1 >= argc) return Reject(error, option.Name + " needs a value");
    option.Value = argv[++index];
    option.HasValue = true;
    return true;
}

bool IsPacedOption(const std::string& name) {
    return name == "--delay" || name == "--effect" || name == "--palette" || name == "--renderer";
}

bool ReadPacedOption(const OptionWord& option, PacedChoices& choices, std::string& error) {
    const std::string& value = option.Value;
    if (option.Name == "--delay") {
        if (!ParseCount(value, LongestDelay, choices.Delay))
            return Reject(error, "--delay takes microseconds from 0 to " +
                                     std::to_string(LongestDelay) + ", not '" + value + "'");
    } else if (option.Name == "--effect") {
        return ReadChoice(option, EffectCount, choices.Effect, error);
    } else if (option.Name == "--palette") {
        return ReadChoice(option, SchemeCount, choices.Palette, error);
    } else if (value == "auto" || value == "accelerated" || value == "software") {
        choices.Renderer = value == "auto"          ? PacedRenderer::Auto
                           : value == "accelerated" ? PacedRenderer::Accelerated
                                                    : PacedRenderer::Software;
    } else {
        return Reject(error, "--renderer is auto, accelerated or software, not '" + value + "'");
    }
    return true;
}

bool IsSoftwareRasteriser(std::string name) {
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software"})
        if (name.find(software) != std::string::npos) return true;
    return false;
}

bool RefuseValue(const OptionWord& option, std::string& error) {
    return !option.HasValue || Reject(error, option.Name + " takes no value");
}
