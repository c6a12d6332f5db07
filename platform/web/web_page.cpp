// What the page's script asks of the engine: a run started as the saver starts one, its
// generations, the saver's keys, and for the page's check mode the render tool's summary
// and raw frame. The script calls these by name; it keeps the pace, the canvas and the
// panel.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <cstdio>

#include "effects/effect_selection.h"
#include "effects/fused_pass.h"
#include "life/generation.h"
#include "life/grids.h"
#include "palettes/palette_catalogue.h"
#include "platform/present/memory_picture.h"
#include "ports/display_objects.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"
#include "shell/display_setup.h"
#include "shell/saver_keys.h"

// The render tool's raw output is the frame's lines, then its palette: so is the picture.
static_assert(offsetof(MemoryPicture, Entries) == PictureWidth * PictureHeight);

namespace {
uint32_t TicksRun;
// The run's choices before any random roll: what the panel shows.
uint8_t ChosenEffect, ChosenPalette;
char Summary[128];
} // namespace

extern "C" {
// Starts a run as the saver does: a fresh world seeded with seed, the stored choices, or
// effect and palette (0..255, 0 rolling at random) where they are not -1. With store, the
// choices are stored first, as the dialog's OK stores them. False, with the failed step on
// the console, if the display could not be set up.
EMSCRIPTEN_KEEPALIVE bool StartRun(uint32_t seed, int32_t effect, int32_t palette, bool store) {
    ResetRun(seed);
    LoadSettings();
    if (effect >= 0) GraphicEffect = static_cast<uint8_t>(effect);
    if (palette >= 0) PaletteScheme = static_cast<uint8_t>(palette);
    if (store) SaveSettings();
    ChosenEffect = GraphicEffect;
    ChosenPalette = PaletteScheme;
    TicksRun = 0;
    DisplayFailure failure{};
    if (SetUpDisplay(nullptr, failure)) return true;
    ReleaseDisplayObjects();
    std::printf("glimmerhex: %s (%08X)\n", failure.Text, static_cast<unsigned>(failure.Code));
    return false;
}

EMSCRIPTEN_KEEPALIVE void RunGenerations(uint32_t count) {
    for (; count > 0; --count, ++TicksRun)
        IdleTick();
}

// A, C, G and X as the saver takes them; no key ends a page.
EMSCRIPTEN_KEEPALIVE void PressSaverKey(uint32_t virtualKey) {
    ApplySaverKey(virtualKey);
}

EMSCRIPTEN_KEEPALIVE int32_t RunChoice(bool palette) {
    return palette ? ChosenPalette : ChosenEffect;
}

// The dialog's names, "<Random>" first; null past the end of the list.
EMSCRIPTEN_KEEPALIVE const char* ChoiceName(bool palette, int32_t index) {
    const int32_t count = palette ? SchemeCount : EffectCount;
    if (index < 0 || index > count) return nullptr;
    return palette ? PaletteSchemeNames[index] : EffectNames[index];
}

// The render tool's summary of the run so far.
EMSCRIPTEN_KEEPALIVE const char* RunSummary() {
    std::snprintf(Summary, sizeof Summary, "ticks=%u generation=%d effect=%u palette=%u live=%d",
                  TicksRun, GenerationCount, GraphicEffect, PaletteScheme,
                  CountLiveCells(NextCellGrid));
    return Summary;
}

// What the render tool's --out FILE.raw holds for the same run: RawFrameBytes from here.
EMSCRIPTEN_KEEPALIVE const uint8_t* RawFrame() {
    return Picture.Pixels;
}
EMSCRIPTEN_KEEPALIVE int32_t RawFrameBytes() {
    return sizeof Picture.Pixels + sizeof Picture.Entries;
}

// The instruction set the run's pass was built for, as GLIMMERHEX_SIMD names it.
EMSCRIPTEN_KEEPALIVE const char* ActivePathName() {
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (CompiledSimdPaths[path] == ActiveSimdPath) return SimdPathNames[path];
    return "?";
}
}
