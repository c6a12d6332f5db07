// Time per IdleTick for every effect in both display modes, over a busy field.
#include <benchmark/benchmark.h>

#include <random>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "platform/headless/headless_display.h"
#include "settings/saver_settings.h"
#include "shell/display_objects.h"
#include "shell/display_setup.h"

namespace {
bool StartBusyWorld(uint8_t effect, bool doubled) {
    ReleaseDisplayObjects();
    ResetHeadlessDisplay();
    HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga = !doubled;
    DisplayMode = NativeDisplay;
    ActiveEffectRenderer = nullptr;
    GraphicEffect = effect;
    PaletteScheme = 19;
    SeedRandomSource(2026);
    DisplayFailure failure{};
    if (!SetUpDisplay(nullptr, failure)) return false;
    // A third of the cells alive: the per-cell work is the same whatever lives, but the
    // Plasma effects write more on a busy field.
    std::mt19937 random(7);
    for (int32_t row = 1; row <= FieldHeight; ++row)
        for (int32_t column = 1; column <= FieldWidth; ++column)
            NextCellGrid[CellIndex(column, row)] = random() % 3 == 0;
    return true;
}

void BM_IdleTick(benchmark::State& state) {
    const auto effect = static_cast<uint8_t>(state.range(0));
    const bool doubled = state.range(1) != 0;
    if (!StartBusyWorld(effect, doubled)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    for (auto _ : state) {
        IdleTick();
        benchmark::DoNotOptimize(HeadlessDisplay.Pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(EffectNames[effect]) + (doubled ? ", Doubled" : ", Native"));
}
} // namespace

BENCHMARK(BM_IdleTick)->ArgsProduct({{1, 2, 3, 4, 5, 6, 7}, {0, 1}})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
