// The page's settings store: the browser's localStorage. The key is an item named by its
// path ("Software\Orvandel\Glimmerhex"), and each value an item named by the key's path and
// its own name ("Software\Orvandel\Glimmerhex\GraphicEffect") holding its bytes in hex, as
// the settings file writes them ("03"). A value that is not whole hex bytes counts as
// missing. Where the browser refuses the page its storage (privacy settings, a sandboxed
// frame), the key cannot be used and the choices stay in memory, as they do beside a
// settings file that cannot be read.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "ports/store_port.h"

// The functions below are JavaScript, which the formatter does not know.
// clang-format off

// StoreOk, StoreNotFound, or StoreAccessDenied where the storage is refused; with create,
// a missing key is made.
EM_JS(int32_t, FindStoreKey, (const char* path, bool create), {
    try {
        const name = UTF8ToString(path);
        if (localStorage.getItem(name) != null) return 0;
        if (!create) return 2;
        localStorage.setItem(name, "");
        return 0;
    } catch (error) {
        return 5;
    }
});

// The value's length in bytes, copied to data where it fits in capacity; -1 when it is
// missing or not whole hex bytes, -2 when the storage is refused.
EM_JS(int32_t, ReadStoreValue, (const char* item, uint8_t* data, uint32_t capacity), {
    let hex;
    try {
        hex = localStorage.getItem(UTF8ToString(item));
    } catch (error) {
        return -2;
    }
    if (hex == null || !/^([0-9A-Fa-f]{2})*$/.test(hex)) return -1;
    const length = hex.length / 2;
    if (length <= capacity)
        for (let i = 0; i < length; ++i)
            HEAPU8[data + i] = parseInt(hex.substr(2 * i, 2), 16);
    return length;
});

// StoreOk, or StoreWriteFault where the browser refuses the write (its quota).
EM_JS(int32_t, WriteStoreValue, (const char* item, const uint8_t* data, uint32_t size), {
    let hex = "";
    for (let i = 0; i < size; ++i)
        hex += HEAPU8[data + i].toString(16).padStart(2, "0");
    try {
        localStorage.setItem(UTF8ToString(item), hex);
        return 0;
    } catch (error) {
        return 29;
    }
});
// clang-format on

struct PlatformKey {
    const char* Path;
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
    TheKey.Path = path;
    *key = &TheKey;
    return StoreOk;
}
} // namespace

int32_t OpenStoreKey(const char* path, PlatformKey** key) {
    return OpenKey(path, false, key);
}

int32_t CreateStoreKey(const char* path, PlatformKey** key) {
    return OpenKey(path, true, key);
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
    return WriteStoreValue(ValueItemOf(key, name), data, size);
}

// A value is in the browser's storage once it is set.
int32_t FlushStoreKey(PlatformKey*) {
    return StoreOk;
}

void CloseStoreKey(PlatformKey*) {}
