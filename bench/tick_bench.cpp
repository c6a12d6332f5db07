// Time per IdleTick of every effect in both display modes, and Native on a picture that may
// not be read back (as on Windows): for each path of the fused pass and for a plain scalar
// restatement of the same tick. The run ends with a table of µs per tick (CPU time; the
// median when repeated) and each path's speed-up over the restatement.
//
// Every run is ticks 1..20000 of the same saver run from its start (an empty field seeded
// by the first tick, a wipe at tick 10002), so each path and the restatement see the same
// worlds. Before a path is timed it must draw what the restatement draws over 300 ticks,
// or it is reported as an error.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "effects/fused_pass.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "platform/headless/headless_display.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"
#include "tests/reference_model.h"

namespace {
constexpr int ScalarRun = SimdPathCount; // the run number of the restatement
constexpr int NativeWriteOnly = 2;       // the mode number of Native in video memory
const char* const ModeNames[] = {"Native 320 x 200", "Doubled 640 x 480",
                                 "Native 320 x 200, picture never read back (as on Windows)"};
constexpr int64_t TicksPerRun = 20000;
constexpr int CheckedTicks = 300;

const char* RunName(int run) {
    return run == ScalarRun ? "scalar" : SimdPathNames[run];
}

// The restatement's run, beside the saver's.
RefWorld Scalar;

void ScalarIdleTick() {
    RefIdleTick(
        Scalar, false,
        {HeadlessDisplay.Pixels.data(), HeadlessDisplay.Pitch, DisplayMode == DoubledDisplay});
}

bool StartSaverRun(uint8_t effect, int mode) {
    constexpr uint32_t Seed = 2026;
    ResetRun(Seed);
    ResetHeadlessDisplay();
    HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga = mode != 1;
    HeadlessDisplay.VideoMemory = mode == NativeWriteOnly;
    GraphicEffect = effect;
    PaletteScheme = 19;
    Scalar = RefWorld{};
    Scalar.Effect = effect;
    Scalar.Random = Seed;
    DisplayFailure failure{};
    return SetUpDisplay(nullptr, failure);
}

// What a run leaves: the picture, the newest generation, the shades and the random state.
std::vector<uint8_t> RunTicks(uint8_t effect, int mode, int run) {
    StartSaverRun(effect, mode);
    for (int tick = 0; tick < CheckedTicks; ++tick)
        run == ScalarRun ? ScalarIdleTick() : IdleTick();
    const bool scalar = run == ScalarRun;
    std::vector<uint8_t> state(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end());
    // The grids' rows, border included (the saver's lie GridStride apart, padding between).
    for (const bool shade : {false, true})
        for (int32_t row = 0; row < GridRows; ++row) {
            const uint8_t* line =
                scalar ? (shade ? Scalar.Shades() : Scalar.Next())[row].data()
                       : (shade ? CurrentShadeGrid : NextCellGrid) + row * GridStride;
            state.insert(state.end(), line, line + GridWidth);
        }
    const uint32_t random = scalar ? Scalar.Random : RandomState;
    for (int shift = 0; shift < 32; shift += 8)
        state.push_back(static_cast<uint8_t>(random >> shift));
    return state;
}

bool AgreesWithScalar(uint8_t effect, int mode, int run) {
    static std::map<std::tuple<int, int, int>, bool> known;
    const auto key = std::make_tuple(effect, mode, run);
    if (const auto found = known.find(key); found != known.end()) return found->second;
    return known[key] =
               run == ScalarRun || RunTicks(effect, mode, run) == RunTicks(effect, mode, ScalarRun);
}

void BM_IdleTick(benchmark::State& state) {
    const auto effect = static_cast<uint8_t>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const int run = static_cast<int>(state.range(2));
    state.SetLabel(std::string(EffectNames[effect]) + ", " + ModeNames[mode] + ", " + RunName(run));
    if (run != ScalarRun && !UseSimdPath(static_cast<uint8_t>(run))) {
        state.SkipWithError((std::string("this processor cannot run ") + RunName(run)).c_str());
        return;
    }
    if (!AgreesWithScalar(effect, mode, run)) {
        state.SkipWithError("draws something else than the scalar restatement");
        return;
    }
    if (!StartSaverRun(effect, mode)) {
        state.SkipWithError("display set-up failed");
        return;
    }
    void (*const tick)() = run == ScalarRun ? ScalarIdleTick : IdleTick;
    for (auto _ : state) {
        tick();
        benchmark::DoNotOptimize(HeadlessDisplay.Pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// The console's lines as usual, then one table per display mode.
class TickTableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) continue;
            int effect = 0, mode = 0, path = 0;
            if (std::sscanf(run.run_name.str().c_str(), "BM_IdleTick/%d/%d/%d", &effect, &mode,
                            &path) != 3)
                continue;
            // A median, once there is one, stands for its repetitions.
            auto& slot = Micros[{mode, effect, path}];
            if (median || !slot.second) slot = {run.GetAdjustedCPUTime(), median};
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (int mode = 0; mode <= NativeWriteOnly; ++mode) {
            std::printf("\nµs per tick (CPU), %s; x = scalar restatement / path\n",
                        ModeNames[mode]);
            std::printf("%-26s %9s", "effect", "scalar");
            for (int path = 0; path < SimdPathCount; ++path)
                std::printf(" %9s %6s", SimdPathNames[path], "x");
            std::printf("\n");
            for (int effect = 1; effect <= EffectCount; ++effect) {
                // The restatement writes changed pixels alone anyway: one Native time serves.
                const double scalar = Lookup(mode == NativeWriteOnly ? 0 : mode, effect, ScalarRun);
                if (Lookup(mode, effect, 0) <= 0) continue;
                std::printf("%-26s %9s", EffectNames[effect], Format(scalar).c_str());
                for (int path = 0; path < SimdPathCount; ++path) {
                    const double micros = Lookup(mode, effect, path);
                    std::printf(" %9s %6s", Format(micros).c_str(),
                                scalar > 0 && micros > 0 ? Format(scalar / micros).c_str() : "-");
                }
                std::printf("\n");
            }
        }
    }

  private:
    double Lookup(int mode, int effect, int path) const {
        const auto found = Micros.find({mode, effect, path});
        return found == Micros.end() ? 0 : found->second.first;
    }
    static std::string Format(double value) {
        if (value <= 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", value);
        return text;
    }

    std::map<std::tuple<int, int, int>, std::pair<double, bool>> Micros;
};
} // namespace

BENCHMARK(BM_IdleTick)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6, 7},
                   {0, 1},
                   {ScalarRun, PortableSimd, Sse2Simd, Avx2Simd, Avx512Simd}})
    ->ArgsProduct({{1, 2, 3, 4, 5, 6, 7},
                   {NativeWriteOnly},
                   {PortableSimd, Sse2Simd, Avx2Simd, Avx512Simd}})
    ->Iterations(TicksPerRun)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Which path the saver would run here unasked, so that a table says what it measured.
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    std::printf("This processor runs:");
    for (uint8_t path = 0; path < SimdPathCount; ++path)
        if (runnable[path]) std::printf(" %s", SimdPathNames[path]);
    std::printf("; the saver chooses %s\n", SimdPathNames[BestSimdPath(runnable)]);
    // Where the picture and the grids lie, as the programs place them: the headless surface
    // and the memory picture start on a cache line, each grid row's column 1 too.
    StartSaverRun(1, 0);
    const auto address = [](const uint8_t* at) { return reinterpret_cast<uintptr_t>(at); };
    std::printf("The picture starts at %#zx (%zu mod 64, %zu mod 4096); column 1 of the grids' "
                "row 0 at %zu and %zu mod 4096 (cells), %zu and %zu (shades)\n",
                static_cast<size_t>(address(HeadlessDisplay.Pixels.data())),
                static_cast<size_t>(address(HeadlessDisplay.Pixels.data()) % 64),
                static_cast<size_t>(address(HeadlessDisplay.Pixels.data()) % 4096),
                static_cast<size_t>(address(CurrentCellGrid + 1) % 4096),
                static_cast<size_t>(address(NextCellGrid + 1) % 4096),
                static_cast<size_t>(address(CurrentShadeGrid + 1) % 4096),
                static_cast<size_t>(address(SpareShadeGrid + 1) % 4096));
    TickTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
