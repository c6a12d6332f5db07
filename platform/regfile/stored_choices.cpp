#include "platform/regfile/stored_choices.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "platform/regfile/file_paths.h"
#include "platform/regfile/file_store.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"

namespace {
// What the file held when the choices were last read from it, and its version then (or
// why there was none to see: no file, most often). A resident program takes the choices at
// every show; a long file is read again only once it has changed.
struct TakenChoices {
    bool Taken = false;
    int Missing = 0; // the error that stat gave, 0 when the file was there
    struct stat Version {};
    uint8_t Effect = 0;
    uint8_t Palette = 0;
};
TakenChoices Last;
} // namespace

void TakeStoredChoices(int effect, int palette) {
    MakeStoreReadOnly();
    if (effect < 0 || palette < 0) {
        // Seen before the read: a change during it shows at the next call.
        struct stat version {};
        const int missing = stat(StoreFilePath(SettingsKeyPath).c_str(), &version) == 0 ? 0 : errno;
        if (!Last.Taken || missing != Last.Missing ||
            (missing == 0 && !SameFileVersion(version, Last.Version))) {
            GraphicEffect = PaletteScheme = 0; // what the file does not hold is "<Random>"
            LoadSettings();
            Last = {true, missing, version, GraphicEffect, PaletteScheme};
        }
        GraphicEffect = Last.Effect;
        PaletteScheme = Last.Palette;
    }
    if (effect >= 0) GraphicEffect = static_cast<uint8_t>(effect);
    if (palette >= 0) PaletteScheme = static_cast<uint8_t>(palette);
}
