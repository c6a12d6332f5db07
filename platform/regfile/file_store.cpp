// The settings store on Linux: one registry-export text file per key, at
// ${XDG_CONFIG_HOME:-~/.config}/<Vendor>/<Product>.reg, so people can read it and
// Windows can import it. Every write replaces the file atomically.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
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
    off_t UnreadFrom = -1; // where the read stopped in a file larger than the read limit
    bool Dirty = false;
};

namespace {
constexpr const char* TemporaryMark = ".saving-"; // then six random characters
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

enum StoreFileState { FileRead, FileMissing, FileUnreadable };

// Reads no more than the parser looks at. Only a path where nothing exists is a missing
// file, which a create may write. A file that cannot be opened or read, or is not a
// regular one, is unreadable: it is never replaced, since what it holds is unknown. The
// open never blocks, so a FIFO there cannot hang the program.
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
    std::string bytes(fault == nullptr ? RegReadLimit + 4 : 0, '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fault = std::strerror(errno);
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    close(fd);
    if (fault != nullptr) {
        NoteFailure(key, fault);
        return FileUnreadable;
    }
    bytes.resize(filled);
    if (info.st_size > static_cast<off_t>(filled)) key.UnreadFrom = static_cast<off_t>(filled);
    key.Document = ParseRegText(bytes);
    return FileRead;
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

// Copies what lay beyond the read limit from the file being replaced.
bool CopyUnreadPart(const PlatformKey& key, int to) {
    if (key.UnreadFrom < 0) return true;
    const int from = open(key.File.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (from < 0) return true; // gone meanwhile: nothing left to keep
    bool ok = lseek(from, key.UnreadFrom, SEEK_SET) == key.UnreadFrom;
    char buffer[65536];
    while (ok) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = WriteAll(to, buffer, static_cast<size_t>(got));
    }
    close(from);
    return ok;
}

bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// Temporaries of writers killed mid-save: ours by name and owner, and untouched for a
// minute, so no live writer is still filling them.
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

// A temporary file beside the old one, flushed to disk, then renamed over it: readers
// see the old file or the new one, never a torn one, and the last save wins. A file
// named through links is replaced where the links lead, and keeps its mode.
int32_t WriteStoreFile(PlatformKey& key) {
    if (!MakeFolders(key.Folder)) return WriteFailed(key, errno);
    const std::string target = FinalLinkTarget(key.File);
    RemoveStaleTemporaries(target);
    struct stat old {};
    const mode_t mode = stat(target.c_str(), &old) == 0 ? old.st_mode & 07777 : 0600;
    std::string temporary = target + TemporaryMark + "XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return WriteFailed(key, errno);
    const std::string text = SerializeRegText(key.Document);
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text.data(), text.size()) &&
              CopyUnreadPart(key, fd) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return WriteFailed(key, error);
    }
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    key.UnreadFrom = -1;
    key.Dirty = false;
    return StoreOk;
}
} // namespace

int32_t OpenStoreKey(const char* path, PlatformKey** key) {
    auto* opened = new PlatformKey;
    LocateKey(path, *opened);
    const StoreFileState state = ReadStoreFile(*opened);
    if (state != FileRead || !HasRegKey(opened->Document, opened->KeyName)) {
        delete opened;
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
    if (ReadStoreFile(*created) == FileUnreadable) {
        delete created;
        return StoreAccessDenied;
    }
    if (!HasRegKey(created->Document, created->KeyName)) {
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
    SetRegValue(key->Document, key->KeyName, name, RegValue{type, {data, data + size}});
    key->Dirty = true;
    return StoreOk;
}

int32_t FlushStoreKey(PlatformKey* key) {
    if (ReadOnly) return StoreAccessDenied;
    return key->Dirty ? WriteStoreFile(*key) : StoreOk;
}

void CloseStoreKey(PlatformKey* key) {
    if (key->Dirty && !ReadOnly) WriteStoreFile(*key);
    delete key;
}
