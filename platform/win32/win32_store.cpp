// The settings store on Windows: the registry, under the current user.
#include <windows.h>

#include "ports/store_port.h"

namespace {
HKEY KeyOf(PlatformKey* key) {
    return reinterpret_cast<HKEY>(key);
}
} // namespace

int32_t OpenStoreKey(const char* path, PlatformKey** key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, reinterpret_cast<HKEY*>(key));
}

int32_t CreateStoreKey(const char* path, PlatformKey** key) {
    char noClass[] = "";
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, noClass, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, reinterpret_cast<HKEY*>(key), nullptr);
}

int32_t QueryStoreValue(PlatformKey* key, const char* name, uint8_t* data, uint32_t* size) {
    DWORD length = *size;
    const LONG result = RegQueryValueExA(KeyOf(key), name, nullptr, nullptr, data, &length);
    *size = length;
    return result;
}

int32_t SetStoreValue(PlatformKey* key, const char* name, uint32_t type, const uint8_t* data,
                      uint32_t size) {
    return RegSetValueExA(KeyOf(key), name, 0, type, data, size);
}

int32_t FlushStoreKey(PlatformKey* key) {
    return RegFlushKey(KeyOf(key));
}
void CloseStoreKey(PlatformKey* key) {
    RegCloseKey(KeyOf(key));
}
