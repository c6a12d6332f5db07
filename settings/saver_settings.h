// The two persisted choices and the two flags that record a random roll.
#pragma once
#include <cstdint>

inline constexpr uint8_t EffectCount = 7;
inline constexpr uint8_t SchemeCount = 36;

extern uint8_t GraphicEffect; // 0 random, 1..7 an effect
extern uint8_t PaletteScheme; // 0 random, 1..36 a scheme
extern bool RandomEffect;     // set for good once an effect was rolled
extern bool RandomPalette;    // set for good once a palette was rolled
