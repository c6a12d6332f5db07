// The settings logic over the real Linux file store, in a temporary config folder.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "file_helpers.h"
#include "platform/regfile/file_store.h"
#include "platform/regfile/reg_text.h"
#include "platform/regfile/stored_choices.h"
#include "ports/store_port.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"

// The store's renames come here, not to libc: the next FailingRenames fail as on a bad disk.
int FailingRenames = 0;
extern "C" int rename(const char* from, const char* to) noexcept {
    if (FailingRenames == 0) return static_cast<int>(syscall(SYS_rename, from, to));
    --FailingRenames;
    errno = EIO;
    return -1;
}

// And so do its fsyncs: each first runs DuringFsync, another writer changing the file at the
// worst moment, and the next FailingFsyncs fail.
int FailingFsyncs = 0;
std::function<void()> DuringFsync;
extern "C" int fsync(int fd) {
    if (DuringFsync) DuringFsync();
    if (FailingFsyncs == 0) return static_cast<int>(syscall(SYS_fsync, fd));
    --FailingFsyncs;
    errno = EIO;
    return -1;
}

// And its fstats: with FrozenTimes, a file system whose times do not move (FAT keeps them
// to two seconds), where only what a file holds shows that it changed.
bool FrozenTimes = false;
extern "C" int fstat(int fd, struct stat* info) noexcept {
    const int result = fstatat(fd, "", info, AT_EMPTY_PATH);
    if (FrozenTimes) info->st_mtim = info->st_ctim = {};
    return result;
}

size_t BytesRead = 0; // and its reads, counted
extern "C" ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
    const auto got = static_cast<ssize_t>(syscall(SYS_pread64, fd, buffer, size, offset));
    BytesRead += got > 0 ? static_cast<size_t>(got) : 0;
    return got;
}

namespace {
constexpr std::string_view Key = "Software\\Orvandel\\Glimmerhex";
const std::string Header = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string Section = "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n";

// Another key, longer than the read limit.
const std::string Other =
    "[HKEY_CURRENT_USER\\X]\r\n; " + std::string(2 * RegReadLimit, 'f') + "\r\n";

// ASCII text in UTF-8 (width 1) or UTF-16LE (width 2).
std::string Encoded(const std::string& text, size_t width) {
    std::string bytes;
    for (char c : text)
        bytes.append(width == 2 ? std::string{c, '\0'} : std::string{c});
    return bytes;
}

int CountEntries(const std::string& folder) {
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

class FileStore : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = MakeScratchFolder("store");
        chmod(root_.c_str(), 0755);
        config_ = root_ + "/config";
        setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
        folder_ = config_ + "/Orvandel";
        file_ = folder_ + "/Glimmerhex.reg";
        GraphicEffect = 0;
        PaletteScheme = 0;
    }
    void TearDown() override { RemoveScratchFolder(root_); }

    void WriteStore(const std::string& values) {
        mkdir(config_.c_str(), 0700);
        mkdir(folder_.c_str(), 0700);
        WriteFile(file_, "Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n" +
                             values);
    }

    // Runs body in a child process and waits for it.
    template <typename Body> int InChild(Body body) {
        const pid_t child = fork();
        if (child == 0) {
            body();
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    // Runs body in a child that is not root, so that permissions apply to it.
    template <typename Body> int AsAnotherUser(Body body) {
        return InChild([&] {
            if (getuid() == 0 && setuid(65534) != 0) _exit(3);
            body();
        });
    }

    // A save through the store's own calls, to see its result.
    static int32_t SaveEffect(PlatformKey* key, uint8_t effect) {
        SetStoreValue(key, "GraphicEffect", BinaryValue, &effect, 1);
        const int32_t result = FlushStoreKey(key);
        CloseStoreKey(key);
        return result;
    }

    std::string root_, config_, folder_, file_;
};
} // namespace

TEST_F(FileStore, AFirstLoadWritesTheKeyIntoNewFolders) {
    LoadSettings();
    EXPECT_EQ(ReadFile(file_), "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n"
                               "\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:00\r\n"
                               "\"PaletteScheme\"=hex:00\r\n");
    EXPECT_EQ(GraphicEffect, 0);
    EXPECT_EQ(CountEntries(folder_), 1) << "no temporary file left behind";
}

TEST_F(FileStore, LoadAndSaveRoundTrip) {
    WriteStore("\"Version\"=hex:02\r\n\"GraphicEffect\"=hex:04\r\n\"PaletteScheme\"=hex:0c\r\n");
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 4);
    EXPECT_EQ(PaletteScheme, 12);
    const RegDocument after = ParseRegText(ReadFile(file_));
    EXPECT_EQ(FindRegValue(after, Key, "Version")->Data, std::vector<uint8_t>{3});

    GraphicEffect = 5;
    PaletteScheme = 200;
    SaveSettings();
    GraphicEffect = PaletteScheme = 0;
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 5);
    EXPECT_EQ(PaletteScheme, 200);
}

TEST_F(FileStore, AFourByteValueIsIgnoredAndForeignLinesSurvive) {
    WriteStore("; kept\r\n\"Version\"=hex:03\r\n\"GraphicEffect\"=dword:00000005\r\n"
               "\"Other\"=\"kept too\"\r\n");
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 0);
    PaletteScheme = 9;
    SaveSettings();
    const std::string text = ReadFile(file_);
    EXPECT_NE(text.find("; kept\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Other\"=\"kept too\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"GraphicEffect\"=hex:00\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"PaletteScheme\"=hex:09\r\n"), std::string::npos);
}

TEST_F(FileStore, ASaveAfterTheFileWasDeletedRecreatesIt) {
    LoadSettings();
    unlink(file_.c_str());
    GraphicEffect = 3;
    PaletteScheme = 22;
    SaveSettings();
    const RegDocument document = ParseRegText(ReadFile(file_));
    EXPECT_EQ(FindRegValue(document, Key, "Version")->Data, std::vector<uint8_t>{3});
    EXPECT_EQ(FindRegValue(document, Key, "GraphicEffect")->Data, std::vector<uint8_t>{3});
    EXPECT_EQ(FindRegValue(document, Key, "PaletteScheme")->Data, std::vector<uint8_t>{22});
}

TEST_F(FileStore, AnExportFromTheSystemEditorIsReadAndKeptInUtf16) {
    std::string text = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n"
                              "\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:06\r\n")) {
        text += c;
        text += '\0';
    }
    mkdir(config_.c_str(), 0700);
    mkdir(folder_.c_str(), 0700);
    WriteFile(file_, text);
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 6);
    SaveSettings();
    const std::string saved = ReadFile(file_);
    EXPECT_TRUE(saved.starts_with("\xFF\xFE"));
    EXPECT_EQ(FindRegValue(ParseRegText(saved), Key, "PaletteScheme")->Data,
              std::vector<uint8_t>{0});
}

// What the store cannot rewrite as it is (no export, an encoding it does not write, a
// read-only or another user's file) is read where it can be, and left byte for byte.
TEST_F(FileStore, FilesItCannotRewriteAreLeftByteForByte) {
    WriteStore("\"Version\"=hex:02\r\n\"GraphicEffect\"=hex:05\r\n");
    const std::string text = ReadFile(file_);
    std::string garbage(4096, '\0'), bigEndian = "\xFE\xFF";
    std::generate(garbage.begin(), garbage.end(), std::mt19937(3));
    for (char c : text)
        bigEndian.append({'\0', c});
    const std::string littleEndian = bigEndian.substr(3) + '\0'; // and without the mark
    const std::string zeros(1600000, '\0');                      // no line end in its first MiB
    // The file, its mode and owner, and GraphicEffect after the load (2 before it).
    const std::tuple<std::string, mode_t, uid_t, int> cases[] = {
        {garbage, 0600, geteuid(), 2},      {bigEndian, 0600, geteuid(), 2},
        {littleEndian, 0600, geteuid(), 2}, {zeros, 0600, geteuid(), 2},
        {text, 0444, geteuid(), 5},         {text, 0644, 65534, 5}};
    for (const auto& [bytes, mode, owner, effect] : cases) {
        WriteFile(file_, bytes);
        chmod(file_.c_str(), mode);
        ASSERT_EQ(chown(file_.c_str(), owner, -1), 0);
        GraphicEffect = 2;
        LoadSettings();
        EXPECT_EQ(GraphicEffect, effect) << bytes.size() << " bytes, mode " << mode;
        EXPECT_TRUE(ReadFile(file_) == bytes) << bytes.size() << " bytes, mode " << mode;
    }
}

// More of the registry exported into the file: the key is found past the read limit, a new
// one never lands between another key and its values, and loads never grow the file.
TEST_F(FileStore, AKeyPastTheReadLimitIsFoundAndNoOtherKeyIsSplit) {
    std::string other = "[HKEY_CURRENT_USER\\Software\\X]\r\n";
    while (other.size() < 2 * RegReadLimit)
        other += "\"v\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff\r\n";
    // Ours nowhere, across the limit (its key line before it, its values after), past it.
    std::string across = Header + "[HKEY_CURRENT_USER\\Software\\Y]\r\n";
    across += "; " + std::string(RegReadLimit - 64 - across.size(), 'y') + "\r\n";
    const std::string ours = Section + "\"GraphicEffect\"=hex:03\r\n";
    for (const std::string& text :
         {Header + other, across + ours + "\r\n" + other, Header + other + ours}) {
        const bool found = text.find(Section) != std::string::npos;
        WriteStore("");
        WriteFile(file_, text);
        GraphicEffect = 0;
        LoadSettings();
        const std::string loaded = ReadFile(file_);
        LoadSettings();
        // Compared whole: EXPECT_EQ's report of two megabytes would take minutes.
        EXPECT_TRUE(ReadFile(file_) == loaded && loaded.find(other) != std::string::npos);
        EXPECT_EQ(GraphicEffect, found ? 3 : 0);
        EXPECT_TRUE(found ? loaded == text : HasRegKey(ParseRegText(loaded), Key));
    }
    GraphicEffect = 6;
    SaveSettings(); // into the part of the file that holds the key
    EXPECT_TRUE(ReadFile(file_) == Header + other + Section +
                                       "\"GraphicEffect\"=hex:06\r\n\"PaletteScheme\"=hex:00\r\n");
}

TEST_F(FileStore, ConcurrentSaversLeaveOneWholeSave) {
    LoadSettings();
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        if (writers[w] == 0) {
            GraphicEffect = PaletteScheme = static_cast<uint8_t>(w + 1);
            for (int i = 0; i < 100; ++i)
                SaveSettings();
            _exit(0);
        }
    }
    for (pid_t writer : writers)
        waitpid(writer, nullptr, 0);
    LoadSettings();
    EXPECT_TRUE(GraphicEffect == 1 || GraphicEffect == 2) << +GraphicEffect;
    EXPECT_EQ(GraphicEffect, PaletteScheme) << "both bytes come from the same save";
}

TEST_F(FileStore, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    LoadSettings();
    std::mt19937 random(11);
    for (int round = 0; round < 20; ++round) {
        const pid_t writer = fork();
        if (writer == 0) {
            for (uint8_t i = 1;; ++i) {
                GraphicEffect = PaletteScheme = i;
                SaveSettings();
            }
        }
        usleep(200 + random() % 3000);
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        const RegDocument document = ParseRegText(ReadFile(file_));
        const auto effect = FindRegValue(document, Key, "GraphicEffect");
        const auto scheme = FindRegValue(document, Key, "PaletteScheme");
        ASSERT_TRUE(effect && scheme) << "round " << round;
        ASSERT_EQ(effect->Data, scheme->Data) << "round " << round;
    }
}

TEST_F(FileStore, AFullDiskFailsTheSaveSilentlyAndKeepsTheOldFile) {
    WriteStore("\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:01\r\n\"PaletteScheme\"=hex:01\r\n");
    const std::string before = ReadFile(file_);
    const int status = InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16}; // writes past 16 bytes fail as on a full disk
        setrlimit(RLIMIT_FSIZE, &limit);
        GraphicEffect = PaletteScheme = 7;
        SaveSettings();
    });
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(ReadFile(file_), before);
    EXPECT_EQ(CountEntries(folder_), 1) << "the partial temporary file was removed";
}

TEST_F(FileStore, AFolderThatCannotBeWrittenFailsTheSaveSilently) {
    WriteStore("\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:01\r\n\"PaletteScheme\"=hex:01\r\n");
    chmod(file_.c_str(), 0644);
    chmod(config_.c_str(), 0755);
    chmod(folder_.c_str(), 0555);
    const std::string before = ReadFile(file_);
    const int status = AsAnotherUser([&] {
        LoadSettings();
        if (GraphicEffect != 1) _exit(4);
        GraphicEffect = PaletteScheme = 7;
        SaveSettings();
        // Silent for the settings logic, but a front end can still tell the user.
        if (LastStoreFailure().File != file_ || LastStoreFailure().Reason != strerror(EACCES))
            _exit(5);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(file_), before);
}

TEST_F(FileStore, AConfigPathBlockedByAFileLeavesTheSettingsInMemory) {
    mkdir(config_.c_str(), 0700);
    WriteFile(folder_, "not a folder");
    GraphicEffect = 4;
    PaletteScheme = 5;
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(GraphicEffect, 4);
    EXPECT_EQ(PaletteScheme, 5);
    EXPECT_EQ(ReadFile(folder_), "not a folder");
}

TEST_F(FileStore, AHugeFileIsReadToItsLimitAndKeptWholeOnSave) {
    std::string filler;
    while (filler.size() < 3 * RegReadLimit)
        filler += "; " + std::string(200, 'y') + "\r\n";
    WriteStore("\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:02\r\n" + filler +
               "\"PaletteScheme\"=hex:07\r\n");
    const std::string before = ReadFile(file_);
    PaletteScheme = 1;
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 2);
    EXPECT_EQ(PaletteScheme, 1) << "a value past the limit counts as missing";
    SaveSettings();
    const std::string after = ReadFile(file_);
    EXPECT_TRUE(after.ends_with(filler + "\"PaletteScheme\"=hex:07\r\n"));
    EXPECT_EQ(after.size(), before.size() + std::string("\"PaletteScheme\"=hex:01\r\n").size());
}

TEST_F(FileStore, AReadOnlyStoreReadsTheChoicesAndNeverWrites) {
    // The switch lasts for the process, so it runs in a child; the exit code says what failed.
    EXPECT_EQ(InChild([&] {
                  MakeStoreReadOnly();
                  GraphicEffect = 3;
                  LoadSettings();
                  if (GraphicEffect != 3 || access(config_.c_str(), F_OK) == 0) _exit(1);
                  WriteStore("\"Version\"=hex:02\r\n\"GraphicEffect\"=hex:04\r\n"
                             "\"PaletteScheme\"=hex:0c\r\n");
                  const std::string before = ReadFile(file_);
                  LoadSettings();
                  if (GraphicEffect != 4 || PaletteScheme != 12) _exit(2);
                  SaveSettings();
                  if (ReadFile(file_) != before || CountEntries(folder_) != 1) _exit(3);
              }),
              0);
}

TEST_F(FileStore, AFileThatCannotBeReadIsNeverReplaced) {
    WriteStore("\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:04\r\n\"PaletteScheme\"=hex:0c\r\n"
               "\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Kept\"=hex:01\r\n");
    const std::string before = ReadFile(file_);
    chmod(config_.c_str(), 0755);
    chmod(folder_.c_str(), 0777); // the user may write the folder but not read the file
    chmod(file_.c_str(), 0);
    EXPECT_EQ(AsAnotherUser([] {
                  GraphicEffect = 1;
                  PaletteScheme = 2;
                  LoadSettings();
                  SaveSettings();
                  if (GraphicEffect != 1 || PaletteScheme != 2) _exit(1);
              }),
              0);
    chmod(file_.c_str(), 0600);
    EXPECT_EQ(ReadFile(file_), before);
    EXPECT_EQ(CountEntries(folder_), 1);
}

TEST_F(FileStore, WhatIsNotARegularFileIsNeitherReadNorReplaced) {
    const std::pair<const char*, int (*)(const char*)> cases[] = {
        {"fifo", [](const char* path) { return mkfifo(path, 0600); }},
        {"folder", [](const char* path) { return mkdir(path, 0700); }},
    };
    mkdir(config_.c_str(), 0700);
    mkdir(folder_.c_str(), 0700);
    for (const auto& [name, make] : cases) {
        ASSERT_EQ(make(file_.c_str()), 0) << name;
        const int status = InChild([] {
            alarm(10); // a blocking open would hang here for ever
            GraphicEffect = 6;
            LoadSettings();
            SaveSettings();
            if (GraphicEffect != 6) _exit(1);
        });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name << " " << status;
        struct stat info {};
        EXPECT_EQ(lstat(file_.c_str(), &info), 0) << name;
        EXPECT_FALSE(S_ISREG(info.st_mode)) << name;
        EXPECT_EQ(CountEntries(folder_), 1) << name;
        unlink(file_.c_str());
        rmdir(file_.c_str());
    }
}

TEST_F(FileStore, ASaveKeepsTheModeAndWritesThroughALink) {
    // A dotfile manager keeps the real file elsewhere, with a mode of its own.
    const std::string dotfiles = root_ + "/dotfiles";
    mkdir(dotfiles.c_str(), 0755);
    mkdir(config_.c_str(), 0700);
    mkdir(folder_.c_str(), 0700);
    WriteFile(dotfiles + "/Glimmerhex.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                                            "[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]"
                                            "\r\n\"GraphicEffect\"=hex:01\r\n");
    chmod((dotfiles + "/Glimmerhex.reg").c_str(), 0640);
    ASSERT_EQ(symlink("../../dotfiles/Glimmerhex.reg", file_.c_str()), 0);
    GraphicEffect = 6;
    SaveSettings();
    struct stat info {};
    ASSERT_EQ(lstat(file_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link stays a link";
    ASSERT_EQ(stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(
        FindRegValue(ParseRegText(ReadFile(dotfiles + "/Glimmerhex.reg")), Key, "GraphicEffect")
            ->Data,
        std::vector<uint8_t>{6});
    EXPECT_EQ(CountEntries(folder_), 1);
    EXPECT_EQ(CountEntries(dotfiles), 1);
}

TEST_F(FileStore, ASaveRemovesTemporariesThatKilledWritersLeftAMinuteAgo) {
    WriteStore("\"Version\"=hex:03\r\n");
    mkdir((root_ + "/notes").c_str(), 0755);
    const struct {
        const char* Name;
        int Age; // seconds
        bool Kept;
    } cases[] = {
        {"Glimmerhex.reg.glimmerhex-saving~a1B2c3", 120, false}, // its writer was killed
        {"Glimmerhex.reg.glimmerhex-saving~Z9y8X7", 5, true},    // its writer may be at work
        {"Glimmerhex.reg.backup", 120, true},                    // the user's own
        {"Glimmerhex.reg.saving-draft1", 120, true},             // so is this
        {"Glimmerhex.reg.glimmerhex-saving~a1B2c3.old", 120, true},
        // Beside a link's target outside our folder, any name may be the user's.
        {"../../notes/g.reg.saving-draft1", 120, true},
        {"../../notes/g.reg.glimmerhex-saving~a1B2c3", 120, true},
    };
    for (const auto& c : cases) {
        const std::string path = folder_ + "/" + c.Name;
        WriteFile(path, "x");
        const timeval then[2] = {{time(nullptr) - c.Age, 0}, {time(nullptr) - c.Age, 0}};
        utimes(path.c_str(), then);
    }
    SaveSettings();
    unlink(file_.c_str());
    ASSERT_EQ(symlink("../../notes/g.reg", file_.c_str()), 0);
    SaveSettings();
    for (const auto& c : cases)
        EXPECT_EQ(access((folder_ + "/" + c.Name).c_str(), F_OK) == 0, c.Kept) << c.Name;
}

// One attempt for each OK: a save whose flush to disk or rename fails leaves the old file
// and says so; closing the key does not try again behind the report's back.
TEST_F(FileStore, AFailedSaveIsNotMadeAgainBehindItsReport) {
    WriteStore("\"Version\"=hex:03\r\n\"GraphicEffect\"=hex:01\r\n");
    const std::string before = ReadFile(file_);
    for (int* failing : {&FailingFsyncs, &FailingRenames}) {
        *failing = 1;
        PlatformKey* key = nullptr;
        ASSERT_EQ(OpenStoreKey(SettingsKeyPath, &key), StoreOk);
        EXPECT_EQ(SaveEffect(key, 6), StoreWriteFault);
        *failing = 0;
        EXPECT_EQ(LastStoreFailure().Reason, strerror(EIO));
        EXPECT_EQ(ReadFile(file_), before);
        EXPECT_EQ(CountEntries(folder_), 1);
    }
}

// A long file is saved around the parts of it that were read. Changed in place in between
// (by an editor, a sync tool), it is read again, so that a save never mixes two versions;
// one that changes under every try is left as the other writer made it. Where the file's
// times do not move, only the bytes show the change: there the other writer overwrites
// some once; elsewhere it inserts a line at every try.
TEST_F(FileStore, ALongFileChangedSinceItWasReadIsReadAgainNeverTorn) {
    std::string filler;
    while (filler.size() < 2 * RegReadLimit)
        filler += "; " + std::string(98, 'f') + "\r\n";
    for (const bool frozenTimes : {false, true}) {
        WriteStore("\"GraphicEffect\"=hex:01\r\n" + filler);
        std::string edited = ReadFile(file_);
        // In place, as the same file: the store still reads it where it read it before.
        const auto edit = [&] {
            const size_t at = edited.find("; f");
            WriteFile(file_, frozenTimes ? edited.replace(at, 8, "; edited")
                                         : edited.insert(at, "; edited\r\n"));
        };
        FrozenTimes = frozenTimes;
        PlatformKey* key = nullptr;
        ASSERT_EQ(OpenStoreKey(SettingsKeyPath, &key), StoreOk);
        if (frozenTimes)
            edit();
        else
            DuringFsync = edit;
        EXPECT_EQ(SaveEffect(key, 6), frozenTimes ? StoreOk : StoreWriteFault) << frozenTimes;
        DuringFsync = nullptr;
        FrozenTimes = false;
        if (frozenTimes) edited.replace(edited.find("hex:01"), 6, "hex:06");
        EXPECT_TRUE(ReadFile(file_) == edited) << frozenTimes;
        EXPECT_EQ(CountEntries(folder_), 1) << frozenTimes;
    }
}

// Two programs saving a long file at once: the other's rename is a newer version, no failure.
TEST_F(FileStore, ConcurrentSaversOfALongFileAllSucceed) {
    WriteStore("\"GraphicEffect\"=hex:00\r\n" + Other);
    pid_t writers[2];
    for (uint8_t w = 1; w <= 2; ++w)
        if ((writers[w - 1] = fork()) == 0) {
            for (int i = 0; i < 60; ++i) {
                PlatformKey* key = nullptr;
                if (OpenStoreKey(SettingsKeyPath, &key) || SaveEffect(key, w)) _exit(1);
            }
            _exit(0);
        }
    for (int status = -1; pid_t writer : writers)
        EXPECT_TRUE(waitpid(writer, &status, 0) == writer && status == 0) << "every save succeeds";
    const std::string text = ReadFile(file_), head = Header + Section + "\"GraphicEffect\"=hex:0";
    EXPECT_TRUE(text == head + "1\r\n" + Other || text == head + "2\r\n" + Other);
}

// Changed in place or replaced during a save's first tries, a long file is saved anew.
TEST_F(FileStore, ASaveGoesIntoTheVersionOtherWritersLeft) {
    for (const auto& [renamed, changes] : {std::pair{false, 2}, {true, 3}}) {
        WriteStore("\"GraphicEffect\"=hex:01\r\n" + Other);
        std::string text = ReadFile(file_);
        int made = 0;
        DuringFsync = [&, renamed = renamed, changes = changes] {
            if (made++ >= changes) return;
            text.insert(text.find("; f"), "; edit\r\n");
            WriteFile(renamed ? file_ + "~" : file_, text);
            if (renamed) rename((file_ + "~").c_str(), file_.c_str());
        };
        PlatformKey* key = nullptr;
        EXPECT_TRUE(OpenStoreKey(SettingsKeyPath, &key) == StoreOk &&
                    SaveEffect(key, 6) == StoreOk);
        DuringFsync = nullptr;
        EXPECT_TRUE(ReadFile(file_) == text.replace(text.find("hex:01"), 6, "hex:06")) << changes;
    }
}

// Our key in a section the read limit cuts (key line before it, values past it) and others,
// in each encoding: as on an import, the last entry of a value counts; a save changes it.
TEST_F(FileStore, OfTheKeysSectionsTheLastEntryOfAValueCounts) {
    for (const size_t width : {1, 2}) {
        const std::string cut = "; " + std::string(RegReadLimit / width - 500, 'y') + "\r\n" +
                                Section + "; " + std::string(1000, 'z') + "\r\n";
        const std::tuple<std::string, int, int> cases[] = {
            {Section + "\"GraphicEffect\"=hex:05\r\n" + cut, 5, 0},
            {cut + "\"PaletteScheme\"=hex:07\r\n\"GraphicEffect\"=hex:04\r\n" + Other + Section +
                 "\"GraphicEffect\"=hex:0c\r\n",
             12, 7}};
        for (const auto& [text, effect, palette] : cases) {
            WriteStore("");
            WriteFile(file_, (width == 2 ? "\xFF\xFE" : "") + Encoded(Header + text, width));
            GraphicEffect = PaletteScheme = 0;
            LoadSettings();
            EXPECT_TRUE(GraphicEffect == effect && PaletteScheme == palette) << width << effect;
            GraphicEffect = 9;
            SaveSettings();
            const std::string saved = ReadFile(file_), last = "\"GraphicEffect\"=hex:";
            EXPECT_EQ(saved.rfind(Encoded(last, width)), saved.rfind(Encoded(last + "09", width)));
        }
    }
}

// A resident takes the stored choices at every show: the file is read again only once it
// changed, even to the same size and modification time; one without the key, searched once.
TEST_F(FileStore, TheStoredChoicesAreReadAgainOnlyAfterAChange) {
    EXPECT_EQ(InChild([&] {
                  const auto take = [](int effect, bool read, int step) {
                      BytesRead = 0;
                      TakeStoredChoices(-1, 9);
                      if (GraphicEffect != effect || PaletteScheme != 9 || (BytesRead > 0) != read)
                          _exit(step);
                  };
                  WriteStore("");
                  WriteFile(file_, Header + Other);
                  take(0, true, 1);
                  if (BytesRead > 2 * Other.size()) _exit(2); // the first MiB, then a search
                  take(0, false, 3);
                  const timespec times[2] = {{1, 0}, {1, 0}}; // for both versions
                  WriteStore("\"GraphicEffect\"=hex:04\r\n");
                  utimensat(AT_FDCWD, file_.c_str(), times, 0);
                  take(4, true, 4);
                  usleep(20000); // a change time of its own
                  WriteStore("\"GraphicEffect\"=hex:05\r\n");
                  utimensat(AT_FDCWD, file_.c_str(), times, 0);
                  take(5, true, 6);
              }),
              0);
}
