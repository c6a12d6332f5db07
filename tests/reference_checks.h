// The real tick checked against the reference restatement, without a test framework: the
// unit tests run these checks for every path, and so does the self-check that runs the
// cross builds (aarch64 under qemu, Windows under Wine).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Sets a world up over the headless display in the saver's order (effect, surface, palette,
// grids), every piece of core state reset first. Returns "" or what failed.
std::string SetUpHeadlessWorld(uint8_t effect, uint8_t scheme, uint8_t mode, int32_t pitch,
                               uint32_t seed);

struct ReferenceCase {
    uint8_t Effect;
    uint8_t Mode;
    int32_t Pitch;
    bool VideoMemory; // the surface must not be read back
};

// A random soup with random shades, advanced frame by frame through the real tick steps
// and compared cell by cell, shade by shade and pixel by pixel with the restated rules;
// with `then` (1..7), half way the effect changes to that one as a re-roll does. Returns ""
// when all frames agree, else the first difference.
std::string CompareFramesWithReference(const ReferenceCase& c, int frames, uint8_t then = 0);

struct TickEvent {
    int Tick;  // before this tick (1-based)
    char What; // 'A' seeds, 'X' sets the count to 10000, 'L' loses the tick's frame (the
               // restored surface's contents lost too), '1'..'7' switches to that effect
               // as a re-roll does (shades normalised first)
};

// A saver run from its start, tick by tick against the restated generation cycle (history,
// seeding, wrap border, wipe, lost frames, effect changes): the next grid with its border,
// the shades, the picture and the random state. Returns "" or the first difference.
std::string CompareTicksWithReference(const ReferenceCase& c, uint32_t seed, int ticks,
                                      const std::vector<TickEvent>& events);
