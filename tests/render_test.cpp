// glimmerhex-render as its users run it: command line in, files and a summary out.
#include <gtest/gtest.h>

#include <dirent.h>
#include <gif_lib.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "reference_model.h"

namespace {
struct RunResult {
    int Status;
    std::string Out, Err;
};

uint64_t Fnv1a(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// CTest runs these tests once for each path of the fused pass, naming it in
// GLIMMERHEX_SIMD; on a processor without that path they are skipped.
class Render : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeScratchFolder("render");
        static const std::string refusal = Start("--ticks 0 --bench").Err;
        if (!refusal.empty()) GTEST_SKIP() << "this processor lacks the path: " << refusal;
    }
    void TearDown() override { RemoveScratchFolder(dir_); }

    // prefix goes before the program in the same shell (a limit, or a variable for it);
    // redirect says where the summary goes.
    RunResult Start(const std::string& args, const std::string& prefix = "",
                    const std::string& redirect = ">stdout.txt") {
        const std::string command = "cd " + dir_ + " && " + prefix + " XDG_CONFIG_HOME=" + dir_ +
                                    "/config " + RENDER_BINARY + " " + args + " " + redirect +
                                    " 2>stderr.txt";
        const int status = std::system(command.c_str());
        RunResult run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir_ + "/stdout.txt"),
                      ReadFile(dir_ + "/stderr.txt")};
        unlink((dir_ + "/stdout.txt").c_str());
        unlink((dir_ + "/stderr.txt").c_str());
        return run;
    }

    // Runs and returns the written file; the run must succeed.
    std::string Output(const std::string& args, const std::string& name = "out.raw") {
        const RunResult run = Start(args + " --out " + name);
        EXPECT_EQ(run.Status, 0) << args << ": " << run.Err;
        return ReadFile(dir_ + "/" + name);
    }

    // Whether the run has begun its output: nothing else takes its writes before the end.
    bool HasWritten(pid_t run) {
        const std::string io = ReadFile("/proc/" + std::to_string(run) + "/io");
        return !io.empty() && io.find("\nwchar: 0\n") == std::string::npos;
    }

    // What the runs left in the working folder, besides the settings.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        if (DIR* dir = opendir(dir_.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != ".." && name != "config") names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }

    std::string dir_;
};

struct Layout {
    const char* Mode;
    int Pitch, Width, Height;
    bool Doubled;
};
} // namespace

// Five ticks from an empty world: the first seeds, the renderer draws each generation.
// The whole run is restated independently: seeding from the draws, the Life rule and
// each effect's shade rules, the cell-to-pixel mapping; "Heat" is FNV-1a-checked.
TEST_F(Render, ShortRunsMatchAnIndependentRestatement) {
    const Layout layouts[] = {{"native", 320, 320, 200, false},
                              {"native", 352, 320, 200, false},
                              {"doubled", 640, 640, 480, true},
                              {"doubled", 704, 640, 480, true}};
    const uint32_t seeds[] = {4, 5}; // their first draws are even (rings) and odd (guns)
    for (uint32_t seed : seeds)
        for (int effect = 1; effect <= 7; ++effect)
            for (const Layout& layout : layouts) {
                const std::string args = "--seed " + std::to_string(seed) + " --effect " +
                                         std::to_string(effect) +
                                         " --palette 19 --ticks 5 --mode " + layout.Mode +
                                         " --pitch " + std::to_string(layout.Pitch);
                const std::string raw = Output(args);
                const size_t frameBytes = static_cast<size_t>(layout.Pitch) * layout.Height;
                ASSERT_EQ(raw.size(), frameBytes + 1024) << args;

                RefWorld world;
                world.Effect = effect;
                world.Random = seed;
                std::string surface(frameBytes, '\0');
                const RefSurface drawn{reinterpret_cast<uint8_t*>(surface.data()), layout.Pitch,
                                       layout.Doubled};
                for (int tick = 0; tick < 5; ++tick)
                    RefIdleTick(world, false, drawn);
                EXPECT_TRUE(raw.compare(0, frameBytes, surface) == 0) << args;
                EXPECT_EQ(Fnv1a(raw.substr(frameBytes)), 0x60c49a6829b07925ull) << args;
            }
}

TEST_F(Render, TheSummaryTellsWhatHappened) {
    RunResult run = Start("--seed 9 --effect 2 --palette 30 --ticks 12 --out a.png");
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Out.starts_with("ticks=12 generation=12 effect=2 palette=30 live=")) << run.Out;
    EXPECT_TRUE(run.Err.empty());

    // 'X' after two ticks: the fourth tick wipes, two more follow.
    run = Start("--seed 9 --effect 2 --palette 30 --ticks 6 --keys 2:X --out a.raw");
    EXPECT_TRUE(run.Out.starts_with("ticks=6 generation=3 ")) << run.Out;

    // A closing key stops the run where it stands.
    const std::string early = Output("--seed 9 --effect 4 --palette 3 --ticks 3");
    run = Start("--seed 9 --effect 4 --palette 3 --ticks 50 --keys 3:q --out b.raw");
    EXPECT_TRUE(run.Out.starts_with("ticks=3 generation=3 ")) << run.Out;
    EXPECT_TRUE(ReadFile(dir_ + "/b.raw") == early);
}

TEST_F(Render, KeysActAsTheSaversKeyTable) {
    const std::string plain = Output("--seed 21 --effect 1 --palette 19 --ticks 30");
    // Fixed choices swallow C and G.
    EXPECT_TRUE(Output("--seed 21 --effect 1 --palette 19 --ticks 30 --keys 10:C,10:G") == plain);
    // A seeds at once: more draws, another picture.
    EXPECT_FALSE(Output("--seed 21 --effect 1 --palette 19 --ticks 30 --keys 10:A") == plain);
    // A random palette is rolled again by C: the pixels stay, the colours change.
    const RunResult first = Start("--seed 21 --effect 1 --palette 0 --ticks 30 --out c.raw");
    const std::string random = ReadFile(dir_ + "/c.raw");
    const RunResult second =
        Start("--seed 21 --effect 1 --palette 0 --ticks 30 --keys 30:C --out c.raw");
    const std::string rerolled = ReadFile(dir_ + "/c.raw");
    EXPECT_TRUE(rerolled.compare(0, 64000, random, 0, 64000) == 0);
    EXPECT_FALSE(rerolled.compare(64000, 1024, random, 64000, 1024) == 0);
    EXPECT_NE(first.Out, second.Out) << "this seed's re-roll lands on another scheme";
}

// Runs with keys and a wipe cannot be restated cheaply; these pictures were looked at
// once (exported as PNG) and their bytes and summaries pinned. The runs of every effect
// with seeding between ticks and a wipe were pinned from the renderer before the fused pass.
#define LongRun " --palette 19 --ticks 600 --keys 60:A,200:A,201:A,300:X --pitch 352"
#define LongDoubledRun                                                                             \
    " --palette 19 --ticks 600 --keys 30:A,250:X,400:A --mode doubled --pitch 704"
TEST_F(Render, PinnedRunsWithKeysAndAWipe) {
    struct Case {
        const char* Args;
        uint64_t Hash;
        const char* Summary;
    };
    const Case cases[] = {
        {"--seed 1 --effect 1 --palette 19 --ticks 300 --keys 0:A,100:A,100:A",
         0x05f3eb38313e1f5aull, "ticks=300 generation=300 effect=1 palette=19 live=772"},
        {"--seed 2 --effect 0 --palette 0 --ticks 400 --keys 50:G,60:C,200:G",
         0x65a09dd55376debaull, "ticks=400 generation=400 effect=7 palette=25 live=459"},
        {"--seed 3 --effect 5 --palette 22 --ticks 200 --keys 40:X --mode doubled --pitch 672",
         0x460b8808fafd5cf5ull, "ticks=200 generation=159 effect=5 palette=22 live=244"},
        {"--seed 4 --effect 0 --palette 0 --ticks 10030", 0xda140002c66fc7e1ull,
         "ticks=10030 generation=29 effect=6 palette=27 live=216"},
        {"--seed 10 --effect 1" LongRun, 0x6781148e70e31e54ull,
         "generation=299 effect=1 palette=19 live=347"},
        {"--seed 16 --effect 1" LongDoubledRun, 0x6af9ef7a0be2809full,
         "generation=349 effect=1 palette=19 live=600"},
        {"--seed 17 --effect 2" LongRun, 0x89b2f928392e509dull,
         "generation=299 effect=2 palette=19 live=373"},
        {"--seed 27 --effect 2" LongDoubledRun, 0x6a0c7aab2ded5f41ull,
         "generation=349 effect=2 palette=19 live=373"},
        {"--seed 24 --effect 3" LongRun, 0x8495d866babf9211ull,
         "generation=299 effect=3 palette=19 live=471"},
        {"--seed 38 --effect 3" LongDoubledRun, 0x01991c2b5a037a71ull,
         "generation=349 effect=3 palette=19 live=416"},
        {"--seed 31 --effect 4" LongRun, 0x4892a1a66eeae45full,
         "generation=299 effect=4 palette=19 live=640"},
        {"--seed 49 --effect 4" LongDoubledRun, 0xa41ffd5aa7335ce7ull,
         "generation=349 effect=4 palette=19 live=395"},
        {"--seed 38 --effect 5" LongRun, 0x26643ef1d1935d99ull,
         "generation=299 effect=5 palette=19 live=424"},
        {"--seed 60 --effect 5" LongDoubledRun, 0x232f4b05b0580c85ull,
         "generation=349 effect=5 palette=19 live=642"},
        {"--seed 45 --effect 6" LongRun, 0x5530739230ad300bull,
         "generation=299 effect=6 palette=19 live=396"},
        {"--seed 71 --effect 6" LongDoubledRun, 0x3a9f82f54ef95a16ull,
         "generation=349 effect=6 palette=19 live=871"},
        {"--seed 52 --effect 7" LongRun, 0x982afe4574041d29ull,
         "generation=299 effect=7 palette=19 live=534"},
        {"--seed 82 --effect 7" LongDoubledRun, 0x41f1e7d7d0bcfa19ull,
         "generation=349 effect=7 palette=19 live=864"},
    };
    for (const Case& c : cases) {
        const RunResult run = Start(std::string(c.Args) + " --out out.raw");
        EXPECT_EQ(run.Status, 0) << c.Args << ": " << run.Err;
        EXPECT_EQ(Fnv1a(ReadFile(dir_ + "/out.raw")), c.Hash) << c.Args;
        EXPECT_NE(run.Out.find(c.Summary), std::string::npos) << c.Args << ": " << run.Out;
    }
}

// A GLIMMERHEX_SIMD value that names no path is refused in one line; the run goes on, on
// the best path, and draws the same.
TEST_F(Render, AnUnknownSimdPathIsRefusedInOneLine) {
    const std::string args = "--seed 6 --effect 6 --palette 4 --ticks 40 --out e.raw";
    const RunResult plain = Start(args, "GLIMMERHEX_SIMD=");
    const std::string picture = ReadFile(dir_ + "/e.raw");
    const RunResult refused = Start(args, "GLIMMERHEX_SIMD=neon");
    EXPECT_EQ(refused.Status, 0);
    EXPECT_TRUE(refused.Err.starts_with(
        "glimmerhex: GLIMMERHEX_SIMD=neon is not avx512, avx2, sse2 or portable; using "))
        << refused.Err;
    EXPECT_EQ(std::count(refused.Err.begin(), refused.Err.end(), '\n'), 1) << refused.Err;
    EXPECT_EQ(refused.Out, plain.Out);
    EXPECT_TRUE(ReadFile(dir_ + "/e.raw") == picture);
    EXPECT_TRUE(plain.Err.empty()) << plain.Err;
}

TEST_F(Render, StoredChoicesAreTheDefaultsAndAreNeverWritten) {
    EXPECT_EQ(Start("--seed 3 --out d.raw").Status, 0);
    EXPECT_NE(access((dir_ + "/config").c_str(), F_OK), 0) << "no settings file is created";

    const std::string store = dir_ + "/config/Orvandel/Glimmerhex.reg";
    mkdir((dir_ + "/config").c_str(), 0700);
    mkdir((dir_ + "/config/Orvandel").c_str(), 0700);
    const std::string stored = "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n"
                               "\"Version\"=hex:02\r\n\"GraphicEffect\"=hex:05\r\n"
                               "\"PaletteScheme\"=hex:24\r\n";
    WriteFile(store, stored);
    RunResult run = Start("--seed 3 --out d.raw");
    EXPECT_TRUE(run.Out.starts_with("ticks=1 generation=1 effect=5 palette=36 ")) << run.Out;
    run = Start("--seed 3 --palette 2 --out d.raw");
    EXPECT_TRUE(run.Out.starts_with("ticks=1 generation=1 effect=5 palette=2 ")) << run.Out;
    EXPECT_EQ(ReadFile(store), stored) << "not even the version is raised";
}

TEST_F(Render, APngHoldsTheLastFrameAndItsPalette) {
    const std::string args =
        "--seed 8 --effect 3 --palette 0 --ticks 40 --mode doubled --pitch 656";
    const std::string raw = Output(args);
    Output(args, "out.png");
    FILE* file = std::fopen((dir_ + "/out.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    EXPECT_EQ(png_get_image_width(png, info), 640u);
    EXPECT_EQ(png_get_image_height(png, info), 480u);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png_get_bit_depth(png, info), 8);
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    ASSERT_EQ(count, 256);
    const size_t frameBytes = 656 * 480;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(colours[i].red, static_cast<uint8_t>(raw[frameBytes + 4 * i]));
        EXPECT_EQ(colours[i].green, static_cast<uint8_t>(raw[frameBytes + 4 * i + 1]));
        EXPECT_EQ(colours[i].blue, static_cast<uint8_t>(raw[frameBytes + 4 * i + 2]));
    }
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < 480; ++y)
        ASSERT_EQ(std::string(reinterpret_cast<char*>(rows[y]), 640), raw.substr(y * 656, 640))
            << "line " << y;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
}

TEST_F(Render, AGifHoldsEveryKthFrameWithThePaletteOfItsMoment) {
    // The palette key re-rolls after tick 7, so frames after it carry other colours.
    const std::string args = "--seed 12 --effect 6 --palette 0 --ticks 10 --keys 7:C";
    Output(args + " --every 3", "anim.gif");
    int error = 0;
    GifFileType* gif = DGifOpenFileName((dir_ + "/anim.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 4) << "after ticks 3, 6, 9 and the final 10";
    const int ticks[] = {3, 6, 9, 10};
    for (int frame = 0; frame < 4; ++frame) {
        std::string keys = ticks[frame] >= 7 ? " --keys 7:C" : "";
        const std::string raw = Output("--seed 12 --effect 6 --palette 0 --ticks " +
                                       std::to_string(ticks[frame]) + keys);
        const SavedImage& image = gif->SavedImages[frame];
        ASSERT_EQ(image.ImageDesc.Width, 320);
        ASSERT_EQ(image.ImageDesc.Height, 200);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(image.RasterBits), 64000),
                  raw.substr(0, 64000))
            << "frame " << frame;
        const ColorMapObject* map = image.ImageDesc.ColorMap;
        ASSERT_NE(map, nullptr);
        ASSERT_EQ(map->ColorCount, 256);
        for (int i = 0; i < 256; ++i) {
            const GifColorType& colour = map->Colors[i];
            const char* entry = &raw[64000 + 4 * i];
            ASSERT_EQ(std::string({static_cast<char>(colour.Red), static_cast<char>(colour.Green),
                                   static_cast<char>(colour.Blue)}),
                      std::string(entry, 3))
                << "frame " << frame << " entry " << i;
        }
    }
    EXPECT_NE(gif->SavedImages[1].ImageDesc.ColorMap->Colors[200].Red +
                  256 * gif->SavedImages[1].ImageDesc.ColorMap->Colors[200].Green +
                  65536 * gif->SavedImages[1].ImageDesc.ColorMap->Colors[200].Blue,
              gif->SavedImages[2].ImageDesc.ColorMap->Colors[200].Red +
                  256 * gif->SavedImages[2].ImageDesc.ColorMap->Colors[200].Green +
                  65536 * gif->SavedImages[2].ImageDesc.ColorMap->Colors[200].Blue)
        << "the re-roll shows between the second and third frame";
    DGifCloseFile(gif, &error);
}

TEST_F(Render, ALongRunShowsProgressOnlyToAPerson) {
    // On a terminal (script gives the run one) a bar counts the ticks and the bytes written
    // so far; in a pipe it does not.
    const std::string command = "cd " + dir_ + " && XDG_CONFIG_HOME=" + dir_ +
                                "/config script -qec '" + RENDER_BINARY +
                                " --seed 1 --effect 1 --palette 1 --ticks 3000 --every 100 " +
                                "--out t.gif' /dev/null >terminal.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string terminal = ReadFile(dir_ + "/terminal.txt");
    std::smatch written;
    ASSERT_TRUE(std::regex_search(terminal, written,
                                  std::regex(R"(100% 3000/3000 ticks, ([0-9.]+) kB written)")))
        << terminal;
    const double kilobytes = std::stod(written[1]);
    EXPECT_GT(kilobytes, 100.0) << "29 frames are in by then";
    EXPECT_LE(kilobytes * 1000, static_cast<double>(ReadFile(dir_ + "/t.gif").size()));
    const RunResult piped = Start("--seed 1 --effect 1 --palette 1 --ticks 3000 --out t.png");
    EXPECT_TRUE(piped.Err.empty()) << piped.Err;
}

TEST_F(Render, BenchReportsTicksPerSecond) {
    const RunResult run = Start("--seed 1 --effect 1 --palette 1 --ticks 500 --bench");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(run.Out.starts_with("ticks=500 generation=500 ")) << run.Out;
    EXPECT_NE(run.Out.find("\nticks_per_second="), std::string::npos) << run.Out;
    EXPECT_TRUE(Files().empty());
}

TEST_F(Render, BadInputIsNamedAndLeavesNoFile) {
    struct Case {
        const char* Args;
        const char* Says;
    };
    const Case cases[] = {
        {"--bogus 1 --out x.png", "unknown option '--bogus'"},
        {"--out x.png --seed", "--seed needs a value"},
        {"--seed abc --out x.png", "--seed takes a whole number"},
        {"--seed -1 --out x.png", "--seed takes a whole number"},
        {"--seed 4294967296 --out x.png", "from 0 to 4294967295"},
        {"--effect 256 --out x.png", "--effect takes a whole number from 0 to 255"},
        {"--palette 1x --out x.png", "--palette takes"},
        {"--ticks 1e3 --out x.png", "--ticks takes"},
        {"--pitch 319 --out x.png", "below the native width of 320"},
        {"--mode doubled --pitch 639 --out x.png", "below the doubled width of 640"},
        {"--mode wide --out x.png", "--mode is native or doubled"},
        {"--keys 5A --out x.png", "is not TICKS:LETTER"},
        {"--keys 5: --out x.png", "is not TICKS:LETTER"},
        {"--keys 5:AB --out x.png", "is not TICKS:LETTER"},
        {"--keys :A --out x.png", "is not TICKS:LETTER"},
        {"--keys 1:A,,2:B --out x.png", "is not TICKS:LETTER"},
        {"--keys 1:5 --out x.png", "is not TICKS:LETTER"},
        {"--ticks 5 --keys 6:A --out x.png", "past the last tick"},
        {"--every 0 --out x.gif", "--every takes a whole number from 1"},
        {"--seed 1", "--out FILE is required"},
        {"--out x.bmp", "must end in .raw, .png or .gif"},
        {"--out x", "must end in .raw, .png or .gif"},
        {"--out missing/x.png", "cannot write 'missing/x.png'"},
        {"--bench --out x.gif", "cannot write a .gif"},
    };
    for (const Case& c : cases) {
        const RunResult run = Start(c.Args);
        EXPECT_EQ(run.Status, 2) << c.Args;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << c.Args << " said: " << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << c.Args;
        EXPECT_TRUE(run.Out.empty()) << c.Args;
        EXPECT_TRUE(Files().empty()) << c.Args;
    }
}

TEST_F(Render, ASummaryThatCannotBeWrittenFailsTheRun) {
    for (const char* redirect : {">/dev/full", ">&-"}) {
        const RunResult run = Start("--seed 1 --effect 1 --palette 1 --out s.png", "", redirect);
        EXPECT_EQ(run.Status, 1) << redirect;
        EXPECT_NE(run.Err.find("cannot write the summary"), std::string::npos) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_TRUE(Files().empty()) << redirect;
    }
}

TEST_F(Render, NoEndingLeavesAPartialOutput) {
    for (int ending : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGKILL}) {
        const pid_t run = fork();
        if (run == 0) {
            signal(ending, SIG_DFL);
            const rlimit noCore{0, 0}; // SIGQUIT would leave a core file in the folder
            setrlimit(RLIMIT_CORE, &noCore);
            if (chdir(dir_.c_str()) != 0 || !freopen("/dev/null", "w", stdout)) _exit(126);
            execl(RENDER_BINARY, RENDER_BINARY, "--seed", "1", "--effect", "1", "--palette", "1",
                  "--ticks", "1000000", "--every", "1000", "--out", "long.gif", nullptr);
            _exit(127);
        }
        // The first of its frames comes after 1000 ticks: 15 s were seen for the portable path
        // of the sanitizer build on a busy machine.
        for (int wait = 0; wait < 6000 && !HasWritten(run); ++wait)
            usleep(10000);
        const bool writing = HasWritten(run);
        if (!writing) { // never left running, where its output would hold up the test runner
            kill(run, SIGKILL);
            waitpid(run, nullptr, 0);
        }
        ASSERT_TRUE(writing) << "the run started writing";
        kill(run, ending);
        int status = 0;
        waitpid(run, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == ending) << ending;
        EXPECT_TRUE(Files().empty()) << ending;
    }
    // Past a file-size limit the write fails as on a full disk.
    const RunResult run = Start("--seed 1 --mode doubled --out big.raw", "ulimit -f 100 &&");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("File too large"), std::string::npos) << run.Err;
    EXPECT_TRUE(Files().empty());
}

TEST_F(Render, TheOutputIsWrittenThroughLinksAndNothingElseIsReplaced) {
    mkdir((dir_ + "/pictures").c_str(), 0755);
    ASSERT_EQ(symlink("pictures/real.png", (dir_ + "/link.png").c_str()), 0);
    EXPECT_EQ(Start("--seed 1 --out link.png").Status, 0);
    struct stat info {};
    EXPECT_TRUE(lstat((dir_ + "/link.png").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_TRUE(ReadFile(dir_ + "/pictures/real.png").starts_with("\x89PNG"));

    mkdir((dir_ + "/folder.png").c_str(), 0755);
    mkfifo((dir_ + "/fifo.raw").c_str(), 0644);
    ASSERT_EQ(symlink("folder.png", (dir_ + "/to-folder.png").c_str()), 0);
    symlink("loop.png", (dir_ + "/loop.png").c_str());
    symlink("second.png", (dir_ + "/first.png").c_str());
    symlink("first.png", (dir_ + "/second.png").c_str());
    symlink("/proc/uptime", (dir_ + "/proc.png").c_str());
    WriteFile(dir_ + "/kept.png", "mine");
    chmod((dir_ + "/kept.png").c_str(), 0444);
    const std::pair<const char*, const char*> cases[] = {
        {"folder.png", "is not a regular file"},
        {"fifo.raw", "is not a regular file"},
        {"to-folder.png", "is not a regular file"},
        {"loop.png", "Too many levels of symbolic links"},
        {"first.png", "Too many levels of symbolic links"},
        {"proc.png", "'/proc/uptime' cannot be replaced"},
        {"kept.png", "it cannot be replaced: Permission denied"}};
    for (const auto& [out, says] : cases) {
        const std::vector<std::string> before = Files();
        const RunResult run = Start(std::string("--seed 1 --out ") + out);
        EXPECT_EQ(run.Status, 2) << out;
        EXPECT_NE(run.Err.find(says), std::string::npos) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_EQ(Files(), before) << out;
    }
    EXPECT_TRUE(lstat((dir_ + "/fifo.raw").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(lstat((dir_ + "/loop.png").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile(dir_ + "/kept.png"), "mine");
}

TEST_F(Render, ARunWhoseOutputCannotFitIsRefusedBeforeItStarts) {
    // Bounded, since a run that is not refused would go on for ages.
    const RunResult run =
        Start("--seed 1 --ticks 9223372036854775807 --out x.gif", "ulimit -t 30 &&");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("free"), std::string::npos) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    EXPECT_TRUE(Files().empty());
}

// A new output gets what the umask leaves of 0666; one that is replaced keeps its mode.
TEST_F(Render, TheOutputTakesTheUmaskOrKeepsTheOldMode) {
    // The umask, the old file's mode (0: no old file), the output's mode.
    const std::tuple<const char*, mode_t, mode_t> cases[] = {
        {"077", 0, 0600}, {"022", 0, 0644}, {"022", 0600, 0600}, {"077", 0664, 0664}};
    const std::string out = dir_ + "/m.png";
    for (const auto& [mask, old, mode] : cases) {
        unlink(out.c_str());
        if (old != 0) WriteFile(out, "old");
        chmod(out.c_str(), old);
        EXPECT_EQ(Start("--seed 1 --out m.png", std::string("umask ") + mask + " &&").Status, 0);
        struct stat info {};
        EXPECT_TRUE(stat(out.c_str(), &info) == 0 && (info.st_mode & 07777) == mode) << mask << old;
    }
}
