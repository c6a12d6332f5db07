#include "settings/settings_store.h"

#include "ports/store_port.h"
#include "settings/saver_settings.h"

namespace {
// One byte, whatever the stored type; missing, empty or longer data leaves it alone.
bool ReadByte(PlatformKey* key, const char* name, uint8_t& target) {
    uint8_t byte = 0;
    uint32_t size = 1;
    if (QueryStoreValue(key, name, &byte, &size) != StoreOk || size != 1) return false;
    target = byte;
    return true;
}

void WriteByte(PlatformKey* key, const char* name, uint8_t value) {
    SetStoreValue(key, name, BinaryValue, &value, 1);
}

// The two choices, then the key flushed and closed: how both a create and a save end.
void WriteChoicesAndClose(PlatformKey* key) {
    WriteByte(key, "GraphicEffect", GraphicEffect);
    WriteByte(key, "PaletteScheme", PaletteScheme);
    FlushStoreKey(key);
    CloseStoreKey(key);
}

PlatformKey* OpenOrCreateSettingsKey() {
    PlatformKey* key = nullptr;
    if (OpenStoreKey(SettingsKeyPath, &key) == StoreOk) return key;
    CreateSettingsKey();
    if (OpenStoreKey(SettingsKeyPath, &key) == StoreOk) return key;
    return nullptr;
}
} // namespace

void LoadSettings() {
    PlatformKey* key = OpenOrCreateSettingsKey();
    if (key == nullptr) return;
    uint8_t version = 0;
    if (ReadByte(key, "Version", version) && version == 2)
        WriteByte(key, "Version", SettingsVersion);
    ReadByte(key, "GraphicEffect", GraphicEffect);
    ReadByte(key, "PaletteScheme", PaletteScheme);
    CloseStoreKey(key);
}

void CreateSettingsKey() {
    PlatformKey* key = nullptr;
    if (CreateStoreKey(SettingsKeyPath, &key) != StoreOk) return;
    WriteByte(key, "Version", SettingsVersion);
    WriteChoicesAndClose(key);
}

void SaveSettings() {
    PlatformKey* key = OpenOrCreateSettingsKey();
    if (key == nullptr) return;
    WriteChoicesAndClose(key);
}
