// One linear congruential state shared by every random choice of a saver run.
#pragma once
#include <cstdint>

extern uint32_t RandomState;

void SeedRandomSource(uint32_t seed);
int32_t DrawRandom(); // 0..32767
