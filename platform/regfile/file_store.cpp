// The settings store on Linux: one registry-export text file per key, at
// ${XDG_CONFIG_HOME:-~/.config}/<Vendor>/<Product>.reg, so people can read it and
// Windows can import it. Every write replaces the file atomically.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/regfile/file_paths.h"
#include "platform/regfile/file_store.h"
#include "platform/regfile/reg_text.h"
#include "ports/store_port.h"

struct PlatformKey {
    std::string Folder;
    std::string File;
    std::string KeyName;
    RegDocument Document;
    int Source = -1;       // the file read, open while parts of it were not parsed
    off_t PartFrom = 0;    // where the parsed text starts: a key line of ours
    off_t UnreadFrom = -1; // where the read stopped in a file larger than the limit
    struct stat Read {};   // the source as it was read, and
    std::string Parsed;    // the bytes parsed from it: a change shows in either
    // The last entry of each value (by its name in lower case) in the key's sections before
    // the part parsed, which count where that part has none.
    std::map<std::string, std::string> Earlier;
    const char* Refusal = nullptr; // why the file must not be replaced, when it must not
    std::vector<std::pair<std::string, RegValue>> Changes; // every value set, in order
    bool Dirty = false;
};

namespace {
// Then six random characters: no name a person would give a file of their own.
constexpr const char* TemporaryMark = ".glimmerhex-saving~";
constexpr int SaveTries = 3;         // a file that another writer changes under each is left alone
constexpr int MostNewerVersions = 8; // saves of other programs met by one save
bool ReadOnly = false;
StoreFailure Failure;
// The version of the file that the last open found without the key. A load that finds no
// key and may not create it opens the key once more at once: a long file is searched once.
std::optional<struct stat> Keyless;

std::string ConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return config;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config";
}

// "Software\Vendor\Product" is kept in <config>/Vendor/Product.reg.
void LocateKey(const char* path, PlatformKey& key) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += *c == '/' ? '_' : *c;
        }
    }
    parts.push_back(part);
    key.KeyName = path;
    key.Folder = ConfigFolder();
    for (size_t i = 1; i + 1 < parts.size(); ++i)
        key.Folder += "/" + parts[i];
    key.File = key.Folder + "/" + parts.back() + ".reg";
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void NoteFailure(const PlatformKey& key, const char* reason) {
    Failure = {key.File, reason};
}

void DropKey(PlatformKey* key) {
    if (key->Source >= 0) close(key->Source);
    delete key;
}

// Up to size bytes from offset on into buffer: how many, or -1 with errno set.
ssize_t ReadInto(int fd, off_t offset, char* buffer, size_t size) {
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got =
            pread(fd, buffer + filled, size - filled, offset + static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        filled += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(filled);
}

// Up to size bytes from offset on; false, with errno set, when the read fails.
bool ReadAt(int fd, off_t offset, size_t size, std::string& bytes) {
    bytes.resize(size);
    const ssize_t got = ReadInto(fd, offset, bytes.data(), size);
    bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return got >= 0;
}

constexpr size_t ScanBlock = 1 << 18;
constexpr std::string_view RootKeyPrefix = "HKEY_CURRENT_USER\\";
constexpr size_t LongestKeyLine = 4096; // longer lines are no key line of ours

// Whether the unit at text[at] is c (in UTF-16LE: c then a zero byte).
bool UnitIs(std::string_view text, size_t at, char c, bool utf16) {
    return at + (utf16 ? 1 : 0) < text.size() && text[at] == c && (!utf16 || text[at + 1] == '\0');
}

// Whether the text from at on is the name (in lower case), in either case. From its end,
// where key names differ most.
bool NameAt(std::string_view text, size_t at, std::string_view name, bool utf16) {
    const size_t unit = utf16 ? 2 : 1;
    for (size_t i = name.size(); i-- > 0;) {
        const char c = text[at + i * unit];
        if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != name[i] ||
            (utf16 && text[at + i * unit + 1] != '\0'))
            return false;
    }
    return true;
}

// Where the line holding the bracket at text[at] starts, when only blanks come before the
// bracket in it: text starts at a line start when startsLine, and otherwise a line must
// start inside it.
std::optional<size_t> KeyLineStart(std::string_view text, size_t at, bool startsLine, bool utf16) {
    const size_t unit = utf16 ? 2 : 1;
    while (at >= unit &&
           (UnitIs(text, at - unit, ' ', utf16) || UnitIs(text, at - unit, '\t', utf16)))
        at -= unit;
    if (at >= unit && UnitIs(text, at - unit, '\n', utf16)) return at;
    if (at == 0 && startsLine) return at;
    return std::nullopt;
}

// Where the first line that opens the key starts, searching from offset from (a line
// start) to the end; -1 when none does. Every line that opens a key starts with a bracket,
// so the search jumps from bracket to bracket (memchr): in blocks of 256 KiB, which stay in
// the processor's cache from the read to the search (twice the speed of 1 MiB blocks), each
// read with the longest key line before and after it, so that a line across two blocks is
// seen whole.
off_t FindKeyLine(int fd, off_t from, const PlatformKey& key, bool utf16) {
    const size_t unit = utf16 ? 2 : 1;
    const std::string name = LowerCase(std::string(RootKeyPrefix) + key.KeyName);
    const std::unique_ptr<char[]> buffer(new char[LongestKeyLine + ScanBlock + LongestKeyLine]);
    for (off_t block = from;; block += static_cast<off_t>(ScanBlock)) {
        // A hole in a sparse file reads as zeros alone: no key line there.
        const off_t data = lseek(fd, block, SEEK_DATA);
        if (data < 0 && errno == ENXIO) return -1;
        block = std::max(block, data);
        const off_t start = std::max(from, block - static_cast<off_t>(LongestKeyLine));
        const auto before = static_cast<size_t>(block - start);
        const size_t want = before + ScanBlock + LongestKeyLine;
        const ssize_t got = ReadInto(fd, start, buffer.get(), want);
        if (got <= static_cast<ssize_t>(before)) return -1;
        const std::string_view text(buffer.get(), static_cast<size_t>(got));
        const bool last = text.size() < want; // no next block to look at its end
        const size_t end = last ? text.size() : before + ScanBlock;
        for (size_t at = before; at < end; ++at) {
            const void* bracket = std::memchr(text.data() + at, '[', end - at);
            if (bracket == nullptr) break;
            at = static_cast<size_t>(static_cast<const char*>(bracket) - text.data());
            // A UTF-16 file's units start at even offsets, its mark at offset 0.
            if (utf16 &&
                ((start + static_cast<off_t>(at)) % 2 != 0 || !UnitIs(text, at, '[', true)))
                continue;
            // Most key lines are another key's, of another length: the closing bracket
            // where ours has it rules them out before anything else is looked at.
            const size_t close = at + (name.size() + 1) * unit;
            if (!UnitIs(text, close, ']', utf16) || !NameAt(text, at + unit, name, utf16)) continue;
            const auto lineStart = KeyLineStart(text, at, start == from, utf16);
            if (!lineStart) continue;
            size_t lineEnd = close;
            while (lineEnd < text.size() && !UnitIs(text, lineEnd, '\n', utf16) &&
                   lineEnd - *lineStart <= LongestKeyLine)
                lineEnd += unit;
            const std::string_view line =
                text.substr(*lineStart, std::min(lineEnd + unit, text.size()) - *lineStart);
            if (line.size() <= LongestKeyLine && OpensRegKey(line, key.KeyName, utf16))
                return start + static_cast<off_t>(*lineStart);
        }
        if (last) return -1;
    }
}

// Keeps the entries of the part read so far that a later part may not set again.
void KeepEarlierEntries(PlatformKey& key) {
    for (auto& [name, line] : RegKeyEntries(key.Document, key.KeyName))
        key.Earlier[LowerCase(name)] = std::move(line);
}

enum StoreFileState { FileRead, FileMissing, FileUnreadable };

// Reads no more than the parser looks at: the start of the file, then, as long as sections
// of the key lie past what was read or are cut by its end, each from its key line on. The
// last part read is the one a save changes; of the parts before it, only the entries of the
// key are kept, for what the later parts do not set again: a registry import applies the
// sections in order, so the last entry of a value counts, wherever it is. Only a path where
// nothing exists is a missing file, which a create may write. A file that cannot be opened
// or read, or is not a regular one, is unreadable: it is never replaced, since what it
// holds is unknown. Neither is a file that is not the user's to replace or not an export
// that the program can rewrite, though what it holds is read. The open never blocks, so a
// FIFO there cannot hang the program.
StoreFileState ReadStoreFile(PlatformKey& key, bool opening = false) {
    const int fd = open(key.File.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return FileMissing;
        NoteFailure(key, std::strerror(errno));
        return FileUnreadable;
    }
    struct stat info {};
    const char* fault = nullptr;
    if (fstat(fd, &info) != 0)
        fault = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        fault = std::strerror(EISDIR);
    else if (!S_ISREG(info.st_mode))
        fault = "it is not a regular file";
    key.Read = info;
    if (fault == nullptr && opening && Keyless && SameFileVersion(info, *Keyless)) {
        close(fd);
        return FileRead;
    }
    std::string bytes;
    if (fault == nullptr && !ReadAt(fd, 0, RegReadLimit + 4, bytes)) fault = std::strerror(errno);
    if (fault != nullptr) {
        close(fd);
        NoteFailure(key, fault);
        return FileUnreadable;
    }
    key.Document = ParseRegText(bytes);
    const bool utf16 = key.Document.Utf16;
    if (!MayReplace(info))
        key.Refusal = std::strerror(EACCES);
    else if (!IsRewritableRegText(key.Document))
        key.Refusal = "it is not a registry export this program can rewrite";
    // Each part starts at a key line of ours; a section longer than the read limit is read
    // to the limit alone.
    for (off_t parsedTo = static_cast<off_t>(bytes.size() - key.Document.Tail.size());
         info.st_size > parsedTo;) {
        const auto cut = FindCutKeySection(key.Document, key.KeyName);
        const off_t start = cut && *cut > 0 ? key.PartFrom + static_cast<off_t>(*cut)
                                            : FindKeyLine(fd, parsedTo, key, utf16);
        std::string part;
        if (start < 0 || !ReadAt(fd, start, RegReadLimit + 4, part)) break;
        KeepEarlierEntries(key);
        key.Document = ParseRegTextPart(part, utf16);
        key.PartFrom = start;
        bytes = std::move(part);
        parsedTo = start + static_cast<off_t>(bytes.size() - key.Document.Tail.size());
    }
    const off_t readTo = key.PartFrom + static_cast<off_t>(bytes.size());
    if (info.st_size > readTo) key.UnreadFrom = readTo;
    if (key.PartFrom > 0 || key.UnreadFrom >= 0) {
        key.Source = fd; // what was not parsed is copied from here on a save
        key.Parsed = std::move(bytes);
    } else {
        close(fd);
    }
    return FileRead;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

enum SourceState { SourceAsRead, SourceReplaced, SourceEdited };

// Whether the source is still the file, as it was read. Edited in place, its unparsed
// parts, copied on a save, may not belong with the part that was parsed any more; its times
// can be too coarse to show a change made just after the read, so the parsed bytes are read
// again. Replaced (another save renamed its file over it, or the file went), it is whole
// still, but a newer version is there to change. Its change time moves with either, so it
// tells an edit only while the source is still the file.
SourceState SourceNow(const PlatformKey& key, const std::string& target) {
    struct stat now {
    }, named{};
    std::string parsed;
    if (fstat(key.Source, &now) != 0 || now.st_size != key.Read.st_size ||
        !SameTime(now.st_mtim, key.Read.st_mtim) ||
        !ReadAt(key.Source, key.PartFrom, key.Parsed.size(), parsed) || parsed != key.Parsed)
        return SourceEdited;
    if (stat(target.c_str(), &named) != 0 || named.st_dev != now.st_dev ||
        named.st_ino != now.st_ino)
        return SourceReplaced;
    return SameTime(now.st_ctim, key.Read.st_ctim) ? SourceAsRead : SourceEdited;
}

// Reads the file again as it is now and makes the key's changes to it once more.
bool ReadKeyAgain(PlatformKey& key) {
    PlatformKey again;
    LocateKey(key.KeyName.c_str(), again);
    if (ReadStoreFile(again) == FileUnreadable) return false;
    if (!HasRegKey(again.Document, again.KeyName)) AddRegKey(again.Document, again.KeyName);
    for (const auto& [name, value] : key.Changes)
        SetRegValue(again.Document, again.KeyName, name, value);
    again.Changes = std::move(key.Changes);
    if (key.Source >= 0) close(key.Source);
    key = std::move(again);
    return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd, data, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// Copies bytes from..to (to -1: the end) of the file that was read and not parsed.
bool CopyUnparsedPart(const PlatformKey& key, off_t from, off_t to, int out) {
    std::string piece;
    while (to < 0 || from < to) {
        const off_t want = to < 0 ? 1 << 16 : std::min<off_t>(1 << 16, to - from);
        if (!ReadAt(key.Source, from, static_cast<size_t>(want), piece)) return false;
        if (piece.empty()) return to < 0;
        if (!WriteAll(out, piece.data(), piece.size())) return false;
        from += static_cast<off_t>(piece.size());
    }
    return true;
}

bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

bool IsMarkCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0; // as mkstemp picks them
}

// Temporaries of writers killed mid-save: ours by name and owner, and untouched for a
// minute, so no live writer is still filling them. Only in our own folder: beside a
// link's target elsewhere a file of that name might be the user's, so there it stays.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + TemporaryMark;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        struct stat info {};
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            std::all_of(name.end() - 6, name.end(), IsMarkCharacter) &&
            fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == geteuid() && now - info.st_mtime > 60)
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

int32_t WriteFailed(const PlatformKey& key, int error) {
    NoteFailure(key, std::strerror(error));
    return StoreWriteFault;
}

// The new text, between the parts of the file that were not parsed, flushed to disk.
bool FillTemporary(const PlatformKey& key, int fd, mode_t mode) {
    const std::string text = SerializeRegText(key.Document);
    return fchmod(fd, mode) == 0 && CopyUnparsedPart(key, 0, key.PartFrom, fd) &&
           WriteAll(fd, text.data(), text.size()) &&
           (key.UnreadFrom < 0 || CopyUnparsedPart(key, key.UnreadFrom, -1, fd)) && fsync(fd) == 0;
}

// A temporary file beside the old one, flushed to disk, then renamed over it: readers
// see the old file or the new one, never a torn one, and the last save wins. A file
// named through links is replaced where the links lead, and keeps its mode. A file
// changed since it was read, in place or by another save, is read again and the key's
// changes made anew.
int32_t WriteStoreFile(PlatformKey& key) {
    key.Dirty = false; // one attempt for each change: a failed one is not made again on close
    std::string target;
    for (int edited = 0, replaced = 0;;) {
        if (key.Refusal != nullptr) {
            NoteFailure(key, key.Refusal);
            return StoreAccessDenied;
        }
        if (!MakeFolders(key.Folder)) return WriteFailed(key, errno);
        target = FinalLinkTarget(key.File);
        if (FolderOf(target) == key.Folder) RemoveStaleTemporaries(target);
        struct stat old {};
        const mode_t mode = stat(target.c_str(), &old) == 0 ? old.st_mode & 07777 : 0600;
        std::string temporary = target + TemporaryMark + "XXXXXX";
        const int fd = mkstemp(temporary.data());
        if (fd < 0) return WriteFailed(key, errno);
        bool ok = FillTemporary(key, fd, mode);
        int error = errno;
        if (close(fd) != 0 && ok) {
            ok = false;
            error = errno;
        }
        const SourceState source = ok && key.Source >= 0 ? SourceNow(key, target) : SourceAsRead;
        // A newer version another save left is changed in turn; one replaced under every
        // try is replaced by this one, whole as the version it was made from.
        const bool again =
            source == SourceEdited || (source == SourceReplaced && ++replaced < MostNewerVersions);
        if (ok && !again && rename(temporary.c_str(), target.c_str()) != 0) {
            ok = false;
            error = errno;
        }
        if (!ok || again) unlink(temporary.c_str());
        if (!ok) return WriteFailed(key, error);
        if (!again) break;
        if (source == SourceEdited && ++edited == SaveTries) {
            NoteFailure(key, "it changed under every attempt to save it");
            return StoreWriteFault;
        }
        if (!ReadKeyAgain(key)) return StoreAccessDenied;
    }
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return StoreOk;
}
} // namespace

int32_t OpenStoreKey(const char* path, PlatformKey** key) {
    auto* opened = new PlatformKey;
    LocateKey(path, *opened);
    const StoreFileState state = ReadStoreFile(*opened, true);
    const bool found = HasRegKey(opened->Document, opened->KeyName);
    Keyless = state == FileRead && !found ? std::optional(opened->Read) : std::nullopt;
    if (state != FileRead || !found) {
        DropKey(opened);
        return state == FileUnreadable ? StoreAccessDenied : StoreNotFound;
    }
    *key = opened;
    return StoreOk;
}

std::string StoreFilePath(const char* keyPath) {
    PlatformKey key;
    LocateKey(keyPath, key);
    return key.File;
}

void MakeStoreReadOnly() {
    ReadOnly = true;
}

const StoreFailure& LastStoreFailure() {
    return Failure;
}

void ForgetStoreFailure() {
    Failure = {};
}

int32_t CreateStoreKey(const char* path, PlatformKey** key) {
    if (ReadOnly) return StoreAccessDenied;
    auto* created = new PlatformKey;
    LocateKey(path, *created);
    const StoreFileState state = ReadStoreFile(*created);
    const bool found = HasRegKey(created->Document, created->KeyName);
    if (state == FileUnreadable || (!found && created->Refusal != nullptr)) {
        if (created->Refusal != nullptr) NoteFailure(*created, created->Refusal);
        DropKey(created);
        return StoreAccessDenied;
    }
    if (!found) {
        AddRegKey(created->Document, created->KeyName);
        created->Dirty = true;
    }
    *key = created;
    return StoreOk;
}

int32_t QueryStoreValue(PlatformKey* key, const char* name, uint8_t* data, uint32_t* size) {
    std::optional<RegValue> value;
    if (HasRegValueEntry(key->Document, key->KeyName, name))
        value = FindRegValue(key->Document, key->KeyName, name);
    else if (const auto earlier = key->Earlier.find(LowerCase(name)); earlier != key->Earlier.end())
        value = ParseRegEntry(earlier->second);
    if (!value) return StoreNotFound;
    const auto length = static_cast<uint32_t>(value->Data.size());
    if (length > *size) {
        *size = length;
        return StoreMoreData;
    }
    std::copy(value->Data.begin(), value->Data.end(), data);
    *size = length;
    return StoreOk;
}

int32_t SetStoreValue(PlatformKey* key, const char* name, uint32_t type, const uint8_t* data,
                      uint32_t size) {
    const RegValue value{type, {data, data + size}};
    SetRegValue(key->Document, key->KeyName, name, value);
    key->Changes.emplace_back(name, value);
    key->Dirty = true;
    return StoreOk;
}

int32_t FlushStoreKey(PlatformKey* key) {
    if (ReadOnly) return StoreAccessDenied;
    return key->Dirty ? WriteStoreFile(*key) : StoreOk;
}

void CloseStoreKey(PlatformKey* key) {
    if (key->Dirty && !ReadOnly) WriteStoreFile(*key);
    DropKey(key);
}
