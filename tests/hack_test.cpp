// The hack's pure parts: the window ids and options the hosts pass, the options its
// settings file offers, and fitting and scaling the picture into a window.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "effects/effect_selection.h"
#include "life/grids.h"
#include "palettes/palette_catalogue.h"
#include "parsed_options.h"
#include "platform/hack/hack_options.h"
#include "platform/present/memory_picture.h"
#include "platform/present/paced_run.h"
#include "platform/present/picture_changes.h"
#include "platform/present/picture_scaling.h"
#include "platform/present/present_pacing.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"

namespace {
TEST(HackWindowId, ReadsHexAndDecimalAndRefusesTheRest) {
    const struct {
        const char* Text;
        bool Good;
        uint32_t Id;
    } cases[] = {
        {"0x600008", true, 0x600008},
        {"0X1f", true, 31},
        {"6291464", true, 6291464},
        {"0xFFFFFFFF", true, 0xFFFFFFFFu},
        {"4294967295", true, 4294967295u},
        {"4294967296", false, 0},
        {"0x100000000", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"0x", false, 0},
        {"0", false, 0},
        {"0x0", false, 0},
        {"12ab", false, 0},
        {"0x12g", false, 0},
        {" 12", false, 0},
        {"12 ", false, 0},
        {"-5", false, 0},
        {"+5", false, 0},
        {"0x-1", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t id = 0;
        EXPECT_EQ(ParseWindowId(c.Text, id), c.Good) << "'" << c.Text << "'";
        EXPECT_EQ(id, c.Id) << c.Text;
    }
}

Parsed<HackOptions> Parse(const std::vector<std::string>& words, const char* hostWindow = nullptr) {
    return ParseWords<HackOptions>(
        "glimmerhex-hack", words,
        [=](int argc, const char* const* argv, HackOptions& options, std::string& error) {
            return ParseHackOptions(argc, argv, hostWindow, options, error);
        });
}

TEST(HackOptions, FindTheWindowAsEachHostGivesIt) {
    const Parsed own = Parse({});
    EXPECT_EQ(own.Options.Target, HackTarget::OwnWindow);
    EXPECT_EQ(own.Options.Delay, DefaultDelay);
    EXPECT_EQ(own.Options.Effect, -1);
    EXPECT_EQ(own.Options.Palette, -1);

    EXPECT_EQ(Parse({"-root"}).Options.Target, HackTarget::RootWindow);
    const Parsed daemon = Parse({"--root"}, "0x600008"); // XScreenSaver: hex
    EXPECT_EQ(daemon.Options.Target, HackTarget::GivenWindow);
    EXPECT_EQ(daemon.Options.WindowId, 0x600008u);
    EXPECT_EQ(Parse({"-root"}, "6291464").Options.WindowId, 6291464u); // xsecurelock: decimal
    const Parsed preview = Parse({"--window-id", "0x1e00007"}, "0x600008");
    EXPECT_EQ(preview.Options.Target, HackTarget::GivenWindow);
    EXPECT_EQ(preview.Options.WindowId, 0x1e00007u);
    EXPECT_EQ(Parse({"-window-id=77"}).Options.WindowId, 77u);
}

TEST(HackOptions, TakeEitherDashAndEitherValueForm) {
    const Parsed parsed =
        Parse({"-delay", "0", "--effect=7", "-palette=36", "--renderer", "software"});
    ASSERT_TRUE(parsed.Good) << parsed.Error;
    EXPECT_EQ(parsed.Options.Delay, 0u);
    EXPECT_EQ(parsed.Options.Effect, 7);
    EXPECT_EQ(parsed.Options.Palette, 36);
    EXPECT_EQ(parsed.Options.Renderer, HackRenderer::Software);
    EXPECT_EQ(Parse({"--delay", "10000000"}).Options.Delay, LongestDelay);
    EXPECT_TRUE(Parse({"-help"}).Options.Help);
}

TEST(HackOptions, NameWhatIsWrong) {
    const struct {
        std::vector<std::string> Words;
        const char* HostWindow;
        const char* Error;
    } cases[] = {
        {{"--effect", "9"}, nullptr, "--effect takes 0 (random) to 7, not '9'"},
        {{"--palette", "37"}, nullptr, "--palette takes 0 (random) to 36, not '37'"},
        {{"--delay", "-1"}, nullptr, "--delay takes microseconds from 0 to 10000000, not '-1'"},
        {{"--delay", "10000001"}, nullptr, "not '10000001'"},
        {{"--delay", "1e3"}, nullptr, "not '1e3'"},
        {{"--effect"}, nullptr, "--effect needs a value"},
        {{"--window-id", "0xZZ"}, nullptr, "--window-id '0xZZ' is not a window id"},
        {{"--root"}, "junk", "XSCREENSAVER_WINDOW 'junk' is not a window id"},
        {{}, "", "XSCREENSAVER_WINDOW '' is not a window id"},
        {{"--fps"}, nullptr, "unknown option '--fps'"},
        {{"-x"}, nullptr, "unknown option '-x'"},
        {{"--root=yes"}, nullptr, "--root takes no value"},
        {{"stray"}, nullptr, "unexpected argument 'stray'"},
        {{"--renderer", "gpu"}, nullptr, "--renderer is auto, accelerated or software"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = Parse(c.Words, c.HostWindow);
        EXPECT_FALSE(parsed.Good) << c.Error;
        EXPECT_NE(parsed.Error.find(c.Error), std::string::npos)
            << "'" << parsed.Error << "' lacks '" << c.Error << "'";
        EXPECT_EQ(parsed.Error.find('\n'), std::string::npos);
    }
}

// The settings app turns the .xml into command lines; each must be one the hack takes,
// and each list entry must name what the hack then shows.
std::map<std::string, std::string> Attributes(const std::string& tag) {
    static const std::regex attribute(R"re(([-\w]+)="([^"]*)")re");
    std::map<std::string, std::string> found;
    for (std::sregex_iterator it(tag.begin(), tag.end(), attribute), end; it != end; ++it) {
        std::string value = (*it)[2];
        for (const auto& [entity, text] :
             {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
            for (size_t at; (at = value.find(entity)) != std::string::npos;)
                value.replace(at, std::strlen(entity), text);
        found[(*it)[1]] = value;
    }
    return found;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

TEST(HackSettingsFile, EveryOptionIsOneTheHackTakes) {
    std::ifstream file(HACK_XML);
    ASSERT_TRUE(file) << HACK_XML;
    const std::string xml((std::istreambuf_iterator<char>(file)), {});
    static const std::regex element(R"(<(command|number|select|option|boolean)\b([^>]*)>)");
    std::string select;
    std::vector<std::string> effectLabels, paletteLabels;
    int commandLines = 0;
    for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it) {
        const std::string kind = (*it)[1];
        auto attributes = Attributes((*it)[2]);
        std::vector<std::string> arguments;
        if (kind == "select") {
            select = attributes["id"];
        } else if (kind == "number") {
            EXPECT_EQ(attributes["convert"], "invert") << "the slider runs from slow to fast";
            EXPECT_EQ(std::stoul(attributes["default"]), DefaultDelay);
            for (const char* end : {"low", "high", "default"}) {
                std::string arg = attributes["arg"];
                arg.replace(arg.find('%'), 1, attributes[end]);
                arguments.push_back(arg);
            }
        } else if (kind == "option") {
            (select == "effect" ? effectLabels : paletteLabels).push_back(attributes["_label"]);
            if (attributes.contains("arg-set")) arguments.push_back(attributes["arg-set"]);
        } else {
            for (const char* name : {"arg", "arg-set", "arg-unset"})
                if (attributes.contains(name)) arguments.push_back(attributes[name]);
        }
        for (const std::string& line : arguments) {
            ++commandLines;
            const Parsed parsed = Parse(Words(line));
            EXPECT_TRUE(parsed.Good) << line << ": " << parsed.Error;
            if (kind != "option") continue;
            const int chosen = select == "effect" ? parsed.Options.Effect : parsed.Options.Palette;
            const size_t position = (select == "effect" ? effectLabels : paletteLabels).size();
            EXPECT_EQ(chosen, static_cast<int>(position) - 2) << line;
        }
    }
    EXPECT_GE(commandLines, 1 + 3 + EffectCount + 1 + SchemeCount + 1);

    // "Stored choice" passes nothing; then "<Random>" and the dialog's names in its order.
    std::vector<std::string> effects{"Stored choice"}, palettes{"Stored choice"};
    effects.insert(effects.end(), std::begin(EffectNames), std::end(EffectNames));
    palettes.insert(palettes.end(), std::begin(PaletteSchemeNames), std::end(PaletteSchemeNames));
    EXPECT_EQ(effectLabels, effects);
    EXPECT_EQ(paletteLabels, palettes);
}

TEST(PictureFit, KeepsTheAspectCentredWithBarsWhereNeeded) {
    const struct {
        int32_t Width, Height;
        PictureRect Rect;
    } cases[] = {
        {320, 200, {0, 0, 320, 200}},
        {1024, 768, {0, 64, 1024, 640}},
        {1920, 1080, {96, 0, 1728, 1080}},
        {1280, 1024, {0, 112, 1280, 800}},
        {1680, 1050, {0, 0, 1680, 1050}},
        {3840, 1080, {1056, 0, 1728, 1080}},
        {100, 100, {0, 18, 100, 63}},
        {1, 1, {0, 0, 1, 1}},
        {0, 0, {0, 0, 0, 0}},
        {-5, 20, {0, 10, 0, 0}},
    };
    for (const auto& c : cases) {
        PictureFit fit{};
        FitPicture(c.Width, c.Height, fit);
        const PictureRect& r = fit.Rect;
        EXPECT_TRUE(r.X == c.Rect.X && r.Y == c.Rect.Y && r.Width == c.Rect.Width &&
                    r.Height == c.Rect.Height)
            << c.Width << "x" << c.Height << " gave " << r.Width << "x" << r.Height << "+" << r.X
            << "+" << r.Y;
    }
}

// Every window pixel of the rectangle shows the picture pixel nearest below-left of its
// scaled position, and nothing outside the rectangle is touched.
TEST(PictureScaling, MatchesNearestNeighbourAndStaysInside) {
    std::vector<uint8_t> picture(PictureWidth * PictureHeight);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(i * 7 + i / PictureWidth * 13);
    uint32_t colours[256];
    for (uint32_t i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | i * 0x010203u;
    constexpr uint32_t Untouched = 0x12345678;
    for (const auto& [width, height] :
         {std::pair{320, 200}, {1024, 768}, {1920, 1080}, {333, 777}, {150, 90}, {7, 3}, {1, 1}}) {
        const int32_t stride = width + 5; // a padded line, as window surfaces may have
        std::vector<uint32_t> window(static_cast<size_t>(stride) * height, Untouched);
        PictureFit fit{};
        FitPicture(width, height, fit);
        ScalePicture(picture.data(), PictureWidth, colours, fit,
                     reinterpret_cast<uint8_t*>(window.data()), stride * 4);
        const PictureRect& r = fit.Rect;
        int wrong = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < stride; ++x) {
                const bool inside = x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height;
                uint32_t expected = Untouched;
                if (inside) {
                    const int64_t column = int64_t{x - r.X} * PictureWidth / r.Width;
                    const int64_t line = int64_t{y - r.Y} * PictureHeight / r.Height;
                    expected = colours[picture[line * PictureWidth + column]];
                }
                wrong += window[static_cast<size_t>(y) * stride + x] != expected;
            }
        EXPECT_EQ(wrong, 0) << width << "x" << height;
        // Drawn in parts, as a present draws what changed, it comes out the same.
        std::vector<uint32_t> inParts(window.size(), Untouched);
        for (const PictureRect& part :
             {PictureRect{0, 0, 320, 7}, PictureRect{0, 7, 13, 193}, PictureRect{13, 7, 307, 193}})
            ScalePictureArea(picture.data(), PictureWidth, colours, fit, part,
                             reinterpret_cast<uint8_t*>(inParts.data()), stride * 4);
        EXPECT_TRUE(inParts == window) << width << "x" << height << " in parts";
    }
}

namespace {
// The pixels a place that held one picture ends up with once the listed parts of another
// are drawn over them.
std::vector<uint8_t> DrawnOver(std::vector<uint8_t> held, const std::vector<uint8_t>& newest,
                               const PictureChanges& changes) {
    for (int i = 0; i < changes.Count; ++i) {
        const PictureRect& r = changes.Rects[i];
        for (int32_t y = r.Y; y < r.Y + r.Height; ++y)
            std::memcpy(&held[y * PictureWidth + r.X], &newest[y * PictureWidth + r.X],
                        static_cast<size_t>(r.Width));
    }
    return held;
}

using RectList = std::vector<std::array<int32_t, 4>>; // x, y, width, height each
RectList Listed(const PictureChanges& changes) {
    RectList rects;
    for (int i = 0; i < changes.Count; ++i)
        rects.push_back({changes.Rects[i].X, changes.Rects[i].Y, changes.Rects[i].Width,
                         changes.Rects[i].Height});
    return rects;
}
const RectList Whole{{0, 0, PictureWidth, PictureHeight}};
} // namespace

// The changes listed for a place bring whatever it held (one picture back, several, the
// oldest still remembered) exactly up to the newest; too old, a palette change or nothing
// held gives all of it; and a small change is sent as the tiles it touched.
TEST(PictureChanges, WhatIsListedBringsEveryPlaceUpToTheNewest) {
    ForgetNotedPictures();
    // A pixel inside tile (column, row); columns by rows of tiles from tile (column, row).
    auto pixel = [](int32_t column, int32_t row) {
        return std::pair{column * TileWidth + 3, row * TileHeight + 1};
    };
    auto tiles = [](int32_t column, int32_t row, int32_t columns, int32_t rows) {
        return std::array{column * TileWidth, row * TileHeight, columns * TileWidth,
                          rows * TileHeight};
    };
    std::vector<std::pair<int, int>> scattered; // every fourth tile, staggered
    for (int32_t row = 0; row < TileRows; ++row)
        for (int32_t column = row % 2 * 2; column < TileColumns; column += 4)
            scattered.push_back(pixel(column, row));
    const struct {
        const char* Name;
        std::vector<std::pair<int, int>> Pixels; // changed (x, y)
        bool NewPalette;
        RectList Rects; // listed for one picture back; empty: not checked
    } steps[] = {
        {"first", {{0, 0}}, false, Whole},
        {"one pixel", {pixel(1, 4)}, false, {tiles(1, 4, 1, 1)}},
        {"nothing", {}, false, {}},
        {"far apart in a band",
         {pixel(0, 0), pixel(37, 0)},
         false,
         {tiles(0, 0, 1, 1), tiles(37, 0, 1, 1)}},
        {"two tiles apart: joined", {pixel(0, 0), pixel(3, 0)}, false, {tiles(0, 0, 4, 1)}},
        {"down a column", {pixel(5, 2), pixel(5, 3), pixel(5, 4)}, false, {tiles(5, 2, 1, 3)}},
        {"palette", {}, true, Whole},
        {"scattered", scattered, false, {}},
    };
    std::vector<uint8_t> picture(PictureWidth * PictureHeight, 0);
    std::vector<std::vector<uint8_t>> noted(1); // by number; 0 holds nothing
    uint32_t palette = 0;
    std::mt19937 random(7);
    auto check = [&](const char* name, uint64_t newest) {
        for (uint64_t had = 0; had <= newest; ++had)
            for (const int32_t most : {MaxChangedRects, 8, 1}) {
                PictureChanges changes{};
                ListChangesSince(had, most, changes);
                const bool old = had == 0 || newest - had >= RememberedPictures;
                EXPECT_TRUE(!old || Listed(changes) == Whole) << name << " from " << had;
                EXPECT_LE(changes.Count, most) << name << " from " << had;
                if (old) continue;
                EXPECT_EQ(DrawnOver(noted[had], picture, changes), picture)
                    << name << " from " << had << " in at most " << most;
            }
    };
    auto note = [&](const char* name, bool sameExpected) {
        const uint64_t number = NotePicture(picture.data(), palette);
        EXPECT_EQ(number == noted.size() - 1, sameExpected) << name;
        if (number == noted.size()) noted.push_back(picture);
        return number;
    };
    for (const auto& step : steps) {
        for (const auto& [x, y] : step.Pixels)
            ++picture[y * PictureWidth + x];
        palette += step.NewPalette;
        const bool same = step.Pixels.empty() && !step.NewPalette;
        const uint64_t newest = note(step.Name, same);
        PictureChanges changes{};
        ListChangesSince(newest - (same ? 0 : 1), MaxChangedRects, changes);
        EXPECT_TRUE(!same || changes.Count == 0) << step.Name;
        EXPECT_TRUE(step.Rects.empty() || Listed(changes) == step.Rects) << step.Name;
        // However scattered, a change is never sent whole where a place can keep up.
        EXPECT_EQ(Listed(changes) == Whole, &step == steps || step.NewPalette) << step.Name;
        check(step.Name, newest);
    }
    // Pictures past what is remembered: a few random spots each.
    for (int i = 0; i < 40; ++i) {
        for (int spot = 0; spot < 20; ++spot)
            picture[random() % picture.size()] = static_cast<uint8_t>(random());
        check("random spots", note("random spots", false));
    }
}
// The paced run's next deadline (ms for readability): a period on, from now when far
// behind, and never beyond now + a period, whatever woke the run early.
TEST(PacedRun, TheNextFrameIsNeverMoreThanAPeriodAway) {
    const struct {
        int64_t Previous, Now, Next;
    } cases[] = {
        {1000, 1010, 2000}, // on time
        {1000, 1950, 2000}, // late within the period
        {1000, 3500, 3500}, // over a period behind: from now
        {1000, 1005, 2000}, // woken at once by a start-over: still one period on
        {5000, 1010, 2010}, // woken twenty times over: no further than a period from now
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextFrameDeadline(c.Previous, 1000, c.Now), c.Next) << c.Previous << " " << c.Now;
}

// SIGUSR1 in the middle of a run, paced or unpaced: the run starts over at once. The
// front end's first read of events stands in for the signal, its second looks.
int EventReads = 0;
int32_t GenerationsAfterStartOver = 0;
bool ReadEventsAskingForAStartOver() {
    if (++EventReads == 1) {
        GenerationCount = 5000; // well into the field's life
        RestartRequested = 1;
        return true;
    }
    GenerationsAfterStartOver = GenerationCount;
    return false;
}

TEST(PacedRun, StartsOverWhenAskedAtAnyDelay) {
    const PacedFrontEnd frontEnd{
        [] {},       ReadEventsAskingForAStartOver,     [] { return -1; },
        [](bool) {}, [] { return int64_t{1'000'000}; }, [] { return "test"; }};
    for (const uint32_t delay : {0u, 1000u}) {
        ResetRun(1);
        GraphicEffect = PaletteScheme = 1;
        DisplayFailure failure{};
        ASSERT_TRUE(SetUpDisplay(nullptr, failure));
        EventReads = 0;
        RunPaced(delay, frontEnd);
        EXPECT_LT(GenerationsAfterStartOver, 5000) << "--delay " << delay;
        EXPECT_EQ(RestartRequested, 0) << "--delay " << delay;
    }
}

// An unpaced run presents at most once a refresh, and presenting never takes more than a
// twentieth of its time: the next present is due max(refresh, 20 x what this one took)
// after this one began.
TEST(PresentPacing, ARefreshOrTwentyTimesWhatThePresentTook) {
    const struct {
        int64_t Took, DueAfter;
    } cases[] = {{1, 1000}, {50, 1000}, {51, 1020}, {200, 4000}};
    for (const auto& c : cases) {
        PresentPace pace;
        pace.Interval = 1000;
        NotePresentTook(pace, 7000, 7000 + c.Took);
        EXPECT_FALSE(PresentIsDue(pace, 7000 + c.DueAfter - 1)) << "took " << c.Took;
        EXPECT_TRUE(PresentIsDue(pace, 7000 + c.DueAfter)) << "took " << c.Took;
    }
}

// The picture every Linux front end draws into starts a cache line, wherever the linker puts
// it, so that the wide paths' picture stores never split a line.
TEST(MemoryPicture, StartsACacheLine) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(Picture.Pixels) % 64, 0u);
}
} // namespace
