// Moves the two choices and the version byte to and from the per-user store.
// Every failure is silent: the settings in memory then stay as they are.
#pragma once

inline constexpr const char* SettingsKeyPath = "Software\\Orvandel\\Glimmerhex";
inline constexpr unsigned char SettingsVersion = 3;

void LoadSettings();
void SaveSettings();
void CreateSettingsKey();
