// The saver's key table, on Win32 virtual-key codes (letters arrive upper-case).
#pragma once
#include <cstdint>

inline constexpr uint32_t SeedKey = 'A';
inline constexpr uint32_t PaletteKey = 'C';
inline constexpr uint32_t EffectKey = 'G';
inline constexpr uint32_t WipeKey = 'X';

// Acts on one key-down between two ticks. Returns true when the key ends the saver
// (every key but the four command keys); the caller then runs the closing sequence.
bool ApplySaverKey(uint32_t virtualKey);
