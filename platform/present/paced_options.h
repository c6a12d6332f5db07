// What the paced programs' command lines share (the hack, the Wayland program): the pace,
// the two choices and the renderer, written as XScreenSaver's hacks write options, with
// one dash or two and the value after '=' or as the next argument.
#pragma once
#include <cstdint>
#include <string>

enum class PacedRenderer { Auto, Accelerated, Software };

inline constexpr uint32_t DefaultDelay = 16667; // one generation per refresh at 60 Hz
inline constexpr uint32_t LongestDelay = 10'000'000;

struct PacedChoices {
    uint32_t Delay = DefaultDelay;
    int Effect = -1;  // 0..7; -1 keeps the stored choice
    int Palette = -1; // 0..36; -1 keeps the stored choice
    PacedRenderer Renderer = PacedRenderer::Auto;
};

// One argument taken apart: its name always with two dashes, its value if it came after
// '='. Spelled is the argument as given, for messages.
struct OptionWord {
    std::string Name;
    std::string Value;
    bool HasValue = false;
    std::string Spelled;
};

// The argument at index, and its value from the next argument (moving index on) when
// takesValue and none came after '='. On bad input, false with one line in error.
bool TakeOption(int argc, const char* const* argv, int& index,
                bool (*takesValue)(const std::string&), OptionWord& option, std::string& error);

// --delay, --effect, --palette and --renderer.
bool IsPacedOption(const std::string& name);
bool ReadPacedOption(const OptionWord& option, PacedChoices& choices, std::string& error);

// Whether an OpenGL renderer's name is one of Mesa's software rasterisers, which scale more
// slowly than the paced programs' own software path: "auto" then keeps to that path.
bool IsSoftwareRasteriser(std::string name);

// For the options that take no value.
bool RefuseValue(const OptionWord& option, std::string& error);
