// The Wayland program's rules, without a compositor: its options, which outputs get a
// surface as they come and go, which input ends the run, and the picture on each output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/wayland/ending_input.h"
#include "platform/wayland/output_picture.h"
#include "platform/wayland/output_table.h"
#include "platform/wayland/wayland_options.h"

namespace {
struct Parsed {
    bool Good;
    WaylandOptions Options;
    std::string Error;
};

Parsed Parse(std::vector<std::string> words) {
    std::vector<const char*> argv{"glimmerhex-wayland"};
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    Parsed parsed{};
    parsed.Good = ParseWaylandOptions(static_cast<int>(argv.size()), argv.data(), parsed.Options,
                                      parsed.Error);
    return parsed;
}

TEST(WaylandOptions, TakeThePacedOptionsAndWallpaper) {
    const Parsed none = Parse({});
    ASSERT_TRUE(none.Good);
    EXPECT_EQ(none.Options.Delay, DefaultDelay);
    EXPECT_EQ(none.Options.Effect, -1);
    EXPECT_EQ(none.Options.Palette, -1);
    EXPECT_EQ(none.Options.Renderer, PacedRenderer::Auto);
    EXPECT_FALSE(none.Options.Wallpaper);

    const Parsed all = Parse({"--delay", "0", "-effect=3", "--palette=36", "-renderer", "software",
                              "--wallpaper", "-help"});
    ASSERT_TRUE(all.Good) << all.Error;
    EXPECT_EQ(all.Options.Delay, 0u);
    EXPECT_EQ(all.Options.Effect, 3);
    EXPECT_EQ(all.Options.Palette, 36);
    EXPECT_EQ(all.Options.Renderer, PacedRenderer::Software);
    EXPECT_TRUE(all.Options.Wallpaper);
    EXPECT_TRUE(all.Options.Help);
}

TEST(WaylandOptions, NameWhatIsWrong) {
    const struct {
        std::vector<std::string> Words;
        const char* Error;
    } cases[] = {
        {{"--effect", "8"}, "--effect takes 0 (random) to 7, not '8'"},
        {{"--palette", "-1"}, "--palette takes 0 (random) to 36, not '-1'"},
        {{"--delay", "10000001"}, "--delay takes microseconds from 0 to 10000000"},
        {{"--delay"}, "--delay needs a value"},
        {{"--renderer=gpu"}, "--renderer is auto, accelerated or software, not 'gpu'"},
        {{"--wallpaper=yes"}, "--wallpaper takes no value"},
        // The hack's window options mean nothing here.
        {{"--root"}, "unknown option '--root'"},
        {{"-window-id", "0x20"}, "unknown option '-window-id'"},
        {{"--version", "--delay", "5"}, "unknown option '--version'"},
        {{"/s"}, "unexpected argument '/s'"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = Parse(c.Words);
        EXPECT_FALSE(parsed.Good) << c.Error;
        EXPECT_NE(parsed.Error.find(c.Error), std::string::npos)
            << "'" << parsed.Error << "' lacks '" << c.Error << "'";
        EXPECT_EQ(parsed.Error.find('\n'), std::string::npos);
    }
}

// A script of output events and, after each, which global names need a surface and how
// many outputs are covered.
enum class Step { Add, Remove, Describe, Made, Closed };
struct OutputStep {
    Step What;
    uint32_t Name;
    int Slot;                      // what Add and Remove return
    std::vector<uint32_t> Needing; // names needing a surface afterwards
    int Covered;
};

void Play(const char* story, const std::vector<OutputStep>& steps) {
    OutputTable table{};
    auto slotOf = [&](uint32_t name) {
        for (int slot = 0; slot < MaxOutputs; ++slot)
            if (table.Slots[slot].Phase != OutputPhase::Free && table.Slots[slot].Name == name)
                return slot;
        return -1;
    };
    int step = 0;
    for (const OutputStep& s : steps) {
        ++step;
        switch (s.What) {
        case Step::Add:
            EXPECT_EQ(AddOutput(table, s.Name), s.Slot) << story << ", step " << step;
            break;
        case Step::Remove:
            EXPECT_EQ(RemoveOutput(table, s.Name), s.Slot) << story << ", step " << step;
            break;
        case Step::Describe:
            NoteOutputDescribed(table, slotOf(s.Name));
            break;
        case Step::Made:
            NoteSurfaceMade(table, slotOf(s.Name));
            break;
        case Step::Closed:
            NoteSurfaceClosed(table, slotOf(s.Name));
            break;
        }
        std::vector<uint32_t> needing;
        for (int slot = 0; slot < MaxOutputs; ++slot)
            if (NeedsSurface(table, slot)) needing.push_back(table.Slots[slot].Name);
        EXPECT_EQ(needing, s.Needing) << story << ", step " << step;
        EXPECT_EQ(CoveredOutputs(table), s.Covered) << story << ", step " << step;
    }
}

TEST(OutputTable, CoversOutputsAsTheyComeAndGo) {
    using enum Step;
    Play("two at start, a third plugged in",
         {{Add, 40, 0, {}, 0},
          {Add, 41, 1, {}, 0},
          {Describe, 41, 0, {41}, 0}, // not before it has said its size
          {Describe, 40, 0, {40, 41}, 0},
          {Made, 40, 0, {41}, 1},
          {Made, 41, 0, {}, 2},
          {Describe, 41, 0, {}, 2}, // a mode change does not make a second surface
          {Add, 57, 2, {}, 2},
          {Describe, 57, 0, {57}, 2},
          {Made, 57, 0, {}, 3}});
    Play("unplugged, and back as a new global in the freed slot",
         {{Add, 40, 0, {}, 0},
          {Add, 41, 1, {}, 0},
          {Describe, 40, 0, {40}, 0},
          {Describe, 41, 0, {40, 41}, 0},
          {Made, 40, 0, {41}, 1},
          {Made, 41, 0, {}, 2},
          {Closed, 40, 0, {}, 1}, // the compositor closes first, then withdraws
          {Remove, 40, 0, {}, 1},
          {Remove, 40, -1, {}, 1},
          {Add, 62, 0, {}, 1},
          {Describe, 62, 0, {62}, 1},
          {Made, 62, 0, {}, 2}});
    Play("a surface closed while its output stays",
         {{Add, 7, 0, {}, 0},
          {Describe, 7, 0, {7}, 0},
          {Made, 7, 0, {}, 1},
          {Closed, 7, 0, {}, 0}, // not made again at once: it would only be closed again
          {Closed, 7, 0, {}, 0},
          {Describe, 7, 0, {7}, 0}, // switched back on
          {Made, 7, 0, {}, 1}});
    Play("an output withdrawn before its surface", {{Add, 9, 0, {}, 0},
                                                    {Describe, 9, 0, {9}, 0},
                                                    {Remove, 9, 0, {}, 0},
                                                    {Made, 9, 0, {}, 0},
                                                    {Add, 9, 0, {}, 0}});
}

TEST(OutputTable, RefusesAKnownNameAndASeventeenthOutput) {
    OutputTable table{};
    for (uint32_t name = 100; name < 100 + MaxOutputs; ++name)
        EXPECT_EQ(AddOutput(table, name), static_cast<int>(name - 100));
    EXPECT_EQ(AddOutput(table, 100 + MaxOutputs), -1);
    EXPECT_EQ(AddOutput(table, 105), -1);
    EXPECT_EQ(RemoveOutput(table, 105), 5);
    EXPECT_EQ(AddOutput(table, 105), 5);
}

// A script of input events, and whether each one ends the run.
struct InputStep {
    InputEvent Event;
    bool Ends;
};

InputEvent Enter(const std::vector<uint32_t>& keys) {
    InputEvent event{InputKind::KeyboardEnter};
    event.Keys = keys.data();
    event.KeyCount = keys.size();
    return event;
}
InputEvent Key(uint32_t key, bool pressed) {
    InputEvent event{InputKind::Key};
    event.Key = key;
    event.Pressed = pressed;
    return event;
}
InputEvent At(InputKind kind, double x, double y) {
    InputEvent event{kind};
    event.X = x;
    event.Y = y;
    return event;
}
InputEvent Button(bool pressed) {
    InputEvent event{InputKind::Button};
    event.Pressed = pressed;
    return event;
}

void Play(const char* story, const std::vector<InputStep>& steps) {
    EndingInput input{};
    int step = 0;
    for (const InputStep& s : steps)
        EXPECT_EQ(InputEndsRun(input, s.Event), s.Ends) << story << ", step " << ++step;
}

constexpr uint32_t Space = 57, Enter_ = 28, LeftShift = 42, A = 30;

TEST(EndingInput, KeysEndOnAPressButNotOnWhatWasHeldBefore) {
    const std::vector<uint32_t> none, heldEnter{Enter_}, heldTwo{LeftShift, A};
    Play("a press", {{Enter(none), false}, {Key(Space, true), true}});
    Play("the release of the key that started it",
         {{Enter(heldEnter), false}, {Key(Enter_, false), false}, {Key(Enter_, true), true}});
    Play("a release never ends it", {{Enter(none), false}, {Key(A, false), false}});
    Play("another key while two are held",
         {{Enter(heldTwo), false}, {Key(LeftShift, false), false}, {Key(Space, true), true}});
    Play("the keyboard moving to another surface of ours with the key still held",
         {{Enter(heldEnter), false},
          {{InputKind::KeyboardLeave}, false},
          {Enter(heldEnter), false},
          {Key(Enter_, false), false}});
    Play("a press of a held key, if a compositor replays it",
         {{Enter(heldEnter), false}, {Key(Enter_, true), false}});
    Play("the command keys of /s are not special here",
         {{Enter(none), false}, {Key(A, true), true}});
}

TEST(EndingInput, ThePointerEndsItByButtonsWheelAndRealMoves) {
    Play("found where it rests, then a button",
         {{At(InputKind::PointerEnter, 640, 400), false},
          {At(InputKind::Motion, 640, 400), false},
          {Button(false), false}, // a button held from before, let go
          {Button(true), true}});
    Play("a tremor of a few pixels, then a real move",
         {{At(InputKind::PointerEnter, 640, 400), false},
          {At(InputKind::Motion, 645, 406), false},
          {At(InputKind::Motion, 634, 395), false},
          {At(InputKind::Motion, 640, 409), true}});
    Play("slow drift adds up from where it was found",
         {{At(InputKind::PointerEnter, 10, 10), false},
          {At(InputKind::Motion, 13, 10), false},
          {At(InputKind::Motion, 16, 10), false},
          {At(InputKind::Motion, 19, 10), true}});
    Play("motion without an enter first anchors",
         {{At(InputKind::Motion, 100, 100), false}, {At(InputKind::Motion, 120, 100), true}});
    Play("onto another output's surface: measured from there",
         {{At(InputKind::PointerEnter, 1279, 500), false},
          {{InputKind::PointerLeave}, false},
          {At(InputKind::PointerEnter, 0, 500), false},
          {At(InputKind::Motion, 3, 502), false}});
    Play("the wheel", {{{InputKind::Axis}, true}});
}

// Each output draws the picture in its own pixels: the largest 8:5 rectangle, centred,
// every picture pixel a block of whole pixels (sharp), and the rest black.
TEST(OutputPicture, IsSharpAndLetterboxedOnCommonOutputs) {
    const struct {
        int32_t LogicalWidth, LogicalHeight, Scale;
        uint32_t Scale120;
        int32_t Width, Height; // buffer pixels
    } cases[] = {
        {1280, 800, 1, 0, 1280, 800},     {1366, 768, 1, 0, 1366, 768},
        {1920, 1080, 1, 0, 1920, 1080},   {3840, 2160, 1, 0, 3840, 2160},
        {1920, 1080, 2, 0, 3840, 2160},   {1280, 720, 1, 180, 1920, 1080},
        {2560, 1440, 1, 180, 3840, 2160}, {1707, 1067, 1, 180, 2561, 1601},
    };
    uint8_t picture[PictureWidth * PictureHeight];
    for (int i = 0; i < PictureWidth * PictureHeight; ++i)
        picture[i] = static_cast<uint8_t>(i % 251 + 1);
    uint32_t colours[256];
    for (uint32_t i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | (i * 0x00010307u + 0x000F0000u);
    for (const auto& c : cases) {
        OutputPicture plan{};
        PlanOutputPicture(c.LogicalWidth, c.LogicalHeight, c.Scale, c.Scale120, plan);
        const std::string name = std::to_string(c.LogicalWidth) + "x" +
                                 std::to_string(c.LogicalHeight) + " at " +
                                 std::to_string(c.Scale) + "/" + std::to_string(c.Scale120);
        ASSERT_EQ(plan.Width, c.Width) << name;
        ASSERT_EQ(plan.Height, c.Height) << name;
        ASSERT_EQ(plan.Stride, c.Width * 4) << name;
        // The rectangle, worked out here on its own: the side that limits it is full.
        const bool wide = int64_t{c.Width} * 5 > int64_t{c.Height} * 8;
        const int32_t width = wide ? (c.Height * 8 + 2) / 5 : c.Width;
        const int32_t height = wide ? c.Height : (c.Width * 5 + 4) / 8;
        const PictureRect& r = plan.Fit.Rect;
        EXPECT_EQ(r.Width, width) << name;
        EXPECT_EQ(r.Height, height) << name;
        EXPECT_EQ(r.X, (c.Width - width) / 2) << name;
        EXPECT_EQ(r.Y, (c.Height - height) / 2) << name;

        std::vector<uint32_t> buffer(static_cast<size_t>(c.Width) * c.Height, 0);
        ScalePicture(picture, PictureWidth, colours, plan.Fit,
                     reinterpret_cast<uint8_t*>(buffer.data()), plan.Stride);
        // Blocks: every picture column and line covers the same number of pixels, give or
        // take one, and the blocks fill the rectangle.
        const int32_t across = width / PictureWidth, down = height / PictureHeight;
        int64_t columns = 0, lines = 0;
        for (const uint16_t run : plan.Fit.ColumnRuns) {
            EXPECT_TRUE(run == across || run == across + 1) << name;
            columns += run;
        }
        for (const uint16_t run : plan.Fit.LineRuns) {
            EXPECT_TRUE(run == down || run == down + 1) << name;
            lines += run;
        }
        EXPECT_EQ(columns, width) << name;
        EXPECT_EQ(lines, height) << name;
        int wrong = 0;
        for (int32_t y = 0; y < c.Height; ++y)
            for (int32_t x = 0; x < c.Width; ++x) {
                const bool inside = x >= r.X && x < r.X + width && y >= r.Y && y < r.Y + height;
                const uint32_t want =
                    inside ? colours[picture[(y - r.Y) * PictureHeight / height * PictureWidth +
                                             (x - r.X) * PictureWidth / width]]
                           : 0;
                wrong += buffer[static_cast<size_t>(y) * c.Width + x] != want;
            }
        EXPECT_EQ(wrong, 0) << name;
    }
}
} // namespace
