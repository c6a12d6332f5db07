// The page's settings store: the browser's localStorage (web_store.js), where the key is an
// item named by its path ("Software\Orvandel\Glimmerhex") and each value an item named
// "Software\Orvandel\Glimmerhex\GraphicEffect" holding its bytes in hex. A value that is
// not whole hex bytes counts as missing. Where the browser refuses the page its storage,
// the key cannot be used and the choices stay in memory, as they do beside a settings file
// that cannot be read.
//
// The key's item only marks the key, and can go while its values stay (a user tidying the
// site's storage by hand, a cleaner that keeps what it does not know): a key created again
// keeps every value still stored under it, where the saver's create would write its defaults
// over the user's choices.
#include <cstdio>

#include "ports/store_port.h"

// In web_store.js.
extern "C" {
int32_t FindStoreKey(const char* path, bool create);
int32_t ReadStoreValue(const char* item, uint8_t* data, uint32_t capacity);
int32_t WriteStoreValue(const char* item, const uint8_t* data, uint32_t size);
}

struct PlatformKey {
    const char* Path;
    bool Recreated; // its item was missing: the values found under it are kept
};

namespace {
PlatformKey TheKey;
char ValueItem[256];

// The item of a value: the key's path, a backslash and the value's name.
const char* ValueItemOf(const PlatformKey* key, const char* name) {
    std::snprintf(ValueItem, sizeof ValueItem, "%s\\%s", key->Path, name);
    return ValueItem;
}

int32_t OpenKey(const char* path, bool create, PlatformKey** key) {
    const int32_t result = FindStoreKey(path, create);
    if (result != StoreOk) return result;
    TheKey = {path, false};
    *key = &TheKey;
    return StoreOk;
}
} // namespace

int32_t OpenStoreKey(const char* path, PlatformKey** key) {
    return OpenKey(path, false, key);
}

int32_t CreateStoreKey(const char* path, PlatformKey** key) {
    const bool existed = FindStoreKey(path, false) == StoreOk;
    const int32_t result = OpenKey(path, true, key);
    if (result == StoreOk) TheKey.Recreated = !existed;
    return result;
}

int32_t QueryStoreValue(PlatformKey* key, const char* name, uint8_t* data, uint32_t* size) {
    const int32_t length = ReadStoreValue(ValueItemOf(key, name), data, *size);
    if (length == -2) return StoreAccessDenied;
    if (length < 0) return StoreNotFound;
    const bool fits = static_cast<uint32_t>(length) <= *size;
    *size = static_cast<uint32_t>(length);
    return fits ? StoreOk : StoreMoreData;
}

int32_t SetStoreValue(PlatformKey* key, const char* name, uint32_t, const uint8_t* data,
                      uint32_t size) {
    if (key->Recreated && ReadStoreValue(ValueItemOf(key, name), nullptr, 0) >= 0) return StoreOk;
    return WriteStoreValue(ValueItemOf(key, name), data, size);
}

// A value is in the browser's storage once it is set.
int32_t FlushStoreKey(PlatformKey*) {
    return StoreOk;
}

void CloseStoreKey(PlatformKey*) {}
