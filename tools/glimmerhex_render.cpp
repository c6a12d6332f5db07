// glimmerhex-render: runs the saver headless and writes what it drew.
//
//   glimmerhex-render [--seed S] [--effect E] [--palette P] [--ticks N]
//                     [--mode native|doubled] [--pitch W] [--keys SCRIPT] [--every K]
//                     [--bench] --out FILE
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "effects/effect_frame.h"
#include "life/generation.h"
#include "life/grids.h"
#include "platform/headless/headless_display.h"
#include "platform/posix/program_start.h"
#include "platform/posix/whole_numbers.h"
#include "platform/regfile/file_paths.h"
#include "platform/regfile/stored_choices.h"
#include "settings/saver_settings.h"
#include "shell/display_setup.h"
#include "shell/saver_keys.h"
#include "tools/render_output.h"

namespace {
// Exit statuses: 0 done, 1 the output could not be written, 2 bad input.
constexpr int CannotWrite = 1;
constexpr int BadInput = 2;
constexpr int32_t MaxPitch = 1 << 16;
constexpr int32_t GifDelay = 4; // centiseconds per frame
// Room a frame may take beside its pixels: a colour map and the blocks around it.
constexpr uint64_t FrameOverhead = 2048;

enum OutputKind { RawOutput, PngOutput, GifOutput, NoOutput };

struct KeyItem {
    uint64_t Tick; // ticks completed before the key is delivered
    uint32_t Key;  // upper-case letter, as a virtual-key code
};

struct RenderOptions {
    bool HasSeed = false;
    uint32_t Seed = 0;
    int Effect = -1; // -1: the stored setting
    int Palette = -1;
    uint64_t Ticks = 1;
    uint8_t Mode = NativeDisplay;
    int32_t Pitch = 0;
    std::vector<KeyItem> Keys;
    uint64_t Every = 1;
    bool Bench = false;
    std::string Out;
    OutputKind Kind = NoOutput;
};

constexpr const char* Usage =
    "usage: glimmerhex-render [--seed S] [--effect E] [--palette P] [--ticks N]\n"
    "                         [--mode native|doubled] [--pitch W] [--keys SCRIPT]\n"
    "                         [--every K] [--bench] --out FILE.raw|.png|.gif\n";

[[noreturn]] void Fail(int status, const std::string& message) {
    std::fprintf(stderr, "glimmerhex-render: %s\n", message.c_str());
    std::exit(status);
}

uint64_t NumberOption(const std::string& option, const std::string& text, uint64_t low,
                      uint64_t high) {
    uint64_t value = 0;
    if (!ParseWholeNumber(text, 10, UINT64_MAX / 2, value) || value < low || value > high)
        Fail(BadInput, option + " takes a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high) + ", not '" + text + "'");
    return value;
}

std::vector<KeyItem> ParseKeys(const std::string& script) {
    std::vector<KeyItem> keys;
    size_t start = 0;
    while (true) {
        const size_t comma = script.find(',', start);
        const std::string item = script.substr(start, comma - start);
        const size_t colon = item.find(':');
        uint64_t tick = 0;
        if (colon == std::string::npos || colon + 2 != item.size() ||
            !ParseWholeNumber(item.substr(0, colon), 10, UINT64_MAX / 2, tick) ||
            !std::isalpha(static_cast<unsigned char>(item[colon + 1])))
            Fail(BadInput, "--keys item '" + item + "' is not TICKS:LETTER (as in 10:A,20:X)");
        keys.push_back({tick, static_cast<uint32_t>(
                                  std::toupper(static_cast<unsigned char>(item[colon + 1])))});
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    // Delivered by tick; keys that share a tick keep their listed order.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeyItem& a, const KeyItem& b) { return a.Tick < b.Tick; });
    return keys;
}

OutputKind KindOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "raw") return RawOutput;
    if (extension == "png") return PngOutput;
    if (extension == "gif") return GifOutput;
    Fail(BadInput, "--out '" + path + "' must end in .raw, .png or .gif");
}

RenderOptions ParseOptions(int argc, char** argv) {
    RenderOptions options;
    std::string mode = "native";
    std::string pitch;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        bool hasValue = false;
        if (const size_t equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        if (option == "--bench") {
            if (hasValue) Fail(BadInput, "--bench takes no value");
            options.Bench = true;
            continue;
        }
        static const char* const Valued[] = {"--seed",  "--effect", "--palette",
                                             "--ticks", "--mode",   "--pitch",
                                             "--keys",  "--every",  "--out"};
        if (std::find(std::begin(Valued), std::end(Valued), option) == std::end(Valued))
            Fail(BadInput, "unknown option '" + option + "' (see the usage at the top of --help)");
        if (!hasValue) {
            if (i + 1 >= argc) Fail(BadInput, option + " needs a value");
            value = argv[++i];
        }
        if (option == "--seed") {
            options.Seed = static_cast<uint32_t>(NumberOption(option, value, 0, 4294967295u));
            options.HasSeed = true;
        } else if (option == "--effect") {
            options.Effect = static_cast<int>(NumberOption(option, value, 0, 255));
        } else if (option == "--palette") {
            options.Palette = static_cast<int>(NumberOption(option, value, 0, 255));
        } else if (option == "--ticks") {
            options.Ticks = NumberOption(option, value, 0, UINT64_MAX / 2);
        } else if (option == "--mode") {
            mode = value;
        } else if (option == "--pitch") {
            pitch = value;
        } else if (option == "--keys") {
            options.Keys = ParseKeys(value);
        } else if (option == "--every") {
            options.Every = NumberOption(option, value, 1, UINT64_MAX / 2);
        } else {
            options.Out = value;
        }
    }
    if (mode != "native" && mode != "doubled")
        Fail(BadInput, "--mode is native or doubled, not '" + mode + "'");
    options.Mode = mode == "doubled" ? DoubledDisplay : NativeDisplay;
    const int32_t width = DisplayWidth(options.Mode);
    options.Pitch =
        pitch.empty() ? width : static_cast<int32_t>(NumberOption("--pitch", pitch, 0, MaxPitch));
    if (options.Pitch < width)
        Fail(BadInput,
             "--pitch " + pitch + " is below the " + mode + " width of " + std::to_string(width));
    if (!options.Keys.empty() && options.Keys.back().Tick > options.Ticks)
        Fail(BadInput, "--keys delivers a key after tick " +
                           std::to_string(options.Keys.back().Tick) + ", past the last tick (" +
                           std::to_string(options.Ticks) + ")");
    if (options.Out.empty() && !options.Bench)
        Fail(BadInput, "--out FILE is required (a .raw, .png or .gif)");
    if (!options.Out.empty()) options.Kind = KindOf(options.Out);
    if (options.Bench && options.Kind == GifOutput)
        Fail(BadInput, "--bench captures no frames, so it cannot write a .gif");
    return options;
}

// "12.3 MB": sizes as people read them.
std::string SizeText(double bytes) {
    static const char* const Units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB", "ZB"};
    size_t unit = 0;
    for (; bytes >= 1000 && unit + 1 < std::size(Units); ++unit)
        bytes /= 1000;
    char text[64];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, Units[unit]);
    return text;
}

void FailOutput(int fd, const std::string& message);

// A frame, raw or in a picture format, takes at most about a byte for each pixel of the
// surface, plus its colour map; an animation holds one every --every ticks and the last.
void RefuseWhatCannotFit(const RenderOptions& options, int fd) {
    struct statvfs disk {};
    if (fstatvfs(fd, &disk) != 0) return;
    const uint64_t frame =
        static_cast<uint64_t>(options.Pitch) * DisplayHeight(options.Mode) + FrameOverhead;
    const uint64_t frames = options.Kind == GifOutput ? options.Ticks / options.Every + 1 : 1;
    const uint64_t room = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
    if (frames > room / frame)
        FailOutput(fd, "--out '" + options.Out + "' may need " +
                           SizeText(static_cast<double>(frames) * static_cast<double>(frame)) +
                           ", more than the " + SizeText(static_cast<double>(room)) +
                           " free there");
}

// The output is written into a file without a name in its final folder (where links lead),
// which gets its name only when complete: no ending, SIGKILL included, leaves part of it.
// Where the file system has no such files, a named temporary beside the final place
// stands in, which every ending the process can catch removes.
char TemporaryPath[4096];
bool Unnamed = false;

void RemoveTemporaryAndEnd(int signal) {
    unlink(TemporaryPath);
    raise(signal); // the default action is back (SA_RESETHAND) and ends the run
}

// Signals whose default action does not end the process, or that cannot be caught.
constexpr int Harmless[] = {SIGCHLD, SIGCONT, SIGURG,  SIGWINCH, SIGTSTP,
                            SIGTTIN, SIGTTOU, SIGKILL, SIGSTOP};

void RemoveTemporaryOnEveryEnding() {
    struct sigaction catching {};
    catching.sa_handler = RemoveTemporaryAndEnd;
    catching.sa_flags = SA_RESETHAND;
    sigfillset(&catching.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal == SIGPIPE || signal == SIGXFSZ ||
            std::find(std::begin(Harmless), std::end(Harmless), signal) != std::end(Harmless))
            continue;
        // What is ignored (nohup) stays ignored; a handler installed by others (a
        // sanitiser's) stays theirs.
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            sigaction(signal, &catching, nullptr);
    }
}

// A new file beside path, named after it (path.XXXXXX).
int OpenNamedTemporary(const std::string& path) {
    // No signal comes between the file's creation and the handlers that remove it.
    sigset_t all, before;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
    std::snprintf(TemporaryPath, sizeof TemporaryPath, "%s.XXXXXX", path.c_str());
    const int fd = mkstemp(TemporaryPath);
    const int error = errno;
    if (fd >= 0) RemoveTemporaryOnEveryEnding();
    sigprocmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return fd;
}

int OpenTemporary(const RenderOptions& options, std::string& target) {
    target = FinalLinkTarget(options.Out);
    const std::string cannotWrite = "cannot write '" + options.Out + "': ";
    const std::string cannotReplace =
        cannotWrite + (target == options.Out ? "it" : "'" + target + "'") + " cannot be replaced: ";
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) // a loop of links, a folder that cannot be searched
        Fail(BadInput, cannotWrite + std::strerror(errno));
    if (exists && !S_ISREG(info.st_mode))
        Fail(BadInput, "--out '" + options.Out + "' is not a regular file");
    // As a write into it would be, the user's read-only file or another's is refused.
    if (exists && !MayReplace(info)) Fail(BadInput, cannotReplace + std::strerror(EACCES));
    if (target.size() + 8 >= sizeof TemporaryPath) Fail(BadInput, "--out path is too long");
    const mode_t mask = umask(0);
    umask(mask);
    // The unnamed file is named by a link through /proc.
    int fd = access("/proc/self/fd", X_OK) == 0
                 ? open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)
                 : -1;
    Unnamed = fd >= 0;
    if (!Unnamed) fd = OpenNamedTemporary(target);
    if (fd < 0) Fail(BadInput, (exists ? cannotReplace : cannotWrite) + std::strerror(errno));
    // A new file as the umask allows it, an existing one keeping its mode.
    fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask);
    RefuseWhatCannotFit(options, fd);
    return fd;
}

// Links the complete unnamed output in: under the target's name when that is free, else
// under a temporary one renamed over the target, with every signal held meanwhile, so
// that only SIGKILL in that moment can leave the (complete) temporary behind.
bool LinkOutput(int fd, const std::string& target) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) return false;
    sigset_t all, before;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
    std::random_device random;
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        std::string name = target + ".";
        for (int i = 0; i < 6; ++i)
            name += Letters[random() % (sizeof Letters - 1)];
        std::snprintf(TemporaryPath, sizeof TemporaryPath, "%s", name.c_str());
        linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, TemporaryPath, AT_SYMLINK_FOLLOW) == 0;
        if (!linked && errno != EEXIST) break;
    }
    const bool named = linked && rename(TemporaryPath, target.c_str()) == 0;
    const int error = errno;
    if (linked && !named) unlink(TemporaryPath);
    TemporaryPath[0] = '\0';
    sigprocmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return named;
}

// Closes the complete output and gives it its name.
bool CloseAndNameOutput(int fd, const std::string& target) {
    if (!Unnamed) return close(fd) == 0 && rename(TemporaryPath, target.c_str()) == 0;
    const bool named = LinkOutput(fd, target);
    const int error = errno;
    close(fd);
    errno = error;
    return named;
}

void FailOutput(int fd, const std::string& message) {
    close(fd);
    unlink(TemporaryPath);
    Fail(CannotWrite, message);
}

FrameImage CurrentFrame() {
    return {HeadlessDisplay.Pixels.data(), DisplayWidth(DisplayMode), DisplayHeight(DisplayMode),
            HeadlessDisplay.Pitch, HeadlessDisplay.Colours};
}

// A bar on stderr for long runs, when a person is watching, with the bytes written so far.
struct Progress {
    bool Shown;
    uint64_t Total;
    int Output; // -1: none
    std::chrono::steady_clock::time_point Next;
};

void ShowProgress(Progress& progress, uint64_t done) {
    if (!progress.Shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < progress.Next && done != progress.Total) return;
    progress.Next = now + std::chrono::milliseconds(100);
    const int filled = static_cast<int>(done * 40 / progress.Total);
    struct stat output {};
    const std::string written =
        progress.Output >= 0 && fstat(progress.Output, &output) == 0
            ? ", " + SizeText(static_cast<double>(output.st_size)) + " written"
            : "";
    std::fprintf(stderr, "\r[%s%s] %3d%% %llu/%llu ticks%s", std::string(filled, '#').c_str(),
                 std::string(40 - filled, ' ').c_str(),
                 static_cast<int>(done * 100 / progress.Total),
                 static_cast<unsigned long long>(done),
                 static_cast<unsigned long long>(progress.Total), written.c_str());
    if (done == progress.Total) std::fputc('\n', stderr);
}
} // namespace

int main(int argc, char** argv) {
    HoldStandardDescriptors();
    if (AnswerVersionOrHelp(argc, argv, Usage, "-h")) return 0;
    // A closed pipe and a file-size limit fail the write instead, as a full disk would.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const RenderOptions options = ParseOptions(argc, argv);
    std::string target; // where --out leads
    const int fd = options.Kind == NoOutput ? -1 : OpenTemporary(options, target);

    // The saver's order: seed and settings, then the display with effect, palette and grids.
    ResetRun(options.HasSeed ? options.Seed : static_cast<uint32_t>(std::time(nullptr)));
    TakeStoredChoices(options.Effect, options.Palette);
    HeadlessDisplay.RequestedPitch = options.Pitch;
    HeadlessDisplay.AcceptsNative = HeadlessDisplay.AcceptsNativeVga =
        options.Mode == NativeDisplay;
    DisplayFailure failure{};
    if (!SetUpDisplay(nullptr, failure)) FailOutput(fd, failure.Text);

    GifWriter* gif = nullptr;
    if (options.Kind == GifOutput) {
        std::string error;
        gif = BeginGif(fd, DisplayWidth(DisplayMode), DisplayHeight(DisplayMode), error);
        if (gif == nullptr) FailOutput(fd, error);
    }
    Progress progress{isatty(STDERR_FILENO) == 1 && options.Ticks >= 2000, options.Ticks, fd, {}};
    const auto started = std::chrono::steady_clock::now();
    uint64_t ticks = 0;
    uint64_t lastFrame = UINT64_MAX;
    size_t nextKey = 0;
    bool closed = false;
    while (true) {
        for (; nextKey < options.Keys.size() && options.Keys[nextKey].Tick == ticks; ++nextKey)
            if (ApplySaverKey(options.Keys[nextKey].Key)) {
                closed = true;
                break;
            }
        if (closed || ticks == options.Ticks) break;
        IdleTick();
        ++ticks;
        if (gif != nullptr && ticks % options.Every == 0) {
            if (std::string error = AddGifFrame(gif, CurrentFrame(), GifDelay); !error.empty())
                FailOutput(fd, error);
            lastFrame = ticks;
        }
        ShowProgress(progress, ticks);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (progress.Shown && ticks != options.Ticks) std::fputc('\n', stderr);

    if (fd >= 0) {
        std::string error;
        if (options.Kind == RawOutput)
            error = WriteRawFrame(fd, CurrentFrame());
        else if (options.Kind == PngOutput)
            error = WritePngFrame(fd, CurrentFrame());
        else {
            if (lastFrame != ticks) // the animation always ends on the final picture
                error = AddGifFrame(gif, CurrentFrame(), GifDelay);
            const std::string closing = EndGif(gif);
            if (error.empty()) error = closing;
        }
        if (error.empty() && fsync(fd) != 0)
            error = std::string("cannot write '") + options.Out + "': " + std::strerror(errno);
        if (!error.empty()) FailOutput(fd, error);
    }
    // The summary comes before the output takes its place, so that a run that fails
    // leaves no file.
    std::printf("ticks=%llu generation=%d effect=%u palette=%u live=%d\n",
                static_cast<unsigned long long>(ticks), GenerationCount, GraphicEffect,
                PaletteScheme, CountLiveCells(NextCellGrid));
    if (options.Bench)
        std::printf("ticks_per_second=%.1f\n",
                    seconds > 0 ? static_cast<double>(ticks) / seconds : 0.0);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        FailOutput(fd, std::string("cannot write the summary: ") + std::strerror(errno));
    if (fd >= 0) {
        if (!CloseAndNameOutput(fd, target))
            FailOutput(-1, "cannot write '" + options.Out + "': " + std::strerror(errno));
        TemporaryPath[0] = '\0';
    }
    return 0;
}
