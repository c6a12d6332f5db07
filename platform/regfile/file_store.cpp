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
    int Source = -1;               // the file read, open while parts of it were not parsed
    off_t PartFrom = 0;            // where the parsed text starts: a key line of ours
    off_t UnreadFrom = -1;         // where the read stopped in a file larger than the limit
    struct stat Read {};           // the source as it was read, and
    std::string Parsed;            // the bytes parsed from it: a change shows in either
    const char* Refusal = nullptr; // why the file must not be replaced, when it must not
    std::vector<std::pair<std::string, RegValue>> Changes; // every value set, in order
    bool Dirty = false;
};

namespace {
// Then six random characters: no name a person would give a file of their own.
constexpr const char* TemporaryMark = ".glimmerhex-saving~";
constexpr int SaveTries = 3; // a file that another writer changes under each is left alone
bool ReadOnly = false;
StoreFailure Failure;

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

void NoteFailure(const PlatformKey& key, const char* reason) {
    Failure = {key.File, reason};
}

void DropKey(PlatformKey* key) {
    if (key->Source >= 0) close(key->Source);
    delete key;
}

// Up to size bytes from offset on; false, with errno set, when the read fails.
bool ReadAt(int fd, off_t offset, size_t size, std::string& bytes) {
    bytes.assign(size, '\0');
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got =
            pread(fd, bytes.data() + filled, size - filled, offset + static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        filled += static_cast<size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

// Where the first line that opens the key starts, searching from offset from (a line
// start) to the end; -1 when none does. A piece at a time, so that a file of any size is
// searched in little memory.
off_t FindKeyLine(int fd, off_t from, const PlatformKey& key) {
    const bool utf16 = key.Document.Utf16;
    const size_t unit = utf16 ? 2 : 1;
    constexpr size_t LongestKeyLine = 4096; // longer lines are no key line of ours
    std::string piece, line;
    off_t lineStart = from;
    for (off_t at = from; ReadAt(fd, at, 1 << 16, piece) && piece.size() >= unit;) {
        const size_t whole = piece.size() - piece.size() % unit;
        for (size_t i = 0; i < whole; i += unit) {
            if (line.size() <= LongestKeyLine) line.append(piece, i, unit);
            if (piece[i] != '\n' || (utf16 && piece[i + 1] != '\0')) continue;
            if (line.size() <= LongestKeyLine && OpensRegKey(line, key.KeyName, utf16))
                return lineStart;
            lineStart = at + static_cast<off_t>(i + unit);
            line.clear();
        }
        at += static_cast<off_t>(whole);
    }
    return line.size() <= LongestKeyLine && OpensRegKey(line, key.KeyName, utf16) ? lineStart : -1;
}

enum StoreFileState { FileRead, FileMissing, FileUnreadable };

// Reads no more than the parser looks at: the start of the file, or, when the key's
// section lies past the read limit or is cut by it, the part from its key line on. Only a
// path where nothing exists is a missing file, which a create may write. A file that
// cannot be opened or read, or is not a regular one, is unreadable: it is never replaced,
// since what it holds is unknown. Neither is a file that is not the user's to replace or
// not an export that the program can rewrite, though what it holds is read. The open
// never blocks, so a FIFO there cannot hang the program.
StoreFileState ReadStoreFile(PlatformKey& key) {
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
    std::string bytes;
    if (fault == nullptr && !ReadAt(fd, 0, RegReadLimit + 4, bytes)) fault = std::strerror(errno);
    if (fault != nullptr) {
        close(fd);
        NoteFailure(key, fault);
        return FileUnreadable;
    }
    key.Document = ParseRegText(bytes);
    if (!MayReplace(info))
        key.Refusal = std::strerror(EACCES);
    else if (!IsRewritableRegText(key.Document))
        key.Refusal = "it is not a registry export this program can rewrite";
    const auto parsed = static_cast<off_t>(bytes.size() - key.Document.Tail.size());
    if (info.st_size > parsed) {
        // The key's section lies past the limit, or starts before it with values after it.
        off_t start = -1;
        if (!HasRegKey(key.Document, key.KeyName))
            start = FindKeyLine(fd, parsed, key);
        else if (const auto cut = FindCutKeySection(key.Document, key.KeyName))
            start = static_cast<off_t>(*cut);
        std::string part;
        if (start >= 0 && ReadAt(fd, start, RegReadLimit + 4, part)) {
            key.Document = ParseRegTextPart(part, key.Document.Utf16);
            key.PartFrom = start;
            bytes = std::move(part);
        }
    }
    const off_t readTo = key.PartFrom + static_cast<off_t>(bytes.size());
    if (info.st_size > readTo) key.UnreadFrom = readTo;
    if (key.PartFrom > 0 || key.UnreadFrom >= 0) {
        key.Source = fd; // what was not parsed is copied from here on a save
        key.Read = info;
        key.Parsed = std::move(bytes);
    } else {
        close(fd);
    }
    return FileRead;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the source was changed in place since it was read: its unparsed parts, copied
// on a save, may then not belong with the part that was parsed. Its times can be too
// coarse to show a change made just after the read, so the parsed bytes are read again.
bool SourceChanged(const PlatformKey& key) {
    struct stat now {};
    std::string parsed;
    return fstat(key.Source, &now) != 0 || now.st_size != key.Read.st_size ||
           !SameTime(now.st_mtim, key.Read.st_mtim) || !SameTime(now.st_ctim, key.Read.st_ctim) ||
           !ReadAt(key.Source, key.PartFrom, key.Parsed.size(), parsed) || parsed != key.Parsed;
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
// changed in place since it was read is read again and the key's changes made anew.
int32_t WriteStoreFile(PlatformKey& key) {
    key.Dirty = false; // one attempt for each change: a failed one is not made again on close
    std::string target;
    for (int round = 1;; ++round) {
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
        const bool changed = ok && key.Source >= 0 && SourceChanged(key);
        if (ok && !changed && rename(temporary.c_str(), target.c_str()) != 0) {
            ok = false;
            error = errno;
        }
        if (!ok || changed) unlink(temporary.c_str());
        if (!ok) return WriteFailed(key, error);
        if (!changed) break;
        if (round == SaveTries) {
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
    const StoreFileState state = ReadStoreFile(*opened);
    if (state != FileRead || !HasRegKey(opened->Document, opened->KeyName)) {
        DropKey(opened);
        return state == FileUnreadable ? StoreAccessDenied : StoreNotFound;
    }
    *key = opened;
    return StoreOk;
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
    const auto value = FindRegValue(key->Document, key->KeyName, name);
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
