#pragma once
#include <cstdint>

#include "settings/saver_settings.h"

using EffectRenderer = void (*)();

extern EffectRenderer ActiveEffectRenderer;

// Dialog names, indexed by the GraphicEffect byte; entry 0 is "<Random>".
extern const char* const EffectNames[EffectCount + 1];

// Effect shown for a stored GraphicEffect byte outside 0..7.
inline constexpr uint8_t FallbackEffect = 1;

void SelectEffect();
void NormaliseShades();
// An effect rolled at random is rolled again (the wipe, the G key); a chosen one stays.
void RerollRandomEffect();
