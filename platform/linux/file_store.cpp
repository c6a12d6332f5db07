// The settings store on Linux: one registry-export text file per key, at
// ${XDG_CONFIG_HOME:-~/.config}/<Vendor>/<Product>.reg, so people can read it and
// Windows can import it. Every write replaces the file atomically.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/file_store.h"
#include "platform/linux/reg_text.h"
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
constexpr int32_t StoreWriteFault = 29;  // ERROR_WRITE_FAULT
constexpr int32_t StoreAccessDenied = 5; // ERROR_ACCESS_DENIED
bool ReadOnly = false;

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

// Reads no more than the parser looks at; false when there is no file to read.
bool ReadStoreFile(PlatformKey& key) {
    const int fd = open(key.File.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string bytes(RegReadLimit + 4, '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    bytes.resize(filled);
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > static_cast<off_t>(filled))
        key.UnreadFrom = static_cast<off_t>(filled);
    close(fd);
    key.Document = ParseRegText(bytes);
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

// Copies what lay beyond the read limit from the file being replaced.
bool CopyUnreadPart(const PlatformKey& key, int to) {
    if (key.UnreadFrom < 0) return true;
    const int from = open(key.File.c_str(), O_RDONLY | O_CLOEXEC);
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

// A temporary file beside the old one, flushed to disk, then renamed over it: readers
// see the old file or the new one, never a torn one, and the last save wins.
int32_t WriteStoreFile(PlatformKey& key) {
    if (!MakeFolders(key.Folder)) return StoreWriteFault;
    std::string temporary = key.File + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return StoreWriteFault;
    const std::string text = SerializeRegText(key.Document);
    bool ok = WriteAll(fd, text.data(), text.size()) && CopyUnreadPart(key, fd) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), key.File.c_str()) != 0) {
        unlink(temporary.c_str());
        return StoreWriteFault;
    }
    const int folder = open(key.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    if (!ReadStoreFile(*opened) || !HasRegKey(opened->Document, opened->KeyName)) {
        delete opened;
        return StoreNotFound;
    }
    *key = opened;
    return StoreOk;
}

void MakeStoreReadOnly() {
    ReadOnly = true;
}

int32_t CreateStoreKey(const char* path, PlatformKey** key) {
    if (ReadOnly) return StoreAccessDenied;
    auto* created = new PlatformKey;
    LocateKey(path, *created);
    ReadStoreFile(*created);
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
