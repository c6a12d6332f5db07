#include "platform/regfile/stored_choices.h"

#include <cstdint>

#include "platform/regfile/file_store.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"

void TakeStoredChoices(int effect, int palette) {
    MakeStoreReadOnly();
    if (effect < 0 || palette < 0) LoadSettings();
    if (effect >= 0) GraphicEffect = static_cast<uint8_t>(effect);
    if (palette >= 0) PaletteScheme = static_cast<uint8_t>(palette);
}
