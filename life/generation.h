#pragma once
#include <cstdint>

inline constexpr int32_t WipeThreshold = 10000;

void IdleTick();
void AdvanceGeneration();
