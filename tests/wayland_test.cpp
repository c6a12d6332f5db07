// The Wayland program's rules, without a compositor: its options, which outputs get a
// surface as they come and go, which input ends the run, and the picture on each output.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "file_helpers.h"
#include "parsed_options.h"
#include "platform/posix/compositor_socket.h"
#include "platform/wayland/ending_input.h"
#include "platform/wayland/output_picture.h"
#include "platform/wayland/output_table.h"
#include "platform/wayland/wayland_options.h"

namespace {
Parsed<WaylandOptions> Parse(const std::vector<std::string>& words) {
    return ParseWords<WaylandOptions>("glimmerhex-wayland", words, ParseWaylandOptions);
}

// The paced options are the hack's (hack_test.cpp); here, what is this program's own.
TEST(WaylandOptions, TakeWallpaperAndRefuseWhatIsNotTheirs) {
    const Parsed all = Parse({"--delay", "0", "-effect=3", "--wallpaper", "-help"});
    EXPECT_TRUE(all.Good && all.Options.Delay == 0 && all.Options.Effect == 3 &&
                all.Options.Palette == -1 && all.Options.Wallpaper && all.Options.Help);
    EXPECT_FALSE(Parse({}).Options.Wallpaper);
    const Parsed idle = Parse({"--idle", "300", "--idle=auto"}); // the last holds
    EXPECT_TRUE(idle.Good && idle.Options.IdleAuto && idle.Options.IdleSeconds == 0);
    const struct {
        std::vector<std::string> Words;
        const char* Error;
    } cases[] = {
        {{"--wallpaper=yes"}, "--wallpaper takes no value"},
        {{"--idle", "Auto"}, "--idle takes seconds from 1 to 86400 or auto, not 'Auto'"},
        {{"--idle", "auto", "--wallpaper"}, "--idle and --wallpaper do not go together"},
        {{"--root"}, "unknown option '--root'"}, // the hack's window options mean nothing here
        {{"--version", "--delay", "5"}, "unknown option '--version'"}, // only alone
        {{"--palette", "37"}, "--palette takes 0 (random) to 36, not '37'"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = Parse(c.Words);
        EXPECT_FALSE(parsed.Good) << c.Error;
        EXPECT_EQ(parsed.Error, c.Error);
    }
}

// A pair of sockets that the compositor made for us names no path: the compositor is named
// by the Wayland socket it listens on (this process, listening, stands in for it), which
// libwayland's server marks with NAME.lock beside it, whatever other sockets it listens on
// (Xwayland's, its IPC socket) and in whatever order the system lists them. The other ways
// to it, a path spelled otherwise and a connection, are tried against sway end to end.
TEST(CompositorSocket, APairOfSocketsNamesTheWaylandSocketItsCompositorListensOn) {
    const struct {
        std::vector<std::string> Sockets; // in the order made; "+" marks a NAME.lock beside
        const char* Named;
    } cases[] = {
        {{"wayland-7"}, "wayland-7"},
        {{"X0", "sway-ipc.sock", "a", "b", "c", "d", "+wayland-1"}, "wayland-1"},
        {{"+wayland-1", "X0", "sway-ipc.sock", "a", "b", "c", "d"}, "wayland-1"},
        {{"a", "b", "+wayland-2", "c", "d", "X0", "sway-ipc.sock"}, "wayland-2"},
    };
    for (const auto& c : cases) {
        const std::string folder = MakeScratchFolder("compositor");
        std::vector<int> descriptors;
        for (std::string name : c.Sockets) {
            if (name[0] == '+') {
                name.erase(0, 1);
                WriteFile(folder + "/" + name + ".lock", "");
            }
            const std::string path = folder + "/" + name;
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            path.copy(address.sun_path, sizeof address.sun_path - 1);
            descriptors.push_back(socket(AF_UNIX, SOCK_STREAM, 0));
            ASSERT_EQ(bind(descriptors.back(), reinterpret_cast<const sockaddr*>(&address),
                           sizeof address),
                      0);
            ASSERT_EQ(listen(descriptors.back(), 1), 0);
        }
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        CompositorSocket paired;
        paired.HandedOver = pair[0];
        EXPECT_EQ(CanonicalSocketPath(paired), folder + "/" + c.Named);
        // A launcher's WAYLAND_DISPLAY beside the connection names it outright.
        paired.Path = folder + "/X0";
        EXPECT_EQ(CanonicalSocketPath(paired), paired.Path);
        descriptors.insert(descriptors.end(), {pair[0], pair[1]});
        for (const int descriptor : descriptors)
            close(descriptor);
        RemoveScratchFolder(folder);
    }
}

// An output event and, after it, which global names need a surface and how many outputs
// are covered.
enum class Step { Add, Remove, Describe, Made, Closed };
struct OutputStep {
    Step What;
    uint32_t Name;
    int Slot;                      // what Add and Remove return
    std::vector<uint32_t> Needing; // names needing a surface afterwards
    int Covered;
};

// One desktop's life: two outputs at start, a third plugged in, one unplugged and back as a
// new global, a surface closed while its output stays, an output gone before its surface.
TEST(OutputTable, CoversOutputsAsTheyComeAndGo) {
    using enum Step;
    const OutputStep steps[] = {
        {Add, 40, 0, {}, 0},
        {Add, 41, 1, {}, 0},
        {Describe, 41, 0, {41}, 0}, // not before it has said its size
        {Describe, 40, 0, {40, 41}, 0},
        {Made, 40, 0, {41}, 1},
        {Made, 41, 0, {}, 2},
        {Describe, 41, 0, {}, 2}, // a mode change does not make a second surface
        {Add, 57, 2, {}, 2},
        {Describe, 57, 0, {57}, 2},
        {Made, 57, 0, {}, 3},
        {Closed, 40, 0, {}, 2}, // unplugged: the compositor closes, then withdraws
        {Remove, 40, 0, {}, 2},
        {Remove, 40, -1, {}, 2},
        {Add, 62, 0, {}, 2}, // back, in the freed slot
        {Describe, 62, 0, {62}, 2},
        {Made, 62, 0, {}, 3},
        {Closed, 41, 0, {}, 2}, // not made again at once: it would only be closed again
        {Closed, 41, 0, {}, 2},
        {Describe, 41, 0, {41}, 2}, // switched back on
        {Made, 41, 0, {}, 3},
        {Add, 9, 3, {}, 3},
        {Describe, 9, 0, {9}, 3},
        {Remove, 9, 3, {}, 3},
        {Made, 9, 0, {}, 3}}; // a surface for an output already gone counts for nothing
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
        const int slot = slotOf(s.Name);
        int got = 0; // the slot Add and Remove give; 0 for the others
        if (s.What == Step::Add) got = AddOutput(table, s.Name);
        if (s.What == Step::Remove) got = RemoveOutput(table, s.Name);
        if (s.What == Step::Describe) NoteOutputDescribed(table, slot);
        if (s.What == Step::Made) NoteSurfaceMade(table, slot);
        if (s.What == Step::Closed) NoteSurfaceClosed(table, slot);
        std::vector<uint32_t> needing;
        for (int each = 0; each < MaxOutputs; ++each)
            if (NeedsSurface(table, each)) needing.push_back(table.Slots[each].Name);
        EXPECT_TRUE(got == s.Slot && needing == s.Needing && CoveredOutputs(table) == s.Covered)
            << "step " << step;
    }
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

const auto Enter = [](const std::vector<uint32_t>& held) {
    return InputEvent{
        .Kind = InputKind::KeyboardEnter, .Keys = held.data(), .KeyCount = held.size()};
};
const auto Key = [](uint32_t key, bool pressed) {
    return InputEvent{.Kind = InputKind::Key, .Key = key, .Pressed = pressed};
};
const auto At = [](InputKind kind, double x, double y) {
    return InputEvent{.Kind = kind, .X = x, .Y = y};
};
const auto Button = [](bool pressed) {
    return InputEvent{.Kind = InputKind::Button, .Pressed = pressed};
};

void Play(const char* story, const std::vector<InputStep>& steps) {
    EndingInput input{};
    int step = 0;
    for (const InputStep& s : steps)
        EXPECT_EQ(InputEndsRun(input, s.Event), s.Ends) << story << ", step " << ++step;
}

constexpr uint32_t Enter_ = 28, A = 30;

TEST(EndingInput, KeysEndOnAPressButNotOnWhatWasHeldBefore) {
    const std::vector<uint32_t> none, heldEnter{Enter_};
    Play("a press of A (no command here), not its release",
         {{Enter(none), false}, {Key(A, false), false}, {Key(A, true), true}});
    Play("the release of the key that started it",
         {{Enter(heldEnter), false}, {Key(Enter_, false), false}, {Key(Enter_, true), true}});
    Play("the keyboard moving to another surface of ours with the key still held",
         {{Enter(heldEnter), false},
          {{InputKind::KeyboardLeave}, false},
          {Enter(heldEnter), false},
          {Key(Enter_, false), false}});
    Play("a press of a held key, if a compositor replays it",
         {{Enter(heldEnter), false}, {Key(Enter_, true), false}});
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
    Play("onto another output's surface: measured from there",
         {{At(InputKind::PointerEnter, 1279, 500), false},
          {{InputKind::PointerLeave}, false},
          {At(InputKind::PointerEnter, 0, 500), false},
          {At(InputKind::Motion, 3, 502), false}});
    Play("the wheel", {{At(InputKind::PointerEnter, 5, 5), false}, {{InputKind::Axis}, true}});
}

// Read after its show went (the resident waits, or the next show has begun): what was sent
// to the old surfaces, whose arrivals come as no surface of the show, ends nothing.
TEST(EndingInput, InputForAShowThatEndedEndsNothing) {
    const std::vector<uint32_t> none;
    InputEvent gone = At(InputKind::PointerEnter, 640, 400), goneKeys = Enter(none);
    gone.Ours = goneKeys.Ours = false;
    Play("before any arrival: a click, the wheel, a long move, a key",
         {{Button(true), false},
          {{InputKind::Axis}, false},
          {At(InputKind::Motion, 0, 0), false},
          {At(InputKind::Motion, 900, 700), false},
          {Key(A, true), false}});
    Play("arrivals on a surface taken down", {{gone, false},
                                              {At(InputKind::Motion, 900, 700), false},
                                              {{InputKind::Axis}, false},
                                              {goneKeys, false},
                                              {Key(A, true), false}});
    Play("after leaving the show's surface", {{At(InputKind::PointerEnter, 640, 400), false},
                                              {Enter(none), false},
                                              {{InputKind::PointerLeave}, false},
                                              {{InputKind::KeyboardLeave}, false},
                                              {{InputKind::Axis}, false},
                                              {Button(true), false},
                                              {Key(A, true), false}});
}

// Each output gets a buffer in its own pixels, whole or fractional scale alike, and the
// largest 8:5 rectangle in it, centred (ScalePicture's nearest-neighbour drawing into it is
// checked pixel by pixel in hack_test.cpp).
TEST(OutputPicture, FitsEachOutputInItsOwnPixels) {
    const struct {
        int32_t LogicalWidth, LogicalHeight, Scale;
        uint32_t Scale120;
        int32_t Width, Height; // buffer pixels
        PictureRect Rect;
    } cases[] = {
        {1280, 800, 1, 0, 1280, 800, {0, 0, 1280, 800}},
        {1366, 768, 1, 0, 1366, 768, {68, 0, 1229, 768}},
        {1920, 1080, 1, 0, 1920, 1080, {96, 0, 1728, 1080}},
        {3840, 2160, 1, 0, 3840, 2160, {192, 0, 3456, 2160}},
        {1920, 1080, 2, 0, 3840, 2160, {192, 0, 3456, 2160}},
        {1280, 720, 1, 180, 1920, 1080, {96, 0, 1728, 1080}},   // 150%
        {1707, 1067, 1, 180, 2561, 1601, {0, 0, 2561, 1601}},   // halves round away from 0
        {1280, 1024, 1, 150, 1600, 1280, {0, 140, 1600, 1000}}, // 125%, bars above and below
    };
    for (const auto& c : cases) {
        OutputPicture plan{};
        PlanOutputPicture(c.LogicalWidth, c.LogicalHeight, c.Scale, c.Scale120, plan);
        const PictureRect& r = plan.Fit.Rect;
        EXPECT_TRUE(plan.Width == c.Width && plan.Height == c.Height &&
                    plan.Stride == 4 * c.Width && r.X == c.Rect.X && r.Y == c.Rect.Y &&
                    r.Width == c.Rect.Width && r.Height == c.Rect.Height)
            << c.LogicalWidth << "x" << c.LogicalHeight << " at " << c.Scale << "/" << c.Scale120
            << " gave " << plan.Width << "x" << plan.Height << ", " << r.Width << "x" << r.Height
            << "+" << r.X << "+" << r.Y;
    }
}
} // namespace
