// The desktop's own blank, lock and power-off times, read where the desktop keeps them:
// GNOME's through GSettings (whatever backend the session has), Plasma's from its
// configuration files through GLib's key-file reader, in KDE's order (the user's folder
// first, then the system's, the first that states a key deciding it).
#include <gio/gio.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/wayland/idle/idle_time.h"

namespace {
// Whether XDG_CURRENT_DESKTOP, a list such as "ubuntu:GNOME", names the desktop.
bool IsCurrentDesktop(const char* name) {
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    if (current == nullptr) return false;
    gchar** names = g_strsplit(current, ":", -1);
    const bool named = g_strv_contains(names, name);
    g_strfreev(names);
    return named;
}

void Add(DesktopTimes& desktop, const DesktopTime& time) {
    if (time.Seconds > 0 && desktop.Count < MostDesktopTimes) desktop.Times[desktop.Count++] = time;
}

// Looked up first, since GSettings aborts the program on a schema it does not know: a
// desktop that is not there states nothing.
GSettingsSchema* LookUpSchema(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return source != nullptr ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
}

// A setting's value where its schema is installed and has the key with that type.
GVariant* SettingValue(const char* schemaId, const char* key, const GVariantType* type) {
    GSettingsSchema* schema = LookUpSchema(schemaId);
    if (schema == nullptr) return nullptr;
    GVariant* value = nullptr;
    if (g_settings_schema_has_key(schema, key)) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        value = g_settings_get_value(settings, key);
        g_object_unref(settings);
        if (!g_variant_is_of_type(value, type)) g_clear_pointer(&value, g_variant_unref);
    }
    g_settings_schema_unref(schema);
    return value;
}

uint32_t SettingSeconds(const char* schemaId, const char* key) {
    GVariant* value = SettingValue(schemaId, key, G_VARIANT_TYPE_UINT32);
    const uint32_t seconds = value != nullptr ? g_variant_get_uint32(value) : 0;
    if (value != nullptr) g_variant_unref(value);
    return seconds;
}

bool SettingIsOn(const char* schemaId, const char* key) {
    GVariant* value = SettingValue(schemaId, key, G_VARIANT_TYPE_BOOLEAN);
    const bool on = value != nullptr && g_variant_get_boolean(value);
    if (value != nullptr) g_variant_unref(value);
    return on;
}

void (*GnomeTimesChanged)() = nullptr;

void OnGnomeSettingChanged(GSettings*, gchar*, gpointer) {
    GnomeTimesChanged();
}

// GNOME blanks the screen after idle-delay (0: never), and locks it lock-delay later.
void ReadGnomeTimes(DesktopTimes& desktop) {
    desktop.Desktop = "GNOME";
    const uint32_t blank = SettingSeconds("org.gnome.desktop.session", "idle-delay");
    if (blank == 0) return;
    Add(desktop, {"GNOME", "blank", "blanks the screen", "Settings → Power → Screen Blank", blank});
    if (SettingIsOn("org.gnome.desktop.screensaver", "lock-enabled"))
        Add(desktop, {"GNOME", "lock", "locks the screen", "Settings → Privacy → Screen Lock",
                      blank + SettingSeconds("org.gnome.desktop.screensaver", "lock-delay")});
}

// One of KDE's configuration files in each folder that has it, the user's first.
constexpr int MostConfigFolders = 8;
struct KdeFile {
    GKeyFile* Found[MostConfigFolders];
    int Count;
};

KdeFile OpenKdeFile(const char* name) {
    KdeFile file{};
    const char* const* system = g_get_system_config_dirs();
    for (int i = -1; (i < 0 || system[i] != nullptr) && file.Count < MostConfigFolders; ++i) {
        gchar* path = g_build_filename(i < 0 ? g_get_user_config_dir() : system[i], name, nullptr);
        GKeyFile* keys = g_key_file_new();
        if (g_key_file_load_from_file(keys, path, G_KEY_FILE_NONE, nullptr))
            file.Found[file.Count++] = keys;
        else
            g_key_file_unref(keys);
        g_free(path);
    }
    return file;
}

void CloseKdeFile(KdeFile& file) {
    for (int i = 0; i < file.Count; ++i)
        g_key_file_unref(file.Found[i]);
    file.Count = 0;
}

// The first file that states the key decides it. A group nested in KDE's way, [AC][Display],
// is the group "AC][Display" to GLib's reader.
bool KdeNumber(const KdeFile& file, const char* group, const char* key, gint& value) {
    for (int i = 0; i < file.Count; ++i)
        if (g_key_file_has_key(file.Found[i], group, key, nullptr)) {
            GError* error = nullptr;
            value = g_key_file_get_integer(file.Found[i], group, key, &error);
            const bool read = error == nullptr;
            g_clear_error(&error);
            return read;
        }
    return false;
}

bool KdeIsOn(const KdeFile& file, const char* group, const char* key, bool otherwise) {
    for (int i = 0; i < file.Count; ++i)
        if (g_key_file_has_key(file.Found[i], group, key, nullptr)) {
            GError* error = nullptr;
            const bool on = g_key_file_get_boolean(file.Found[i], group, key, &error);
            const bool read = error == nullptr;
            g_clear_error(&error);
            return read ? on : otherwise;
        }
    return otherwise;
}

uint32_t Positive(gint value, gint unit) {
    return value > 0 ? static_cast<uint32_t>(value) * static_cast<uint32_t>(unit) : 0;
}

// The files Plasma keeps those times in.
const char* const PlasmaFiles[] = {"kscreenlockerrc", "powerdevilrc", "powermanagementprofilesrc"};

// Plasma 5.27 and 6: the screen locker's time (on, 5 minutes, unless the file says
// otherwise); the power manager's dimming and screen-off times on mains power, where its
// file states them (Plasma 6's powerdevilrc in seconds; 5.27's powermanagementprofilesrc,
// dimming in milliseconds, screen-off in seconds, each on while its group is there).
void ReadPlasmaTimes(DesktopTimes& desktop) {
    desktop.Desktop = "Plasma";
    constexpr const char* Power = "System Settings → Power Management";
    KdeFile file = OpenKdeFile(PlasmaFiles[0]);
    gint value = 5;
    KdeNumber(file, "Daemon", "Timeout", value);
    if (KdeIsOn(file, "Daemon", "Autolock", true))
        Add(desktop, {"Plasma", "lock", "locks the screen", "System Settings → Screen Locking",
                      Positive(value, 60)});
    CloseKdeFile(file);
    file = OpenKdeFile(PlasmaFiles[1]);
    if (KdeIsOn(file, "AC][Display", "DimDisplayWhenIdle", true) &&
        KdeNumber(file, "AC][Display", "DimDisplayIdleTimeoutSec", value))
        Add(desktop, {"Plasma", "dimming", "dims the screen", Power, Positive(value, 1)});
    if (KdeIsOn(file, "AC][Display", "TurnOffDisplayWhenIdle", true) &&
        KdeNumber(file, "AC][Display", "TurnOffDisplayIdleTimeoutSec", value))
        Add(desktop, {"Plasma", "screen-off", "turns the screen off", Power, Positive(value, 1)});
    CloseKdeFile(file);
    file = OpenKdeFile(PlasmaFiles[2]);
    if (KdeNumber(file, "AC][DimDisplay", "idleTime", value))
        Add(desktop, {"Plasma", "dimming", "dims the screen", Power, Positive(value / 1000, 1)});
    if (KdeNumber(file, "AC][DPMSControl", "idleTime", value))
        Add(desktop, {"Plasma", "screen-off", "turns the screen off", Power, Positive(value, 1)});
    CloseKdeFile(file);
}
} // namespace

void FollowGnomeTimes(void (*changed)()) {
    GnomeTimesChanged = changed;
    for (const char* id : {"org.gnome.desktop.session", "org.gnome.desktop.screensaver"}) {
        GSettingsSchema* schema = LookUpSchema(id);
        if (schema == nullptr) continue;
        // Kept for the process's life. A key's changes are told only once it has been read
        // through this object, so each is read once here.
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        g_signal_connect(settings, "changed", G_CALLBACK(OnGnomeSettingChanged), nullptr);
        gchar** keys = g_settings_schema_list_keys(schema);
        for (gchar** key = keys; *key != nullptr; ++key)
            g_variant_unref(g_settings_get_value(settings, *key));
        g_strfreev(keys);
        g_settings_schema_unref(schema);
    }
}

// The user's configuration folder through inotify rather than a GFileMonitor: under KWin
// the resident waits on the compositor's connection alone, with no GLib loop to tell it.
// KDE writes a file anew and renames it into place.
int FollowPlasmaTimes() {
    if (!IsCurrentDesktop("KDE") || IsCurrentDesktop("GNOME")) return -1;
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 && inotify_add_watch(watch, g_get_user_config_dir(),
                                        IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0) {
        close(watch);
        return -1;
    }
    return watch;
}

bool HeardPlasmaChange(int watch) {
    alignas(inotify_event) char events[4096];
    bool heard = false;
    ssize_t size = 0;
    while ((size = read(watch, events, sizeof events)) > 0)
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            for (const char* name : PlasmaFiles)
                heard = heard || (event->len > 0 && std::strcmp(event->name, name) == 0);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    return heard;
}

void ReadDesktopTimes(bool gnome, DesktopTimes& desktop) {
    desktop = {};
    if (gnome || IsCurrentDesktop("GNOME"))
        ReadGnomeTimes(desktop);
    else if (IsCurrentDesktop("KDE"))
        ReadPlasmaTimes(desktop);
}
