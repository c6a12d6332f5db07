// Start-up, the saver window's input and the set-up failure report, over the headless
// display, window and store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/effect_frame.h"
#include "effects/effect_selection.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "platform/headless/headless_display.h"
#include "platform/headless/headless_store.h"
#include "platform/headless/headless_window.h"
#include "ports/display_objects.h"
#include "ports/display_port.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"
#include "shell/saver_window.h"
#include "shell/start_up.h"
#include "shell/window_messages.h"

namespace {
class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetRun(0);
        ResetHeadlessDisplay();
        ResetHeadlessWindow();
        ResetHeadlessStore();
        StoreHeadlessByte("Version", 3);
        StoreHeadlessByte("GraphicEffect", 1);
        StoreHeadlessByte("PaletteScheme", 19);
        SaverWindow = nullptr;
    }
    // A user who presses a key after some idle turns.
    static void PressAfter(int64_t turns, uint32_t key, uint32_t message = WmKeyDown) {
        HeadlessWindow.Script.push_back({turns, message, key});
    }
    static bool AllSlotsNull() {
        return DisplayDevice == nullptr && PrimarySurface == nullptr && PaletteObject == nullptr;
    }
};

enum RunKind { EndedAtOnce, Dialog, Saver };

RunKind KindOfRun() {
    if (HeadlessWindow.DialogRuns > 0) return Dialog;
    return HeadlessWindow.WindowsCreated > 0 ? Saver : EndedAtOnce;
}
} // namespace

TEST_F(Shell, TheFirstSwitchDecidesTheRun) {
    struct Case {
        const char* Text;
        RunKind Kind;
    };
    const Case cases[] = {
        {"", Dialog},           {"/s", Saver},       {"-s", Saver},       {"/S", Saver},
        {"-S", Saver},          {"/c", Dialog},      {"/c:77", Dialog},   {"-c 77", Dialog},
        {"/p 77", EndedAtOnce}, {"/a", EndedAtOnce}, {"-A", EndedAtOnce}, {"/l", EndedAtOnce},
        {"/", Dialog},          {"x-s", Saver},      {"abc /s", Saver},   {"-x /s", Dialog},
        {"/P", EndedAtOnce},    {"/ s", Dialog},     {"/1", Dialog},
    };
    for (const Case& c : cases) {
        SetUp();
        PressAfter(3, 'Q');
        EXPECT_EQ(RunProgram(nullptr, c.Text, 10), 0) << c.Text;
        EXPECT_EQ(KindOfRun(), c.Kind) << "'" << c.Text << "'";
        EXPECT_EQ(HeadlessWindow.PriorityCalls, 1) << c.Text;
        EXPECT_EQ(HeadlessWindow.MarkerClaimed, c.Kind == Saver) << "only a saver holds it";
        EXPECT_EQ(HeadlessWindow.IdleTurns, c.Kind == Saver ? 3 : 0) << c.Text;
    }
}

TEST_F(Shell, ARunningSaverStopsEveryOtherRunAtOnce) {
    for (const char* text : {"/s", "/c", "", "/p 77"}) {
        SetUp();
        HeadlessWindow.OtherSaverPresent = true;
        EXPECT_EQ(RunProgram(nullptr, text, 10), 0);
        EXPECT_EQ(KindOfRun(), EndedAtOnce) << text;
        EXPECT_EQ(HeadlessWindow.PriorityCalls, 0) << "the guard comes first";
        EXPECT_FALSE(HeadlessWindow.MarkerClaimed);
        EXPECT_EQ(HeadlessStore.OpenCalls, 0);
    }
}

TEST_F(Shell, ASaverRunTicksUntilAClosingKeyAndReleasesEverything) {
    PressAfter(25, VkEscape);
    EXPECT_EQ(RunProgram(nullptr, "/s", 5), 0);
    EXPECT_EQ(GenerationCount, 25);
    EXPECT_EQ(HeadlessWindow.ShowCommand, 5);
    EXPECT_TRUE(HeadlessDisplay.PaletteAttached) << "the palette was attached to the surface";
    EXPECT_FALSE(HeadlessWindow.WindowLive);
    EXPECT_TRUE(AllSlotsNull());
    EXPECT_EQ(HeadlessDisplay.ModeRestores, 1) << "the closing sequence restores the mode";
    EXPECT_EQ(GraphicEffect, 1) << "stored settings were loaded";
    EXPECT_EQ(PaletteScheme, 19);
}

TEST_F(Shell, TheSaverIsSeededFromTheClock) {
    auto finalState = [this](uint32_t clock) {
        SetUp();
        HeadlessWindow.Clock = clock;
        PressAfter(1, 'Q');
        RunProgram(nullptr, "/s", 1);
        return RandomState;
    };
    const uint32_t first = finalState(1000);
    EXPECT_EQ(finalState(1000), first);
    EXPECT_NE(finalState(1001), first);
    // One tick from an empty world: the first seeding's draws follow the clock's seed.
    SeedRandomSource(1000);
    const uint32_t even = DrawRandom() % 2 == 0 ? 9u : 17u;
    uint32_t state = 1000;
    for (uint32_t draw = 0; draw < even; ++draw)
        state = state * 214013u + 2531011u;
    EXPECT_EQ(first, state);
}

TEST_F(Shell, TheKeyTable) {
    struct Case {
        uint32_t Message;
        uint32_t Key;
        bool Ends;
    };
    const Case cases[] = {
        {WmKeyDown, 'A', false},      {WmKeyDown, 'C', false},      {WmKeyDown, 'G', false},
        {WmKeyDown, 'X', false},      {WmSysKeyDown, 'A', false},   {WmKeyDown, 'B', true},
        {WmKeyDown, 'Q', true},       {WmKeyDown, 'Z', true},       {WmKeyDown, '0', true},
        {WmKeyDown, VkSpace, true},   {WmKeyDown, VkEscape, true},  {WmKeyDown, VkReturn, true},
        {WmKeyDown, VkLeft, true},    {WmKeyDown, VkF1, true},      {WmKeyDown, VkShift, true},
        {WmKeyDown, VkControl, true}, {WmSysKeyDown, VkMenu, true}, {WmLButtonDown, 0, true},
        {WmRButtonDown, 0, true},     {WmMButtonDown, 0, true},     {WmMouseMove, 0, false},
        {WmMouseWheel, 0, false},     {WmLButtonUp, 0, false},      {WmKeyUp, 'Q', false},
        {WmChar, 'q', false},         {WmActivate, 0, false},       {WmActivateApp, 0, false},
        {WmXButtonDown, 0, false},
    };
    for (const Case& c : cases) {
        SetUp();
        PressAfter(2, c.Key, c.Message);
        PressAfter(10, 'Q'); // ends the run if the first input did not
        RunProgram(nullptr, "/s", 1);
        EXPECT_EQ(HeadlessWindow.IdleTurns, c.Ends ? 2 : 10)
            << "message " << c.Message << " key " << c.Key;
    }
}

TEST_F(Shell, CommandKeysActBetweenTicks) {
    // A seeds at once: eight or sixteen more draws.
    PressAfter(3, 'A');
    PressAfter(3, 'Q');
    RunProgram(nullptr, "/s", 1);
    const uint32_t withSeeding = RandomState;
    SetUp();
    PressAfter(3, 'Q');
    RunProgram(nullptr, "/s", 1);
    EXPECT_NE(RandomState, withSeeding);

    // X makes the second tick after it wipe.
    SetUp();
    PressAfter(37, 'X');
    PressAfter(39, 'Q');
    RunProgram(nullptr, "/s", 1);
    EXPECT_EQ(GenerationCount, 1);
    EXPECT_EQ(CountLiveCells(NextCellGrid), 0);

    // C and G re-roll only what was rolled at random; each takes one draw.
    for (const bool random : {false, true}) {
        const auto start = [&] {
            SetUp();
            if (random) {
                StoreHeadlessByte("GraphicEffect", 0);
                StoreHeadlessByte("PaletteScheme", 0);
            }
        };
        start();
        PressAfter(5, 'Q');
        RunProgram(nullptr, "/s", 1);
        const uint32_t without = RandomState;
        const int32_t rewrites = HeadlessDisplay.PaletteRewrites;
        start();
        PressAfter(5, 'C');
        PressAfter(5, 'G');
        PressAfter(5, 'C');
        PressAfter(5, 'Q');
        RunProgram(nullptr, "/s", 1);
        if (random) {
            EXPECT_EQ(HeadlessDisplay.PaletteRewrites, 2) << "one rewrite per C";
            uint32_t state = without;
            for (int draw = 0; draw < 3; ++draw)
                state = state * 214013u + 2531011u;
            EXPECT_EQ(RandomState, state) << "three draws: C, G, C";
        } else {
            EXPECT_EQ(HeadlessDisplay.PaletteRewrites, rewrites);
            EXPECT_EQ(RandomState, without) << "fixed choices swallow C and G";
            EXPECT_EQ(GraphicEffect, 1);
            EXPECT_EQ(PaletteScheme, 19);
        }
    }
}

TEST_F(Shell, TheSetUpFailureTable) {
    struct Case {
        const char* Text;
        void (*Inject)();
        bool ModeSet; // the failing step comes after the mode is set
    };
    const int32_t code = static_cast<int32_t>(0x88760091u);
    static int32_t Code;
    Code = code;
    const Case cases[] = {
        {"DirectDrawCreateEx FAILED", [] { HeadlessDisplay.CreateDeviceResult = Code; }, false},
        {"SetCooperativeLevel FAILED", [] { HeadlessDisplay.CooperativeLevelResult = Code; },
         false},
        {"SetDisplayMode FAILED",
         [] {
             HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga = false;
             HeadlessDisplay.AcceptsDoubled = false;
         },
         false},
        {"CreateSurface FAILED", [] { HeadlessDisplay.CreateSurfaceResult = Code; }, true},
        {"CreatePalette FAILED", [] { HeadlessDisplay.CreatePaletteResult = Code; }, true},
        {"SetPalette FAILED", [] { HeadlessDisplay.AttachPaletteResult = Code; }, true},
    };
    for (const Case& c : cases) {
        SetUp();
        c.Inject();
        PressAfter(0, 'Q');
        EXPECT_EQ(RunProgram(nullptr, "/s", 1), 0) << c.Text;
        EXPECT_EQ(HeadlessWindow.MessageBoxes,
                  std::vector<std::string>{std::string("Glimmerhex: ") + c.Text});
        EXPECT_TRUE(HeadlessWindow.MessageBoxOwnerLive) << "the box is owned by the saver window";
        EXPECT_TRUE(AllSlotsNull()) << c.Text;
        EXPECT_FALSE(HeadlessDisplay.DeviceLive || HeadlessDisplay.SurfaceLive ||
                     HeadlessDisplay.PaletteLive)
            << c.Text;
        EXPECT_FALSE(HeadlessWindow.WindowLive);
        EXPECT_EQ(HeadlessWindow.IdleTurns, 0) << "no tick ran";
        EXPECT_EQ(GenerationCount, 0);
        EXPECT_EQ(ActiveEffectRenderer != nullptr, c.ModeSet) << "the effect comes after the mode";
        ReleaseDisplayObjects(); // harmless once more
        EXPECT_TRUE(AllSlotsNull());
    }
}

TEST_F(Shell, DisplayModeTries) {
    struct Case {
        bool Native, NativeVga, Doubled;
        uint8_t Mode;
        uint32_t Flags; // of the last try made
        int32_t Tries;
    };
    const Case cases[] = {
        {true, true, true, NativeDisplay, 0, 1},
        {false, true, true, NativeDisplay, 1, 2},
        {false, false, true, DoubledDisplay, 0, 3},
    };
    for (const Case& c : cases) {
        SetUp();
        HeadlessDisplay.AcceptsNative = c.Native;
        HeadlessDisplay.AcceptsNativeVga = c.NativeVga;
        HeadlessDisplay.AcceptsDoubled = c.Doubled;
        PressAfter(2, 'Q');
        RunProgram(nullptr, "/s", 1);
        EXPECT_EQ(DisplayMode, c.Mode);
        EXPECT_EQ(HeadlessDisplay.LastModeFlags, c.Flags);
        EXPECT_EQ(HeadlessDisplay.ModeCalls, c.Tries);
        EXPECT_TRUE(HeadlessWindow.MessageBoxes.empty());
        EXPECT_EQ(HeadlessDisplay.Width, c.Mode == DoubledDisplay ? 640 : 320);
    }
}

TEST_F(Shell, AWindowThatCannotBeMadeEndsTheRunWithoutATick) {
    HeadlessWindow.CreateFails = true;
    EXPECT_EQ(RunProgram(nullptr, "/s", 1), 0);
    EXPECT_EQ(HeadlessWindow.IdleTurns, 0);
    EXPECT_TRUE(HeadlessWindow.MessageBoxes.empty());
    EXPECT_FALSE(HeadlessDisplay.DeviceLive);
}

TEST_F(Shell, ThePointerIsHiddenOverTheWindow) {
    PressAfter(1, 0, WmSetCursor);
    PressAfter(2, 'Q');
    RunProgram(nullptr, "/s", 1);
    EXPECT_EQ(HeadlessWindow.PointerHides, 1);
}
