#include "life/random_source.h"

uint32_t RandomState = 0;

void SeedRandomSource(uint32_t seed) {
    RandomState = seed;
}

int32_t DrawRandom() {
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7FFF);
}
