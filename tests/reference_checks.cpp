#include "reference_checks.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "life/seeding.h"
#include "platform/headless/headless_display.h"
#include "ports/display_port.h"
#include "reference_model.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"

namespace {
constexpr uint8_t Sentinel = 0xAB;

// A grid's rows, border included, without the padding that ends each row in memory.
RefGrid ReadGrid(const uint8_t* grid) {
    RefGrid whole;
    for (int32_t row = 0; row < GridRows; ++row)
        std::memcpy(whole[row].data(), grid + row * GridStride, whole[row].size());
    return whole;
}

// Where the restatement draws: a copy of the headless surface, laid out alike.
RefSurface SurfaceOf(SurfaceBytes& pixels) {
    return {pixels.data(), HeadlessDisplay.Pitch, DisplayMode == DoubledDisplay};
}

std::string Where(int step, const char* what) {
    return std::string(what) + " differ" + (step >= 0 ? " at step " + std::to_string(step) : "");
}

// What the tick left against what the restatement left: the next grid (its border too when
// whole), the shades and the picture.
std::string Compare(int step, RefWorld& world, bool whole, const SurfaceBytes& expectedSurface) {
    const RefGrid next = ReadGrid(NextCellGrid);
    if (whole ? next != world.Next() : RefInterior(next) != RefInterior(world.Next()))
        return Where(step, "next grids");
    if (RefInterior(ReadGrid(CurrentShadeGrid)) != RefInterior(world.Shades()))
        return Where(step, "shades");
    if (HeadlessDisplay.Pixels != expectedSurface) return Where(step, "pictures");
    return "";
}

std::string StartCase(const ReferenceCase& c, uint32_t seed, RefWorld& world) {
    std::string failure = SetUpHeadlessWorld(c.Effect, 19, c.Mode, c.Pitch, seed);
    HeadlessDisplay.VideoMemory = c.VideoMemory;
    std::fill(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel);
    world.Effect = c.Effect;
    world.Random = seed;
    return failure;
}

// Bytes that belong to no cell (padding, odd columns and lines, the Doubled margins) were
// never written.
bool OnlyCellBytesWritten() {
    size_t untouched = 0;
    for (uint8_t byte : HeadlessDisplay.Pixels)
        untouched += byte == Sentinel;
    return untouched >= HeadlessDisplay.Pixels.size() - 64000;
}

// Every grid, whatever its role now, with column 1 of each row on a cache line and the
// padding after column 321 still zero.
std::string GridLayoutFault() {
    const uint8_t* const grids[] = {CurrentCellGrid, NextCellGrid, CurrentShadeGrid,
                                    SpareShadeGrid};
    for (const uint8_t* grid : grids)
        for (int32_t row = 0; row < GridRows; ++row) {
            const uint8_t* line = grid + row * GridStride;
            if (reinterpret_cast<uintptr_t>(line + 1) % CacheLineBytes != 0)
                return "row " + std::to_string(row) + " does not start a cache line";
            for (int32_t column = GridWidth; column < GridStride; ++column)
                if (line[column] != 0)
                    return "padding written in row " + std::to_string(row) + ", column " +
                           std::to_string(column);
        }
    return "";
}
} // namespace

std::string SetUpHeadlessWorld(uint8_t effect, uint8_t scheme, uint8_t mode, int32_t pitch,
                               uint32_t seed) {
    ResetRun(seed);
    ResetHeadlessDisplay();
    HeadlessDisplay.RequestedPitch = pitch;
    HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga = mode != DoubledDisplay;
    GraphicEffect = effect;
    PaletteScheme = scheme;
    DisplayFailure failure{};
    return SetUpDisplay(nullptr, failure) ? "" : failure.Text;
}

std::string CompareFramesWithReference(const ReferenceCase& c, int frames, uint8_t then) {
    RefWorld world;
    if (std::string failure = StartCase(c, 1, world); !failure.empty()) return failure;
    std::mt19937 random(1234 + c.Effect);
    const bool plasma = c.Effect >= 5;
    for (int32_t row = 1; row <= 200; ++row)
        for (int32_t column = 1; column <= 320; ++column) {
            NextCellGrid[row * GridStride + column] = random() % 3 == 0 ? 1 : 0;
            // Plasma shades are multiples of 4 on entry, as normalisation leaves them.
            CurrentShadeGrid[row * GridStride + column] =
                static_cast<uint8_t>(plasma ? (random() % 64) * 4 : random() % 256);
        }
    SurfaceBytes expectedSurface = HeadlessDisplay.Pixels;
    for (int frame = 0; frame < frames; ++frame) {
        world.Current() = ReadGrid(NextCellGrid);
        RefWrapBorder(world.Current());
        // Shades do not wrap: whatever the border held, the restatement reads 0 there.
        world.Shades() = RefGrid{};
        RefSetInterior(world.Shades(), RefInterior(ReadGrid(CurrentShadeGrid)));
        if (then != 0 && frame == frames / 2) {
            NormaliseShades();
            GraphicEffect = then;
            SelectEffect();
            RefNormaliseShades(world);
            world.Effect = then;
        }
        RefFrame(world, SurfaceOf(expectedSurface));

        AdvanceGeneration();
        ActiveEffectRenderer();

        if (std::string failure = Compare(frame, world, false, expectedSurface); !failure.empty())
            return failure;
    }
    return OnlyCellBytesWritten() ? GridLayoutFault() : "bytes outside the cells were written";
}

std::string CompareTicksWithReference(const ReferenceCase& c, uint32_t seed, int ticks,
                                      const std::vector<TickEvent>& events) {
    RefWorld world;
    if (std::string failure = StartCase(c, seed, world); !failure.empty()) return failure;
    HeadlessDisplay.RestoredFill = Sentinel;
    SurfaceBytes expectedSurface = HeadlessDisplay.Pixels;
    for (int tick = 1; tick <= ticks; ++tick) {
        bool lost = false;
        for (const TickEvent& event : events) {
            if (event.Tick != tick) continue;
            if (event.What == 'A') {
                SeedPatterns();
                RefSeedPatterns(world);
            } else if (event.What == 'X') {
                GenerationCount = world.Count = 10000;
            } else if (event.What == 'L') {
                HeadlessDisplay.LockResult = SurfaceLostError;
                HeadlessDisplay.LockFailures = 1;
                lost = true;
                std::fill(expectedSurface.begin(), expectedSurface.end(), Sentinel);
            } else if (event.What >= '1' && event.What <= '7') {
                NormaliseShades();
                GraphicEffect = static_cast<uint8_t>(event.What - '0');
                SelectEffect();
                RefNormaliseShades(world);
                world.Effect = event.What - '0';
            }
        }
        RefIdleTick(world, lost, SurfaceOf(expectedSurface));
        IdleTick();

        if (RandomState != world.Random) return Where(tick, "seeding draws");
        if (GenerationCount != world.Count) return Where(tick, "generation counts");
        if (std::string failure = Compare(tick, world, true, expectedSurface); !failure.empty())
            return failure;
    }
    return OnlyCellBytesWritten() ? GridLayoutFault() : "bytes outside the cells were written";
}
