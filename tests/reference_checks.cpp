#include "reference_checks.h"

#include <cstddef>
#include <random>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "life/seeding.h"
#include "platform/headless/headless_display.h"
#include "ports/display_objects.h"
#include "ports/display_port.h"
#include "reference_model.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"

namespace {
constexpr uint8_t Sentinel = 0xAB;

RefCells ReadGrid(const uint8_t* grid) {
    RefCells cells;
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x)
            cells[y][x] = grid[(y + 1) * 322 + x + 1];
    return cells;
}

// Where a cell is drawn, by the mapping stated independently of the frame.
size_t PixelOffset(int x, int y) {
    const size_t pitch = static_cast<size_t>(HeadlessDisplay.Pitch);
    return DisplayMode == DoubledDisplay ? (40 + 2 * y) * pitch + 2 * x : y * pitch + x;
}

void Draw(const RefPixels& pixels, std::vector<uint8_t>& surface) {
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x)
            if (pixels[y][x] >= 0) surface[PixelOffset(x, y)] = static_cast<uint8_t>(pixels[y][x]);
}

std::string Where(int step, const char* what) {
    return std::string(what) + " differ" + (step >= 0 ? " at step " + std::to_string(step) : "");
}

std::string StartCase(const ReferenceCase& c, uint32_t seed) {
    std::string failure = SetUpHeadlessWorld(c.Effect, 19, c.Mode, c.Pitch, seed);
    HeadlessDisplay.VideoMemory = c.VideoMemory;
    std::fill(HeadlessDisplay.Pixels.begin(), HeadlessDisplay.Pixels.end(), Sentinel);
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
} // namespace

std::string SetUpHeadlessWorld(uint8_t effect, uint8_t scheme, uint8_t mode, int32_t pitch,
                               uint32_t seed) {
    ReleaseDisplayObjects();
    ResetHeadlessDisplay();
    HeadlessDisplay.RequestedPitch = pitch;
    HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga = mode != DoubledDisplay;
    DisplayMode = NativeDisplay;
    ActiveEffectRenderer = nullptr;
    GraphicEffect = effect;
    PaletteScheme = scheme;
    RandomEffect = false;
    RandomPalette = false;
    GenerationCount = 0;
    SeedRandomSource(seed);
    DisplayFailure failure{};
    return SetUpDisplay(nullptr, failure) ? "" : failure.Text;
}

std::string CompareFramesWithReference(const ReferenceCase& c, int frames, uint8_t then) {
    if (std::string failure = StartCase(c, 1); !failure.empty()) return failure;
    std::mt19937 random(1234 + c.Effect);
    const bool plasma = c.Effect >= 5;
    for (int32_t row = 1; row <= 200; ++row)
        for (int32_t column = 1; column <= 320; ++column) {
            NextCellGrid[row * 322 + column] = random() % 3 == 0 ? 1 : 0;
            // Plasma shades are multiples of 4 on entry, as normalisation leaves them.
            CurrentShadeGrid[row * 322 + column] =
                static_cast<uint8_t>(plasma ? (random() % 64) * 4 : random() % 256);
        }
    uint8_t effect = c.Effect;
    for (int frame = 0; frame < frames; ++frame) {
        RefCells shades = ReadGrid(CurrentShadeGrid);
        if (then != 0 && frame == frames / 2) {
            NormaliseShades();
            GraphicEffect = effect = then;
            SelectEffect();
            RefNormaliseShades(shades);
        }
        RefCells expectedCells, expectedShades;
        RefPixels expectedPixels;
        RefFrame(effect, ReadGrid(NextCellGrid), shades, expectedCells, expectedShades,
                 expectedPixels);
        std::vector<uint8_t> expectedSurface = HeadlessDisplay.Pixels;
        Draw(expectedPixels, expectedSurface);

        AdvanceGeneration();
        ActiveEffectRenderer();

        if (ReadGrid(NextCellGrid) != expectedCells) return Where(frame, "cells");
        if (ReadGrid(CurrentShadeGrid) != expectedShades) return Where(frame, "shades");
        if (HeadlessDisplay.Pixels != expectedSurface) return Where(frame, "pictures");
    }
    return OnlyCellBytesWritten() ? "" : "bytes outside the cells were written";
}

std::string CompareTicksWithReference(const ReferenceCase& c, uint32_t seed, int ticks,
                                      const std::vector<TickEvent>& events) {
    if (std::string failure = StartCase(c, seed); !failure.empty()) return failure;
    HeadlessDisplay.RestoredFill = Sentinel;
    RefWorld world;
    world.Effect = c.Effect;
    world.Random = seed;
    std::vector<uint8_t> expectedSurface = HeadlessDisplay.Pixels;
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
                RefNormaliseShades(world.Shades);
                world.Effect = event.What - '0';
            }
        }
        Draw(RefIdleTick(world, lost), expectedSurface);
        IdleTick();

        if (RandomState != world.Random) return Where(tick, "seeding draws");
        if (GenerationCount != world.Count) return Where(tick, "generation counts");
        for (int row = 0; row < RefHeight + 2; ++row)
            for (int column = 0; column < RefWidth + 2; ++column)
                if (NextCellGrid[row * 322 + column] != world.Next[row][column])
                    return Where(tick, "next grids");
        if (ReadGrid(CurrentShadeGrid) != world.Shades) return Where(tick, "shades");
        if (HeadlessDisplay.Pixels != expectedSurface) return Where(tick, "pictures");
    }
    return OnlyCellBytesWritten() ? "" : "bytes outside the cells were written";
}
